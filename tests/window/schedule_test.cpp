// A saved search's output and daily run set in 取得オプション: the units 保存 writes are those the
// terminal program's schedule writes, 削除 removes them, and the window tells the next run.
#include <filesystem>
#include <fstream>
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
#include "tests/support/scoped_environment.h"
#include "tests/window/window_fixture.h"
#include "web/cp932.h"

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
        // No way to a service manager: systemctl --user fails, as on this machine.
        environment.Set("XDG_CONFIG_HOME", windowConfig.path().string());
        environment.Set("XDG_RUNTIME_DIR", runtime.path().string());
        environment.Set("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
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
    TempDir runtime;
    ScopedEnvironment environment;
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
    environment.Set("XDG_CONFIG_HOME", cliConfig.path().string());
    const ChildResult scheduled = ChildProcess(cli, {"schedule", kName, "07:00"}, output.path(), output.path()).Wait();
    environment.Set("XDG_CONFIG_HOME", windowConfig.path().string());
    ASSERT_EQ(scheduled.exitCode, 0) << scheduled.err;
    std::map<std::string, std::string> cliUnits;
    for (const auto& [name, bytes] : FilesUnder(cliConfig.path())) {
        cliUnits[name] = ReplaceAll(bytes, cli.string(), (fs::path(VORN_BIN_DIR) / "vorn-search-cli").string());
    }
    EXPECT_EQ(windowUnits, cliUnits);
    EXPECT_EQ(SettingsText(), saved) << "schedule wrote the search as the window saved it";

    // The window tells the next run from its start, and a last run that failed.
    ASSERT_TRUE(Close());
    std::ofstream(programDir.db() / "vrn_runs.ini", std::ios::binary)
        << "[Saved:" << UTF8ToAnsi(kName) << "]\r\nEnd=2026-12-09 07:00:31\r\nExit=3\r\n";
    Reopen();
    const QString status = window->lblStatus->text();
    EXPECT_TRUE(status.startsWith(Utf8("次回の自動実行: "))) << status.toStdString();
    EXPECT_TRUE(status.endsWith(
        Utf8("前回の自動実行は失敗しました: 12/09 07:00 ソファ 東京 100%（サイトにアクセスできませんでした）")))
        << status.toStdString();

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
