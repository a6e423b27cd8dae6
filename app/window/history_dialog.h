#pragma once

#include <cstdint>
#include <vector>

#include <QDialog>
#include <QString>

#include "catalogue/catalogue_db.h"
#include "watch/run_history.h"

class QDateEdit;
class QPushButton;
class QTableView;
class QTreeWidget;

namespace vorn {

class Prompt;
class RunRowsModel;

// 取得履歴: every run the store keeps, newest first, with what it found; the selected run's rows
// below, read a page at a time. A row opens its listing's page in the desktop's browser; the
// run's rows can be written again as the run wrote them, and runs before a day forgotten.
class HistoryDialog : public QDialog {
    Q_OBJECT
public:
    // folder: where the save dialog opens.
    HistoryDialog(CatalogueDb& db, Prompt& prompt, QString folder, QWidget* parent = nullptr);

    void btnExportClick();
    void btnForgetClick();
    // Opens the listing of a row of the selected run with the desktop's URL handler.
    void OpenRow(int row);

    QTreeWidget* lstRuns = nullptr;
    QTableView* grdRows = nullptr;
    QPushButton* btnExport = nullptr;
    QDateEdit* dtpBefore = nullptr;
    QPushButton* btnForget = nullptr;
    QPushButton* btnClose = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void ListRuns();
    void ShowSelectedRun();
    // The selected run, if any.
    const StoredRun* SelectedRun() const;
    void ShowStoreError(const QString& error);

    CatalogueDb& db_;
    Prompt& prompt_;
    QString folder_;
    RunRowsModel* rows_ = nullptr;
    std::vector<StoredRun> runs_;
};

} // namespace vorn
