// The settings file on Windows: the bytes Linux writes, a save that fails leaves the old file,
// and a file without a mark read in the ANSI code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "util/errors.h"
#include "util/settingsstore.h"

using namespace Tormvale;

namespace {

class TempFolder {
public:
    TempFolder() {
        path_ =
            std::filesystem::temp_directory_path().string() + "varnopile-test-" + std::to_string(GetCurrentProcessId());
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(path_, ec))
            SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        std::filesystem::remove_all(path_, ec);
    }
    std::string File() const { return path_ + "\\Varnopile.ini"; }
    std::size_t Count() const {
        return std::distance(std::filesystem::directory_iterator(path_), std::filesystem::directory_iterator());
    }

private:
    std::string path_;
};

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

SettingsStore SixValues(const std::string& path) {
    SettingsStore store = SettingsStore::Load(path, SettingsEncoding::Utf16LE);
    store.WriteString(u"Font", u"Name", u"ＭＳ ゴシック");
    store.WriteInteger(u"Font", u"Size", 9);
    store.WriteInteger(u"Window", u"Top", -5);
    store.WriteInteger(u"Window", u"Left", 336);
    store.WriteInteger(u"Window", u"Height", 400);
    store.WriteInteger(u"Window", u"Width", 2147483647);
    return store;
}

}  // namespace

TEST(SettingsFileWin, SavesTheBytesLinuxSaves) {
    TempFolder dir;
    SixValues(dir.File()).UpdateFile();
    // UTF-16LE with FF FE, CR LF after every line: written out by hand, as on Linux.
    static constexpr char Text[] =
        "[\0F\0o\0n\0t\0]\0\r\0\n\0N\0a\0m\0e\0=\0\x2D\xFF\x33\xFF \0\xB4\x30\xB7\x30\xC3\x30\xAF\x30\r\0\n\0"
        "S\0i\0z\0e\0=\0"
        "9\0\r\0\n\0\r\0\n\0"
        "[\0W\0i\0n\0d\0o\0w\0]\0\r\0\n\0T\0o\0p\0=\0-\0"
        "5\0\r\0\n\0L\0e\0f\0t\0=\0"
        "3\0"
        "3\0"
        "6\0\r\0\n\0"
        "H\0e\0i\0g\0h\0t\0=\0"
        "4\0"
        "0\0"
        "0\0\r\0\n\0W\0i\0d\0t\0h\0=\0"
        "2\0"
        "1\0"
        "4\0"
        "7\0"
        "4\0"
        "8\0"
        "3\0"
        "6\0"
        "4\0"
        "7\0\r\0\n\0\r\0\n\0";
    const std::string expected = std::string("\xFF\xFE", 2) + std::string(Text, sizeof Text - 1);
    EXPECT_EQ(ReadBytes(dir.File()), expected);
    EXPECT_EQ(dir.Count(), 1u) << "no temporary file left";
}

TEST(SettingsFileWin, AFailedSaveLeavesTheOldFile) {
    TempFolder dir;
    const std::string old = "\xFF\xFE[\0W\0]\0\r\0\n\0";
    const std::wstring file = std::filesystem::path(dir.File()).wstring();
    struct Case {
        const char* what;
        bool readOnly;
        DWORD holderSharing;  // another program holding the file open; ~0: none
    } cases[] = {
        {"read-only", true, ~0u}, {"held without sharing", false, 0}, {"held for reading", false, FILE_SHARE_READ}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteBytes(dir.File(), old);
        if (c.readOnly) SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
        const SettingsStore store = SixValues(dir.File());  // loaded before the file is taken
        const HANDLE holder = c.holderSharing == ~0u ? INVALID_HANDLE_VALUE
                                                     : CreateFileW(file.c_str(), GENERIC_READ, c.holderSharing, nullptr,
                                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        try {
            store.UpdateFile();
            ADD_FAILURE() << "saved";
        } catch (const FileCreateError& e) {
            EXPECT_EQ(e.Message().rfind(u"ファイル \"", 0), 0u);
        }
        if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
        EXPECT_EQ(ReadBytes(dir.File()), old);
        EXPECT_EQ(dir.Count(), 1u);
    }
}

// The expected text for the code page the system has: Wine takes it from the locale.
TEST(SettingsFileWin, AFileWithoutAMarkIsReadInTheAnsiCodePage) {
    EXPECT_EQ(DecodeCodePage("caf\xE9", 1252), u"café");
    EXPECT_EQ(DecodeCodePage("\x82\xA0=\x83\x41", 932), u"あ=ア");
    struct Case {
        unsigned codePage;
        const char* bytes;
        std::u16string name;
    } cases[] = {
        {1252, "[Font]\r\nName=Caf\xE9 Sans\r\n", u"Café Sans"},
        {932, "[Font]\r\nName=\x82\x6c\x82\x72 \x83S\x83V\x83\x62\x83N\r\n", u"ＭＳ ゴシック"},
    };
    const UINT acp = GetACP();
    int checked = 0;
    for (const Case& c : cases) {
        if (c.codePage != acp) continue;
        TempFolder dir;
        WriteBytes(dir.File(), c.bytes);
        EXPECT_EQ(SettingsStore::Load(dir.File(), SettingsEncoding::Detect).ReadString(u"Font", u"Name", u""), c.name);
        ++checked;
    }
    EXPECT_EQ(checked, 1) << "no case for code page " << acp;
}
