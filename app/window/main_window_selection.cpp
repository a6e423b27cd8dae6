#include "app/window/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

#include "catalogue/catalogue_lists.h"
#include "catalogue/widgets/area_selection.h"
#include "catalogue/widgets/genre_tree.h"

namespace vorn {

void TFrmMain::InitSelection() {
    areas_ = std::make_unique<AreaSelection>(*chkArea, *cmbArea, *clstArea);
    areas_->FillDesignItems();
    areas_->SetErrorReport([this](const std::exception& error) { ShowError(error); });
    genres_ = std::make_unique<GenreTree>(*TreeView, *chkItem, *spbExpand, *spbCollapse);
}

void TFrmMain::LoadGenreTree() {
    // The list is read from the catalogue only once the database was found.
    areas_->SetNamesSource([this](int comboIndex) { return LoadAreaNames(db_, comboIndex); });
    genres_->Load(LoadGenreNodes(db_));
}

void TFrmMain::chkImgSaveClick(bool checked) {
    txtDirPath->setEnabled(checked);
    btnDirPath->setEnabled(checked);
}

} // namespace vorn
