#include "app/window/main_window.h"

#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

#include "app/core/run_conditions.h"
#include "app/core/run_options.h"
#include "app/window/prompt.h"
#include "app/window/run_file_rules.h"
#include "app/window/window_texts.h"
#include "catalogue/catalogue_lists.h"
#include "catalogue/widgets/area_selection.h"
#include "catalogue/widgets/genre_tree.h"
#include "catalogue/widgets/qt_text.h"
#include "crawl/crawl_job.h"
#include "crawl/crawl_state.h"
#include "watch/workbook.h"

namespace vorn {

CrawlSelection TFrmMain::TakeSelection() {
    CrawlSelection selection;
    selection.keyword = ToCp932(txtWord->text());
    selection.keywordUtf8 = txtWord->text().toUtf8().toStdString();
    selection.allAreas = chkArea->isChecked();
    selection.areaComboIndex = cmbArea->currentIndex();
    selection.areaComboText = ToCp932(cmbArea->currentText());
    selection.areaTexts = areas_->ItemTexts();
    selection.areaChecked = areas_->ItemChecks();
    selection.allGenres = chkItem->isChecked();
    selection.ctgrIndexList = ctgrIndexList_;
    selection.genreNodes = genres_->Nodes();
    selection.saveImages = chkImgSave->isChecked();
    selection.imageDir = ImageFolderPath(QFile::encodeName(txtDirPath->text()).toStdString());
    selection.csvFileName = csvFileName_;
    selection.outputOnFirstRow = OutputWaitsForFirstRow(mode_);
    selection.csvEncoding = csvEncoding_;
    if (workbook_) {
        auto book = std::make_shared<Workbook>();
        if (watch_ != nullptr) {
            book->SetMarket(&watch_->market());
        }
        selection.rowSink = std::move(book);
    }
    if (watch_ != nullptr) {
        watch_->Begin(selection, WriteModeName(mode_));
    }
    return selection;
}

void TFrmMain::InitProgress(int maximum) {
    prgBar->setValue(0);
    prgBar->setMinimum(0);
    prgBar->setMaximum(maximum);
}

void TFrmMain::StepProgress() {
    prgBar->setValue(prgBar->value() + 1);
    if (taskbarReady_) {
        taskbar_.SetValue(prgBar->value(), prgBar->maximum());
    }
}

void TFrmMain::ShowStatus(const std::string& textCp932) { lblStatus->setText(FromCp932(textCp932)); }

bool TFrmMain::CheckSeen(const std::string& listingKey) {
    return db_.SeenListing(listingKey, mode_ == WriteMode::NewOnly);
}

void TFrmMain::RecordCollected(const std::string& listingKey) { db_.RecordCollected(listingKey); }

std::string TFrmMain::LookUpAreaPath(int areaIndex, int comboIndex) {
    return vorn::LookUpAreaPath(db_, areaIndex, comboIndex);
}

void TFrmMain::HandBack(int crawlResult) {
    db_.CommitSeen();
    crawlResult_ = crawlResult;
    isRunning_ = false;
    if (destroying_) {
        myThread_ = nullptr;
        return;
    }
    const std::string errorText = myThread_ != nullptr ? myThread_->worker().errorText() : std::string();
    runOutcome_ = OutcomeOf(crawlResult, endState_ != esNone, !errorText.empty());
    pageLines_.clear();
    siteRefusedText_.clear();
    std::string failure;
    if (myThread_ != nullptr) {
        pageLines_ = PageLines(runOutcome_, myThread_->worker());
        siteRefusedText_ = SiteRefusedText(myThread_->worker());
        failure = FailureText(runOutcome_, myThread_->worker());
    }
    if (watch_ != nullptr) {
        watch_->End(OutcomeWord(runOutcome_));
        countsLine_ = FromCp932(CountsLine(watch_->counts()));
        SendAlert(failure);
    }
    // The last page is read: the progress text would say it is still being fetched while the
    // outcome's question is open.
    if (ShowsCounts()) {
        lblStatus->setText(countsLine_);
    } else {
        lblStatus->clear();
    }
    // Shown in place of an outcome that would mislead ("nothing found", "done").
    if (!errorText.empty()) {
        NotifyIfAway(texts::kTitle, QString::fromStdString(errorText));
        prompt_.Error(this, QString::fromStdString(errorText));
    }
    RunCommand([this] { btnCancelClick(); });
}

} // namespace vorn
