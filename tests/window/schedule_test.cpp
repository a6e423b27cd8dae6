// A saved search's output and daily run set in 取得オプション: the units 保存 writes are those the
// terminal program's schedule writes, 削除 removes them, and the window tells the next run.
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTime>
#include <QTimeEdit>
#include <QTimer>

#include "app/window/options_dialog.h"
#include "app/window/schedule_box.h"
#include "tests/app_core/child_process.h"
#include "tests/window/window_fixture.h"

namespace vorn::test {
namespace {

namespace fs = std::filesystem;

const char* const kName = "ソファ 東京 100%";

// Every file under a folder by its path from there, with its bytes (a link: where it leads).
std::map<std::string, std::string> FilesUnder(const fs::path& folder) {
    std::map<std::string, std::string> files;
    if (!fs::exists(folder)) {
        return files;
    }
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).string();
        if (entry.is_symlink()) {
            files[name] = "-> " + fs::read_symlink(entry.path()).lexically_relative(folder).string();
        } else if (entry.is_regular_file()) {
            files[name] = ReadBytes(entry.path());
        }
    }
    return files;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

class ScheduleDialogTest : public WindowTest {
protected:
    ScheduleDialogTest() {
        ::setenv("XDG_CONFIG_HOME", windowConfig.path().c_str(), 1);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    void WithDialog(const std::function<void(OptionsDialog&)>& act) {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<OptionsDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            act(*dialog);
            dialog->reject();
        });
        window->btnOption->click();
    }

    TempDir windowConfig;
    TempDir cliConfig;
    TempDir output;
};

TEST_F(ScheduleDialogTest, SaveWritesTheUnitsTheTerminalProgramWritesAndDeleteRemovesThem) {
    Open();
    ClickCheckBox(Area(12)); // 東京都
    ClickCheckBox(Node(node::kSofa));
    const std::string before = SettingsText();
    // Refused before anything is written, naming the field's fault.
    const std::pair<QString, const char*> refused[] = {
        {QString(), "自動実行には出力ファイルを指定してください。"},
        {QStringLiteral("sofa.csv"), "出力ファイルは「/」から始まるパスで指定してください。"},
        {QString::fromStdString((output.path() / "sofa.txt").string()),
         "出力ファイルは .csv か .xlsx にしてください。"},
        {QStringLiteral("/nonexistent/sofa.csv"), "出力ファイルのフォルダが見つかりません。"},
    };
    for (const auto& [text, says] : refused) {
        prompt.ClearCalls();
        WithDialog([&](OptionsDialog& dialog) {
            dialog.txtSavedName->setText(Utf8(kName));
            dialog.schedule->txtOutput->setText(text);
            dialog.schedule->chkSchedule->setChecked(true);
            dialog.btnSave->click();
        });
        ASSERT_EQ(prompt.CallsOf(PromptCall::Kind::Information).size(), 1u) << says;
        EXPECT_EQ(prompt.CallsOf(PromptCall::Kind::Information)[0].text, Utf8(says));
        EXPECT_EQ(SettingsText(), before) << says;
        EXPECT_TRUE(FilesUnder(windowConfig.path()).empty()) << says;
    }

    const QString chosen = QString::fromStdString((output.path() / "sofa_{date}").string());
    prompt.QueueSaveFile(chosen, 1);
    WithDialog([&](OptionsDialog& dialog) {
        dialog.txtSavedName->setText(Utf8(kName));
        dialog.schedule->btnOutput->click();
        dialog.schedule->chkSchedule->setChecked(true);
        dialog.schedule->timSchedule->setTime(QTime(7, 0));
        dialog.btnSave->click();
        const QString status = dialog.schedule->lblNextRun->text();
        EXPECT_TRUE(status.startsWith(Utf8("次回の自動実行: "))) << status.toStdString();
        EXPECT_TRUE(status.contains(Utf8(" 07:00 ソファ 東京 100%"))) << status.toStdString();
    });
    EXPECT_EQ(prompt.lastSaveFilters.size(), 3);
    const std::string saved = SettingsText();
    EXPECT_NE(saved.find("\r\nOutput=" + chosen.toStdString() + ".csv\r\nSchedule=07:00\r\nEncoding=utf-8\r\n"),
              std::string::npos)
        << saved;
    const std::map<std::string, std::string> windowUnits = FilesUnder(windowConfig.path());
    ASSERT_EQ(windowUnits.size(), 3u) << "the service, the timer and its link: "
                                      << ::testing::PrintToString(windowUnits);

    // The terminal program on the same settings writes the same units, but for its own path.
    const fs::path cli = programDir.path() / "vorn-search-cli";
    fs::copy_file(fs::path(VORN_BIN_DIR) / "vorn-search-cli", cli);
    ::setenv("XDG_CONFIG_HOME", cliConfig.path().c_str(), 1);
    const ChildResult scheduled = ChildProcess(cli, {"schedule", kName, "07:00"}, output.path(), output.path()).Wait();
    ::setenv("XDG_CONFIG_HOME", windowConfig.path().c_str(), 1);
    ASSERT_EQ(scheduled.exitCode, 0) << scheduled.err;
    std::map<std::string, std::string> cliUnits;
    for (const auto& [name, bytes] : FilesUnder(cliConfig.path())) {
        cliUnits[name] = ReplaceAll(bytes, cli.string(), (fs::path(VORN_BIN_DIR) / "vorn-search-cli").string());
    }
    EXPECT_EQ(windowUnits, cliUnits);
    EXPECT_EQ(SettingsText(), saved) << "schedule wrote the search as the window saved it";

    // The window tells the next run from its start.
    ASSERT_TRUE(Close());
    Reopen();
    EXPECT_TRUE(window->lblStatus->text().startsWith(Utf8("次回の自動実行: ")))
        << window->lblStatus->text().toStdString();

    prompt.QueueQuestion(true);
    WithDialog([&](OptionsDialog& dialog) {
        dialog.lstSaved->setCurrentRow(0);
        EXPECT_EQ(dialog.schedule->txtOutput->text(), chosen + QStringLiteral(".csv"));
        EXPECT_TRUE(dialog.schedule->chkSchedule->isChecked());
        dialog.btnDelete->click();
    });
    for (const auto& [name, bytes] : FilesUnder(windowConfig.path())) {
        ADD_FAILURE() << name << " is left after 削除";
    }
    EXPECT_TRUE(prompt.AllAnswersUsed());
}

} // namespace
} // namespace vorn::test
