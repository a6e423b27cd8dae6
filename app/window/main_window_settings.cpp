#include "app/window/main_window.h"

#include <system_error>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>

#include "app/core/profile_file.h"
#include "app/window/options_dialog.h"
#include "app/window/prompt.h"
#include "app/window/run_file_rules.h"
#include "app/window/window_texts.h"
#include "catalogue/widgets/area_selection.h"
#include "catalogue/widgets/genre_tree.h"
#include "catalogue/widgets/qt_text.h"
#include "web/text.h"

namespace vorn {

namespace {

constexpr const char* kConfigSection = "Config";
constexpr const char* kSaveTypeKey = "SaveType";

} // namespace

void TFrmMain::LoadSettings() {
    const ProfileFile file(SettingsFilePath(programDir_));
    if (!file.Exists()) {
        genres_->SelectFirstNode();
        areas_->SelectItem(0);
        return;
    }
    ApplyConditions(ReadSavedConditions(file));
    const int saveType = file.ReadInteger(kConfigSection, kSaveTypeKey, kSaveCsvCp932);
    saveType_ = saveType >= kSaveCsvCp932 && saveType <= kSaveWorkbook ? saveType : kSaveCsvCp932;
}

void TFrmMain::ApplyConditions(const SavedConditions& saved) {
    txtWord->setText(FromCp932(saved.word));
    txtDirPath->setText(FromCp932(saved.imageDir));
    chkImgSave->setChecked(saved.checkImage);
    // The tree first, then the combo: the area marks belong to the list the combo loads.
    genres_->RestoreGenreChecks(saved.ctgrlist);
    areas_->RestoreAreaChecks(saved.areasel, saved.arealist);
}

SavedConditions TFrmMain::CurrentConditions() const {
    SavedConditions conditions;
    conditions.word = Trim(ToCp932(txtWord->text()));
    conditions.areasel = cmbArea->currentIndex();
    conditions.imageDir = Trim(ToCp932(txtDirPath->text()));
    conditions.checkImage = chkImgSave->isChecked();
    conditions.ctgrlist = genres_->CheckString();
    conditions.arealist = areas_->CheckString();
    return conditions;
}

void TFrmMain::btnOptionClick() {
    const std::filesystem::path path = SettingsFilePath(programDir_);
    OptionsDialog dialog(
        path, prompt_,
        {[this] { return CurrentConditions(); }, [this](const SavedConditions& saved) { ApplyConditions(saved); }},
        this);
    if (dialog.exec() == QDialog::Accepted) {
        // The retries count from the next run on.
        site_ = ReadSiteSettings(ProfileFile(path));
    }
}

void TFrmMain::SaveSettings() {
    const std::filesystem::path path = SettingsFilePath(programDir_);
    std::error_code error;
    if (!std::filesystem::is_directory(path.parent_path(), error)) {
        return;
    }
    const SavedConditions conditions = CurrentConditions();
    bool written = false;
    try {
        ProfileFile file(path);
        written = WriteSavedConditions(file, conditions) &&
                  file.WriteString(kConfigSection, kSaveTypeKey, std::to_string(saveType_));
    } catch (const std::exception&) {
        written = false;
    }
    // Reported, and the program still ends: a close must never be held up by its settings.
    if (!written) {
        const QString shown = QFile::decodeName(QByteArray::fromStdString(path.native()));
        prompt_.Error(this, texts::kCannotWrite.arg(shown));
    }
}

} // namespace vorn
