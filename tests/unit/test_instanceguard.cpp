#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/tempdir.h"
#include "util/instanceguard.h"

using namespace Tormvale;

namespace {

// Runs the guard in a child process and reports what it saw; the child keeps the guard until
// told to go (by a byte on the pipe) or killed.
struct Holder {
    pid_t pid = -1;
    int release = -1;
};

Holder HoldInChild(GuardState* state) {
    int toChild[2];
    int fromChild[2];
    EXPECT_EQ(::pipe(toChild), 0);
    EXPECT_EQ(::pipe(fromChild), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const GuardState s = AcquireInstanceGuard(GuardName);
        const char c = static_cast<char>(s);
        (void)!::write(fromChild[1], &c, 1);
        char dummy;
        (void)!::read(toChild[0], &dummy, 1);
        ::_exit(0);
    }
    char c = -1;
    EXPECT_EQ(::read(fromChild[0], &c, 1), 1);
    *state = static_cast<GuardState>(c);
    ::close(fromChild[0]);
    ::close(fromChild[1]);
    ::close(toChild[0]);
    return {pid, toChild[1]};
}

void Reap(pid_t pid) {
    int status;
    ::waitpid(pid, &status, 0);
}

}  // namespace

TEST(InstanceGuard, OneHolderAtATimeAndFreedHoweverTheHolderEnds) {
    Testing::TempDir run;
    Testing::ScopedEnv env("XDG_RUNTIME_DIR", run.Path().c_str());
    GuardState first;
    GuardState second;
    Holder a = HoldInChild(&first);
    EXPECT_EQ(first, GuardState::Acquired);
    Holder b = HoldInChild(&second);
    EXPECT_EQ(second, GuardState::HeldElsewhere);
    (void)!::write(b.release, "x", 1);
    Reap(b.pid);

    // The holder is killed outright: the kernel drops the lock.
    ::kill(a.pid, SIGKILL);
    Reap(a.pid);
    GuardState third;
    Holder c = HoldInChild(&third);
    EXPECT_EQ(third, GuardState::Acquired);

    // And it ends normally: the next one gets it again.
    (void)!::write(c.release, "x", 1);
    Reap(c.pid);
    GuardState fourth;
    Holder d = HoldInChild(&fourth);
    EXPECT_EQ(fourth, GuardState::Acquired);
    (void)!::write(d.release, "x", 1);
    Reap(d.pid);
    for (int fd : {a.release, b.release, c.release, d.release}) ::close(fd);
}

TEST(InstanceGuard, LockFileLivesInTheRuntimeFolder) {
    Testing::TempDir run;
    Testing::ScopedEnv env("XDG_RUNTIME_DIR", run.Path().c_str());
    EXPECT_EQ(GuardFilePath("Varnopile/Tormvale"), run / "Varnopile_Tormvale.lock");
}

TEST(InstanceGuard, WithoutRuntimeFolderUsesAPrivateTempFolder) {
    Testing::TempDir tmp;
    Testing::ScopedEnv env("XDG_RUNTIME_DIR", nullptr);
    Testing::ScopedEnv t("TMPDIR", tmp.Path().c_str());
    const std::string path = GuardFilePath(GuardName);
    EXPECT_EQ(path, tmp / ("varnopile-" + std::to_string(::getuid()) + "/Varnopile_Tormvale.lock"));

    // A folder of that name that others can write into is not trusted.
    Testing::TempDir tmp2;
    Testing::ScopedEnv t2("TMPDIR", tmp2.Path().c_str());
    const std::string shared = tmp2 / ("varnopile-" + std::to_string(::getuid()));
    ::mkdir(shared.c_str(), 0777);
    ::chmod(shared.c_str(), 0777);
    EXPECT_EQ(GuardFilePath(GuardName), "");
    EXPECT_EQ(AcquireInstanceGuard("Varnopile/TormvaleTest"), GuardState::Unavailable);
}

// A runtime folder that others may write to, or that is not the user's, could hold the lock for
// us: it is passed over as if it were missing.
TEST(InstanceGuard, RuntimeFolderOnlyWhenItIsTheUsersAlone) {
    const uid_t me = ::getuid();
    const struct {
        const char* what;
        mode_t mode;
        bool link;
        bool runtime;  // else the fallback
    } cases[] = {
        // Which owners and modes count is OnlyUserCanChange's own test; here, that the guard asks it.
        {"private", 0700, false, true},
        {"anyone may write", 01777, false, false},
        {"a link to it", 0700, true, false},
        {"missing", 0, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Testing::TempDir base, tmp;
        const std::string real = base / "real", runtime = c.link ? base / "link" : real;
        if (c.mode) {
            ASSERT_EQ(::mkdir(real.c_str(), 0700) | ::chmod(real.c_str(), c.mode), 0);
        }
        if (c.link) {
            ASSERT_EQ(::symlink(real.c_str(), runtime.c_str()), 0);
        }
        Testing::ScopedEnv env("XDG_RUNTIME_DIR", runtime.c_str());
        Testing::ScopedEnv t("TMPDIR", tmp.Path().c_str());
        const std::string fallback = tmp / ("varnopile-" + std::to_string(me) + "/Varnopile_Tormvale.lock");
        EXPECT_EQ(GuardFilePath(GuardName, me), c.runtime ? runtime + "/Varnopile_Tormvale.lock" : fallback);
    }
}
