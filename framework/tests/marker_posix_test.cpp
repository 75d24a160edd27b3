// The POSIX single-instance marker: another user can neither hold it nor
// plant it, and a start that finds it held says so.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/native.h"
#include "framework/window.h"
#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

namespace {

constexpr uid_t kOtherUser = 65534;  // nobody

using testing_support::ScopedEnv;

// A directory of another user, holding a marker file locked by "them".
struct ForeignDir {
    testing_support::ScopedTempDir dir;
    std::string lockPath;
    int fd = -1;
    bool ok = false;

    explicit ForeignDir(const char* className) {
        lockPath = dir.path() + "/" + className + ".lock";
        fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT, 0666);
        ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
             ::chown(dir.path().c_str(), kOtherUser, kOtherUser) == 0 &&
             ::chmod(dir.path().c_str(), 0700) == 0;
    }
    ~ForeignDir() {
        if (fd >= 0) ::close(fd);
        ::chown(dir.path().c_str(), ::geteuid(), ::getegid());
    }
};

class Marker : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "needs root to make another user's directory";
    }
    testing_support::ScopedTempDir tmp;  // stands in for /tmp
};

// XDG_RUNTIME_DIR names another user's directory where a lock is held: it
// is not used, and nothing is found.
TEST_F(Marker, ALockInAnotherUsersRuntimeDirectoryStopsNothing) {
    ForeignDir foreign("MARKER_TEST_A");
    ASSERT_TRUE(foreign.ok);
    ScopedEnv runtime("XDG_RUNTIME_DIR", foreign.dir.path().c_str());
    ScopedEnv tmpdir("TMPDIR", tmp.path().c_str());
    testing::internal::CaptureStderr();
    EXPECT_EQ(fw::FindTopLevelWindow("MARKER_TEST_A"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // The marker lives in a private directory of this user instead.
    struct stat st {};
    std::string own = tmp.path() + "/talcheck-" + std::to_string(::geteuid());
    ASSERT_EQ(::lstat(own.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

// Another user has made the private directory's name first: the start goes
// on without a marker and says so.
TEST_F(Marker, APlantedPrivateDirectoryIsRefusedAndSaidSo) {
    std::string own = tmp.path() + "/talcheck-" + std::to_string(::geteuid());
    ASSERT_EQ(::mkdir(own.c_str(), 0777), 0);
    ASSERT_EQ(::chown(own.c_str(), kOtherUser, kOtherUser), 0);
    ScopedEnv runtime("XDG_RUNTIME_DIR", "");
    ScopedEnv tmpdir("TMPDIR", tmp.path().c_str());
    EXPECT_EQ(fw::FindTopLevelWindow("MARKER_TEST_B"), nullptr);
    struct stat st {};
    EXPECT_NE(::stat((own + "/MARKER_TEST_B.lock").c_str(), &st), 0);
    ::chown(own.c_str(), ::geteuid(), ::getegid());
}

// A marker held by another copy: found, and the skipped start leaves a line
// on stderr.
TEST_F(Marker, AHeldMarkerIsFoundAndTheSkipIsReported) {
    ScopedEnv runtime("XDG_RUNTIME_DIR", "");
    ScopedEnv tmpdir("TMPDIR", tmp.path().c_str());
    EXPECT_EQ(fw::FindTopLevelWindow("MARKER_TEST_C"), nullptr);  // makes the directory
    std::string lock =
        tmp.path() + "/talcheck-" + std::to_string(::geteuid()) + "/MARKER_TEST_C.lock";
    int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    testing::internal::CaptureStderr();
    EXPECT_NE(fw::FindTopLevelWindow("MARKER_TEST_C"), nullptr);
    std::string said = testing::internal::GetCapturedStderr();
    ::close(fd);
    EXPECT_NE(said.find("another process holds " + lock), std::string::npos) << said;
}

}  // namespace
