#include "app/core/instance_lock.h"

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/test_program_dir.h"

namespace vorn {
namespace {

// Whether a fresh process gets the lock: the answer of a forked child's AcquireFile.
bool ChildAcquires(const std::filesystem::path& file) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(InstanceLock::AcquireFile(file) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A child that takes the lock and then waits to be killed or told to go.
class Holder {
public:
    explicit Holder(const std::filesystem::path& file) {
        int ready[2];
        int go[2];
        EXPECT_EQ(::pipe(ready), 0);
        EXPECT_EQ(::pipe(go), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(go[1]);
            const auto lock = InstanceLock::AcquireFile(file);
            const char answer = lock ? '1' : '0';
            [[maybe_unused]] ssize_t ignored = ::write(ready[1], &answer, 1);
            char byte = 0;
            ignored = ::read(go[0], &byte, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(go[0]);
        goFd_ = go[1];
        char answer = 0;
        held_ = ::read(ready[0], &answer, 1) == 1 && answer == '1';
        ::close(ready[0]);
    }
    ~Holder() { Kill(); }

    bool held() const { return held_; }
    void Exit() { Finish(false); }
    void Kill() { Finish(true); }

private:
    void Finish(bool kill) {
        if (pid_ <= 0) {
            return;
        }
        if (kill) {
            ::kill(pid_, SIGKILL);
        }
        ::close(goFd_);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    pid_t pid_ = -1;
    int goFd_ = -1;
    bool held_ = false;
};

class InstanceLockTest : public ::testing::Test {
protected:
    std::filesystem::path LockFile() const { return dir_.path() / "Vorn_Search.lock"; }
    test::TempDir dir_;
};

TEST_F(InstanceLockTest, ASecondProcessIsRefusedWhileTheFirstHoldsIt) {
    auto lock = InstanceLock::AcquireFile(LockFile());
    ASSERT_TRUE(lock);
    EXPECT_FALSE(ChildAcquires(LockFile()));
    lock.reset();
    EXPECT_TRUE(ChildAcquires(LockFile()));
}

TEST_F(InstanceLockTest, IsFreeAgainWhenTheHolderEndsOrIsKilled) {
    Holder exiting(LockFile());
    ASSERT_TRUE(exiting.held());
    EXPECT_FALSE(InstanceLock::AcquireFile(LockFile()));
    exiting.Exit();
    EXPECT_TRUE(InstanceLock::AcquireFile(LockFile()));

    Holder killed(LockFile());
    ASSERT_TRUE(killed.held());
    EXPECT_FALSE(InstanceLock::AcquireFile(LockFile()));
    killed.Kill();
    EXPECT_TRUE(InstanceLock::AcquireFile(LockFile()));
}

TEST_F(InstanceLockTest, ASymbolicLinkInPlaceOfTheFileIsNotFollowed) {
    const std::filesystem::path target = dir_.path() / "elsewhere";
    std::filesystem::create_symlink(target, LockFile());
    EXPECT_FALSE(InstanceLock::AcquireFile(LockFile()));
    EXPECT_FALSE(std::filesystem::exists(target));
}

} // namespace
} // namespace vorn
