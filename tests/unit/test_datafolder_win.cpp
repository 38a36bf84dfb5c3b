// The data folder on Windows: under the roaming application data the shell names, one level at a
// time. The test's Wine prefix is its own, so its AppData is the test's to change.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "util/datafolder.h"

using namespace Tormvale;

namespace {

// Set by the system for every process: an oracle beside SHGetFolderPathW.
std::string AppData() {
    const char* v = std::getenv("APPDATA");
    return v ? v : "";
}

void Remove(const std::string& path) {
    RemoveDirectoryA(path.c_str());
    DeleteFileA(path.c_str());
}

}  // namespace

TEST(DataFolderWin, CreatedLevelByLevelUnderAppData) {
    const std::string appData = AppData();
    ASSERT_FALSE(appData.empty());
    EXPECT_EQ(GetSpecialFolderPath(1), appData);
    EXPECT_EQ(GetSpecialFolderPath(6), "");

    const std::string tormvale = appData + "\\Tormvale";
    const std::string name = "VarnopileTest" + std::to_string(GetCurrentProcessId());
    Remove(tormvale + "\\" + name);
    Remove(tormvale);  // only when nothing else is in it
    ASSERT_TRUE(PrepareDataFolder(name, false));
    EXPECT_EQ(UserDataFolder, tormvale + "\\" + name + "\\");
    EXPECT_TRUE(IsDirectory(tormvale));
    EXPECT_TRUE(IsDirectory(UserDataFolder));
    ASSERT_TRUE(PrepareDataFolder(name, false)) << "already there";

    // A file where the program's folder belongs.
    const std::string blocked = name + "File";
    std::ofstream(tormvale + "\\" + blocked) << "x";
    EXPECT_FALSE(PrepareDataFolder(blocked, false));
    EXPECT_FALSE(IsDirectory(tormvale + "\\" + blocked));
    EXPECT_FALSE(PrepareDataFolder("a\\b", false));
    Remove(tormvale + "\\" + blocked);
    Remove(tormvale + "\\" + name);
}
