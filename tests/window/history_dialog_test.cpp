// 取得履歴, the real dialog opened by the window's button, on a store of three runs written by
// the program's own watch: the runs, the selected run's rows, its export, a listing opened, and
// old runs forgotten.
#include "app/window/history_dialog.h"

#include <functional>
#include <vector>

#include <QApplication>
#include <QDate>
#include <QDateEdit>
#include <QDesktopServices>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/core/run_options.h"
#include "catalogue/catalogue_db.h"
#include "extract/csv_output.h"
#include "tests/app_core/child_process.h"
#include "tests/window/window_fixture.h"
#include "watch/run_watch.h"
#include "web/cp932.h"

// Stands in for the desktop's browser: QDesktopServices hands it every https address.
class UrlReceiver : public QObject {
    Q_OBJECT
public:
    QStringList opened;
public slots:
    void open(const QUrl& url) { opened << url.toString(); }
};

namespace vorn::test {
namespace {

struct Listing {
    int id;
    const char* title;
    const char* price;
    bool closed;
};

ItemFields FieldsOf(const Listing& listing) {
    ItemFields fields;
    fields[kPostId] = std::to_string(1000000 + listing.id);
    fields[kTitle] = UTF8ToAnsi(listing.title);
    fields[kPrice] = UTF8ToAnsi(listing.price);
    fields[kReception] = UTF8ToAnsi(listing.closed ? "受付終了" : "申し込み可");
    fields[kDetailUrl] = "https://127.0.0.1:1/article/" + fields[kPostId];
    return fields;
}

struct StoredRunCase {
    WriteMode mode;
    bool automatic;
    std::vector<Listing> read;
    const char* outcome;
};

class HistoryDialogTest : public WindowTest {
protected:
    // Three runs as a crawl keeps them, the first two moved to earlier days.
    void StoreRuns() {
        const StoredRunCase runs[] = {
            {WriteMode::All,
             false,
             {{1, "ソファ", "12,000円", false}, {2, "テレビ", "9,800円", false}},
             "rows written"},
            {WriteMode::ChangesOnly,
             true,
             {{1, "ソファ", "9,800円", false}, {2, "テレビ", "9,800円", false}, {3, "冷蔵庫", "5,000円", false}},
             "rows written"},
            {WriteMode::All, false, {{2, "テレビ", "9,800円", true}}, "stopped"},
        };
        CatalogueDb db;
        db.Configure(programDir.databaseFile());
        CrawlSelection selection;
        selection.areaTexts = {UTF8ToAnsi("東京都")};
        selection.areaChecked = {true};
        selection.allGenres = true;
        for (const StoredRunCase& run : runs) {
            RunWatch watch(db, run.mode);
            watch.Begin(selection, WriteModeName(run.mode));
            if (run.automatic) {
                watch.MarkAutomatic();
            }
            for (const Listing& listing : run.read) {
                const ItemFields fields = FieldsOf(listing);
                const ListingWatch::Verdict verdict = watch.Judge(fields);
                watch.Recorded(fields, verdict, verdict.write);
            }
            watch.Delivered(true);
            watch.End(run.outcome);
        }
        db.Execute("UPDATE T22_RUN SET Started = '2020-01-0' || RunID || ' 06:00:00' WHERE RunID < 3");
    }

    // Opens the dialog by the window's button and lets act use it while it is open.
    bool WithDialog(const std::function<void(HistoryDialog&)>& act) {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<HistoryDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            opened = dialog->windowTitle() == Utf8("取得履歴");
            act(*dialog);
            dialog->reject();
        });
        window->btnHistory->click();
        return opened;
    }

    static std::vector<QStringList> Texts(const QTreeWidget& runs) {
        std::vector<QStringList> texts;
        for (int row = 0; row < runs.topLevelItemCount(); ++row) {
            QStringList line;
            for (int column = 1; column < runs.columnCount(); ++column) {
                line << runs.topLevelItem(row)->text(column);
            }
            texts.push_back(line);
        }
        return texts;
    }

    static std::vector<QStringList> Texts(const QTableView& rows) {
        std::vector<QStringList> texts;
        for (int row = 0; row < rows.model()->rowCount(); ++row) {
            QStringList line;
            for (int column = 0; column < rows.model()->columnCount(); ++column) {
                line << rows.model()->index(row, column).data().toString();
            }
            texts.push_back(line);
        }
        return texts;
    }

    TempDir out;
};

QStringList Line(std::initializer_list<const char*> texts) {
    QStringList line;
    for (const char* text : texts) {
        line << Utf8(text);
    }
    return line;
}

