// The program itself, started as a user starts it: one instance at a time.
#include <csignal>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include "app/core/instance_lock.h"
#include "tests/support/test_program_dir.h"

namespace vorn::test {
namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(std::filesystem::path(VORN_BIN_DIR) / "vorn-search",
                                   programDir.path() / "vorn-search");
        // A lock of our own, so that a vorn-search the user runs does not meet the tests'.
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.path().string()));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        previousRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.path().string()));
    }

    void TearDown() override {
        for (QProcess* process : {&first, &later}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished();
            }
        }
        qputenv("XDG_RUNTIME_DIR", previousRuntime);
    }

    void Launch(QProcess& process) {
        process.setProcessEnvironment(environment);
        process.setProgram(QString::fromStdString((programDir.path() / "vorn-search").string()));
        process.start();
        ASSERT_TRUE(process.waitForStarted());
    }

    // Waits until the process holds the lock (it then runs as the one instance).
    bool HoldsTheLock(QProcess& process) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 30000) {
            if (process.state() == QProcess::NotRunning) {
                return false;
            }
            if (!InstanceLock::Acquire("Vorn_Search")) {
                return true;
            }
            QThread::msleep(20);
        }
        return false;
    }

    TestProgramDir programDir;
    TempDir runtime;
    QProcessEnvironment environment;
    QByteArray previousRuntime;
    QProcess first;
    QProcess later;
};

TEST_F(SingleInstanceTest, ASecondStartEndsAtOnceWithExitCodeOne) {
    Launch(first);
    ASSERT_TRUE(HoldsTheLock(first));

    QProcess second;
    Launch(second);
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    EXPECT_EQ(first.state(), QProcess::Running) << "the first instance is not disturbed";
}

TEST_F(SingleInstanceTest, ANewStartSucceedsOnceTheFirstHasEnded) {
    for (int signal : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        Launch(first);
        ASSERT_TRUE(HoldsTheLock(first));
        ::kill(static_cast<pid_t>(first.processId()), signal);
        ASSERT_TRUE(first.waitForFinished(30000));

        Launch(later);
        EXPECT_TRUE(HoldsTheLock(later));
        later.kill();
        later.waitForFinished();
    }
}

} // namespace
} // namespace vorn::test
