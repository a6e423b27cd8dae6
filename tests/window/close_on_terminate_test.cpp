// The program itself, ended by SIGTERM as a session ends it: it closes as by its close button and
// saves its settings in the folder it keeps its files in, beside it or in the user's data folder.
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include "tests/support/test_program_dir.h"

namespace vorn::test {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

QString Text(const fs::path& path) { return QString::fromStdString(path.string()); }

// Whether the process holds a lock, read from the kernel's list: trying the lock ourselves could
// make the program meet it and end as a second instance.
bool HoldsALock(qint64 pid) {
    std::ifstream locks("/proc/locks");
    std::string number, kind, mode, access, owner;
    std::string rest;
    while (locks >> number >> kind >> mode >> access >> owner && std::getline(locks, rest)) {
        if (kind == "FLOCK" && owner == std::to_string(pid)) {
            return true;
        }
    }
    return false;
}

TEST(CloseOnTerminateTest, SigtermSavesTheSettingsWhereTheProgramKeepsItsFiles) {
    struct Case {
        const char* name;
        bool installed; // bin/ and share/vorn-search/ of an installed tree, and a fresh home
    };
    for (const Case& c : {Case{"program folder with its db/", false}, Case{"installed tree", true}}) {
        SCOPED_TRACE(c.name);
        TempDir root;
        TempDir runtime;
        const fs::path home = root.path() / "home";
        const fs::path bin = c.installed ? root.path() / "usr" / "bin" : root.path() / "folder";
        const fs::path keptIn = c.installed ? home / ".local" / "share" / "vorn-search" : bin;
        fs::create_directories(home);
        fs::create_directories(c.installed ? root.path() / "usr" / "share" / "vorn-search" : bin / "db");
        fs::create_directories(bin);
        fs::copy_file(fs::path(VORN_BIN_DIR) / "vorn-search", bin / "vorn-search");
        fs::copy_file(VORN_BUILT_DB, c.installed ? root.path() / "usr" / "share" / "vorn-search" / "vrn_data.db"
                                                 : bin / "db" / "vrn_data.db");

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), Text(runtime.path()));
        environment.insert(QStringLiteral("HOME"), Text(home));
        environment.remove(QStringLiteral("XDG_DATA_HOME"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setProgram(Text(bin / "vorn-search"));
        program.start();
        ASSERT_TRUE(program.waitForStarted());

        // Held from before the window exists: a SIGTERM from then on waits for the window.
        QElapsedTimer timer;
        timer.start();
        while (program.state() == QProcess::Running && !HoldsALock(program.processId()) && timer.elapsed() < 30000) {
            QThread::msleep(20);
        }
        ASSERT_EQ(program.state(), QProcess::Running) << program.readAllStandardError().toStdString();
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        ASSERT_TRUE(program.waitForFinished(60000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);

        const std::string settings = ReadBytes(keptIn / "db" / "vrn.ini");
        EXPECT_EQ(settings.rfind("[Config]\r\nWord=\r\nAreasel=0\r\n", 0), 0u) << settings;
        EXPECT_TRUE(fs::is_regular_file(keptIn / "db" / "vrn_data.db"));
        EXPECT_FALSE(fs::exists(bin / "db" / "vrn.ini") && c.installed)
            << "nothing written beside an installed program";
        EXPECT_EQ(fs::exists(home / ".local"), c.installed) << "the home is used only when installed";
    }
}

} // namespace
} // namespace vorn::test