QString Url(int id) { return QStringLiteral("https://127.0.0.1:1/article/%1").arg(1000000 + id); }

TEST_F(HistoryDialogTest, ShowsTheRunsAndTheirRowsWritesARunAgainOpensAListingAndForgetsOldRuns) {
    StoreRuns();
    Open();
    UrlReceiver browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
    const QString csv = QString::fromStdString((out.path() / "run").string());
    ASSERT_TRUE(WithDialog([&](HistoryDialog& dialog) {
        const std::vector<QStringList> runs = {
            Line({"東京都 / 全ジャンル", "すべて", "中断", "1", "0", "0", "0", "0", "1"}),
            Line({"東京都 / 全ジャンル", "新着・変化のみ（自動）", "完了", "2", "1", "0", "1", "0", "0"}),
            Line({"東京都 / 全ジャンル", "すべて", "完了", "2", "2", "0", "0", "0", "0"}),
        };
        EXPECT_EQ(Texts(*dialog.lstRuns), runs);
        EXPECT_EQ(dialog.lstRuns->topLevelItem(2)->text(0), QStringLiteral("2020-01-01 06:00:00"));
        const std::vector<std::vector<QStringList>> rows = {
            {Line({"受付終了", "テレビ", "9,800円", "受付終了"}) << Url(2)},
            {Line({"値下げ 12,000円→9,800円", "ソファ", "9,800円", "申し込み可"}) << Url(1),
             Line({"新着", "冷蔵庫", "5,000円", "申し込み可"}) << Url(3)},
            {Line({"新着", "ソファ", "12,000円", "申し込み可"}) << Url(1),
             Line({"新着", "テレビ", "9,800円", "申し込み可"}) << Url(2)},
        };
        for (int run = 0; run < 3; ++run) {
            dialog.lstRuns->setCurrentItem(dialog.lstRuns->topLevelItem(run));
            EXPECT_EQ(Texts(*dialog.grdRows), rows[run]) << run;
        }

        // The first run, as its own CSV file had it, and as a workbook by the third type.
        prompt.QueueSaveFile(csv, 0);
        dialog.btnExport->click();
        prompt.QueueSaveFile(csv, 2);
        dialog.btnExport->click();

        // A double click and Enter open the listing of the row.
        // A widget's double click comes after the press of its first click, as from a mouse.
        const QPoint second = dialog.grdRows->visualRect(dialog.grdRows->model()->index(1, 1)).center();
        QTest::mouseClick(dialog.grdRows->viewport(), Qt::LeftButton, {}, second);
        QTest::mousePress(dialog.grdRows->viewport(), Qt::LeftButton, {}, second);
        QTest::mouseDClick(dialog.grdRows->viewport(), Qt::LeftButton, {}, second);
        QTest::mouseRelease(dialog.grdRows->viewport(), Qt::LeftButton, {}, second);
        dialog.grdRows->setCurrentIndex(dialog.grdRows->model()->index(0, 0));
        QTest::keyClick(dialog.grdRows, Qt::Key_Return);

        // Before 2020-01-02: asked first; No keeps the run, Yes forgets it.
        dialog.dtpBefore->setDate(QDate(2020, 1, 2));
        prompt.QueueQuestion(false);
        dialog.btnForget->click();
        EXPECT_EQ(dialog.lstRuns->topLevelItemCount(), 3);
        prompt.QueueQuestion(true);
        dialog.btnForget->click();
        EXPECT_EQ(Texts(*dialog.lstRuns), std::vector<QStringList>(runs.begin(), runs.begin() + 2));
    }));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    EXPECT_EQ(browser.opened.join(QLatin1Char(' ')).toStdString(), (Url(2) + QLatin1Char(' ') + Url(1)).toStdString());

    std::string expected = CsvFileStart(CsvEncoding::Cp932);
    for (const Listing& listing : {Listing{1, "ソファ", "12,000円", false}, Listing{2, "テレビ", "9,800円", false}}) {
        expected += BuildCsvRow(FieldsOf(listing)) + "\r\n";
    }
    EXPECT_EQ(ReadBytes(out.path() / "run.csv"), expected);
    EXPECT_EQ(ReadBytes(out.path() / "run.xlsx").substr(0, 2), "PK");
    const std::vector<PromptCall> questions = prompt.CallsOf(PromptCall::Kind::Question);
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].text, Utf8("2020-01-02 より前の取得履歴 1 件を削除します。\nよろしいですか？"));
    EXPECT_EQ(questions[0].caption, Utf8("変更確認"));
    EXPECT_TRUE(prompt.AllAnswersUsed());
}

} // namespace
} // namespace vorn::test

#include "history_dialog_test.moc"
