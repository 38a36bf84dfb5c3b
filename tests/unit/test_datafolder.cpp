#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "tests/support/tempdir.h"
#include "util/datafolder.h"

using namespace Tormvale;
using Testing::ScopedEnv;
using Testing::TempDir;

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

}  // namespace

TEST(SpecialFolders, FollowTheXdgVariablesAndTheirFallbacks) {
    TempDir home;
    ScopedEnv h("HOME", home.Path().c_str());
    struct Case {
        std::uint8_t index;
        const char* var;
        const char* value;
        std::string expected;
    };
    const Case cases[] = {
        {1, "XDG_CONFIG_HOME", "/srv/conf", "/srv/conf"},
        {1, "XDG_CONFIG_HOME", nullptr, home / ".config"},
        {1, "XDG_CONFIG_HOME", "relative/conf", home / ".config"},  // relative values are ignored
        {2, "XDG_DATA_HOME", "/srv/data", "/srv/data"},
        {2, "XDG_DATA_HOME", nullptr, home / ".local/share"},
        {3, "XDG_CONFIG_DIRS", "/opt/a:/opt/b", "/opt/a"},
        {3, "XDG_CONFIG_DIRS", ":rel:/opt/b", "/opt/b"},
        {3, "XDG_CONFIG_DIRS", nullptr, "/etc/xdg"},
        {5, "XDG_DATA_DIRS", "/usr/share:/x", "/usr/share"},
        {5, "XDG_DATA_DIRS", nullptr, "/usr/local/share"},
    };
    for (const Case& c : cases) {
        ScopedEnv env(c.var, c.value);
        EXPECT_EQ(GetSpecialFolderPath(c.index), c.expected) << int(c.index) << " " << (c.value ? c.value : "(unset)");
    }
    EXPECT_EQ(GetSpecialFolderPath(6), "");
    EXPECT_EQ(GetSpecialFolderPath(255), "");
}

TEST(SpecialFolders, UserDirsComeFromUserDirsFile) {
    TempDir home;
    ScopedEnv h("HOME", home.Path().c_str());
    ScopedEnv c("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(GetSpecialFolderPath(0), home / "Documents");
    EXPECT_EQ(GetSpecialFolderPath(4), home / "Pictures");
    ::mkdir((home / ".config").c_str(), 0700);
    std::ofstream(home / ".config/user-dirs.dirs") << "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/文書\"\n"
                                                   << "XDG_PICTURES_DIR=\"/data/pics\"\n";
    EXPECT_EQ(GetSpecialFolderPath(0), home / "文書");
    EXPECT_EQ(GetSpecialFolderPath(4), "/data/pics");
}

TEST(PrepareDataFolder, CreatesEachLevelPrivately) {
    TempDir home;
    ScopedEnv h("HOME", home.Path().c_str());
    ScopedEnv c("XDG_CONFIG_HOME", nullptr);
    // A fresh account: not even ~/.config exists yet.
    ASSERT_TRUE(PrepareDataFolder("Varnopile", false));
    EXPECT_EQ(UserDataFolder, home / ".config/Tormvale/Varnopile/");
    EXPECT_TRUE(IsDirectory(UserDataFolder));
    EXPECT_EQ(ModeOf(home / ".config/Tormvale"), 0700u);
    EXPECT_EQ(ModeOf(home / ".config/Tormvale/Varnopile"), 0700u);
    // Present already: nothing changes, still true.
    std::ofstream(UserDataFolder + "Varnopile.ini") << "x";
    ASSERT_TRUE(PrepareDataFolder("Varnopile", false));
    EXPECT_TRUE(std::ifstream(UserDataFolder + "Varnopile.ini").good());
}

TEST(PrepareDataFolder, RefusesWhatIsNotAFolder) {
    struct Case {
        const char* what;
        void (*arrange)(const TempDir&);
        bool expected;
    };
    const Case cases[] = {
        {"a file named Varnopile",
         [](const TempDir& d) {
             ::mkdir((d / "conf/Tormvale").c_str(), 0700);
             std::ofstream(d / "conf/Tormvale/Varnopile") << "";
         },
         false},
        {"a file named Tormvale", [](const TempDir& d) { std::ofstream(d / "conf/Tormvale") << ""; }, false},
        {"Tormvale links to a folder",
         [](const TempDir& d) {
             ::mkdir((d / "elsewhere").c_str(), 0700);
             ASSERT_EQ(::symlink((d / "elsewhere").c_str(), (d / "conf/Tormvale").c_str()), 0);
         },
         true},
        {"Varnopile is a dangling link",
         [](const TempDir& d) {
             ::mkdir((d / "conf/Tormvale").c_str(), 0700);
             ASSERT_EQ(::symlink((d / "missing").c_str(), (d / "conf/Tormvale/Varnopile").c_str()), 0);
         },
         false},
    };
    for (const Case& c : cases) {
        TempDir d;
        ::mkdir((d / "conf").c_str(), 0700);
        c.arrange(d);
        ScopedEnv env("XDG_CONFIG_HOME", (d / "conf").c_str());
        EXPECT_EQ(PrepareDataFolder("Varnopile", false), c.expected) << c.what;
        if (c.expected) {
            EXPECT_TRUE(IsDirectory(d / "elsewhere/Varnopile")) << c.what;
        }
    }
}

TEST(PrepareDataFolder, FailsWhereNothingCanBeCreated) {
    // /proc refuses new folders even to root, so this holds however the tests run.
    ScopedEnv env("XDG_CONFIG_HOME", "/proc/varnopile-no-such-folder");
    EXPECT_FALSE(PrepareDataFolder("Varnopile", false));
    ScopedEnv none("XDG_CONFIG_HOME", nullptr);
    ScopedEnv nohome("HOME", "/proc/self/no-home");
    EXPECT_FALSE(PrepareDataFolder("Varnopile", false));
}

TEST(PrepareDataFolder, CommonFolderGoesToItsOwnVariable) {
    TempDir d;
    ScopedEnv env("XDG_CONFIG_DIRS", d.Path().c_str());
    const std::string before = UserDataFolder;
    ASSERT_TRUE(PrepareDataFolder("Varnopile", true));
    EXPECT_EQ(CommonDataFolder, d / "Tormvale/Varnopile/");
    EXPECT_EQ(UserDataFolder, before);
}

TEST(OnlyUserCanChange, OwnerAndWriteBits) {
    const uid_t me = ::getuid();
    struct Case {
        const char* what;
        bool file;
        mode_t mode;
        uid_t user;
        bool expected;
    };
    const Case cases[] = {
        {"private folder", false, 0700, me, true},
        {"folder others may read", false, 0755, me, true},
        {"group may write", false, 0770, me, false},
        {"others may write", false, 0703, me, false},
        {"sticky, anyone may write", false, 01777, me, false},
        {"someone else's", false, 0700, me + 4242, false},
        {"read-only file", true, 0444, me, true},
        {"file the group may write", true, 0620, me, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir d;
        const std::string path = d / "item";
        c.file ? void(std::ofstream(path) << "x") : void(::mkdir(path.c_str(), 0700));
        ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
        EXPECT_EQ(OnlyUserCanChange(path, c.user), c.expected);
        // A link to it passes only when followed.
        ASSERT_EQ(::symlink(path.c_str(), (d / "link").c_str()), 0);
        EXPECT_EQ(OnlyUserCanChange(d / "link", c.user), c.expected);
        EXPECT_FALSE(OnlyUserCanChange(d / "link", c.user, false));
    }
    EXPECT_FALSE(OnlyUserCanChange("/nonexistent/varnopile", me));
}
