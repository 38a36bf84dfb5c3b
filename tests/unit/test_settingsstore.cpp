// The settings file: loading rules, reads and writes, the exact bytes saved, and failures that
// must leave the old file whole.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "util/errors.h"
#include "util/settingsstore.h"
#include "util/text.h"

using namespace Tormvale;

namespace {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/varnopile-settings-XXXXXX";
        const char* made = ::mkdtemp(tmpl);
        if (made == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = made;
    }
    ~TempDir() {
        // Restore permissions the tests took away, so removal cannot fail.
        std::error_code ec;
        for (const auto& e : std::filesystem::recursive_directory_iterator(path_, ec)) {
            ::chmod(e.path().c_str(), 0700);
        }
        ::chmod(path_.c_str(), 0700);
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name = SettingsFileName) const { return path_ + "/" + name; }
    std::set<std::string> Names() const { return NamesIn(path_); }
    static std::set<std::string> NamesIn(const std::string& folder) {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename());
        return names;
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
    std::string out;
    for (const char16_t c : text) {
        const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

// What the program writes: FF FE and UTF-16LE.
std::string Saved(std::u16string_view text) { return "\xFF\xFE" + Utf16Bytes(text, false); }

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

SettingsStore FromText(std::u16string_view text) { return SettingsStore::Parse(Saved(text), SettingsEncoding::Detect); }

std::u16string Text(const SettingsStore& store) {
    const std::string bytes = store.Serialize();
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    std::u16string out;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return out;
}

const std::u16string Face = u"ＭＳ ゴシック 𠮷";  // full-width letters and a surrogate pair

}  // namespace

TEST(SettingsStore, EveryEncodingMarkAndNone) {
    const std::u16string body = u"[Font]\r\nName=" + Face + u"\r\nSize=9\r\n";
    const std::string utf8 = Utf16ToUtf8(body);
    const std::string utf8Even = utf8.size() % 2 ? utf8 + " " : utf8;
    const struct {
        const char* name;
        std::string bytes;
        SettingsEncoding enc;
        bool readable;
    } cases[] = {
        {"UTF-8 mark", "\xEF\xBB\xBF" + utf8, SettingsEncoding::Detect, true},
        {"UTF-16LE mark", "\xFF\xFE" + Utf16Bytes(body, false), SettingsEncoding::Detect, true},
        {"UTF-16BE mark", "\xFE\xFF" + Utf16Bytes(body, true), SettingsEncoding::Detect, true},
        {"no mark, C locale", utf8, SettingsEncoding::Detect, true},
        {"no mark, UTF-8 of even length", utf8Even, SettingsEncoding::Detect, true},
        {"no mark, UTF-16LE", Utf16Bytes(body, false), SettingsEncoding::Detect, true},
        {"no mark, UTF-16LE starting in Japanese", Utf16Bytes(u"設定\r\n" + body, false), SettingsEncoding::Detect,
         true},
        {"UTF-16LE odd last byte", "\xFF\xFE" + Utf16Bytes(body, false) + "A", SettingsEncoding::Detect, true},
        {"forced, with mark", "\xFF\xFE" + Utf16Bytes(body, false), SettingsEncoding::Utf16LE, true},
        {"forced, without mark", Utf16Bytes(body, false), SettingsEncoding::Utf16LE, true},
        {"forced, odd last byte", Utf16Bytes(body, false) + "A", SettingsEncoding::Utf16LE, true},
        {"forced over UTF-8", "\xEF\xBB\xBF" + utf8, SettingsEncoding::Utf16LE, false},
        {"forced over UTF-16BE", "\xFE\xFF" + Utf16Bytes(body, true), SettingsEncoding::Utf16LE, false},
    };
    TempDir dir;
    for (const auto& c : cases) {
        WriteBytes(dir.File(), c.bytes);
        const SettingsStore store = SettingsStore::Load(dir.File(), c.enc);
        EXPECT_EQ(store.ReadString(u"Font", u"Name", u"default"), c.readable ? Face : u"default") << c.name;
        EXPECT_EQ(store.ReadInteger(u"Font", u"Size", -1), c.readable ? 9 : -1) << c.name;
    }
}

TEST(SettingsStore, LocaleCharsetDecoding) {
    EXPECT_EQ(DecodeCharset("caf\xE9", "ISO-8859-1"), u"café");
    EXPECT_EQ(DecodeCharset("\x82\xA0=\x83\x41", "SHIFT_JIS"), u"あ=ア");
    EXPECT_EQ(DecodeCharset("a\xFF"
                            "b",
                            "EUC-JP"),
              u"a\uFFFDb");
    EXPECT_EQ(DecodeCharset("a\x82", "SHIFT_JIS"), u"a\uFFFD");  // cut in the middle of a character
    EXPECT_EQ(DecodeCharset("\xC3\xA9", "no-such-charset"), u"é");
    EXPECT_EQ(DecodeCharset("\xC3\xA9", "ANSI_X3.4-1968"), u"é");
}

TEST(SettingsStore, LineSplittingTrimmingAndDropping) {
    const struct {
        const char* name;
        std::u16string text;
        std::u16string saved;
    } cases[] = {
        {"CR LF, lone CR, lone LF, no end", u"[S]\r\nA=1\rB=2\nC=3", u"[S]\r\nA=1\r\nB=2\r\nC=3\r\n\r\n"},
        {"LF CR is two ends", u"[S]\n\rA=1\n\r", u"[S]\r\nA=1\r\n\r\n"},
        {"CR CR LF", u"[S]\r\r\nA=1\r\r\n", u"[S]\r\nA=1\r\n\r\n"},
        {"units 0..32 trimmed, not 33", u"\t [ S \x01]\x1F\r\n\x20 A \t=\t x y \x01\r\n!B=1!",
         u"[S]\r\nA=x y\r\n!B=1!\r\n\r\n"},
        {"comments and empty lines", u"[S]\r\n;A=1\r\n   ; B=2\r\n\r\n \t \r\nC;=3\r\n", u"[S]\r\nC;=3\r\n\r\n"},
        {"lines before the first header", u"A=1\r\nloose\r\n[S]\r\nB=2\r\n", u"[S]\r\nB=2\r\n\r\n"},
        {"first = splits", u"[S]\r\nA = b = c\r\n=v\r\n", u"[S]\r\nA=b = c\r\n=v\r\n\r\n"},
        {"valueless lines kept", u"[S]\r\n  flag  \r\n", u"[S]\r\nflag\r\n\r\n"},
        {"not a header", u"[S]\r\n[x\r\nx]\r\n[\r\n", u"[S]\r\n[x\r\nx]\r\n[\r\n\r\n"},
        {"empty section name", u"[]\r\nA=1\r\n", u"[]\r\nA=1\r\n\r\n"},
        {"duplicate sections merged into the first", u"[A]\r\nx=1\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n",
         u"[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n\r\n"},
        {"nothing", u"", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(Text(FromText(c.text)), c.saved) << c.name;
}

TEST(SettingsStore, ReadsWithDefaults) {
    const SettingsStore store = FromText(
        u"[Font]\r\nName=\r\nSize=0x0C\r\nSize\r\n[window]\r\nTOP=2147483648\r\nleft=-2147483648\r\n"
        u"Height=12pt\r\nWidth=$0C\r\nWidth= 1 2\r\nKey=a\r\nKey=b\r\nflag\r\n");
    const struct {
        const char16_t* section;
        const char16_t* ident;
        std::u16string expected;
    } strings[] = {
        {u"Font", u"Name", u""},         // an empty value is a value
        {u"Font", u"Size", u"default"},  // the last match is valueless
        {u"WINDOW", u"key", u"b"},       // the last of two
        {u"Window", u"Flag", u"default"}, {u"Window", u"Missing", u"default"}, {u"Missing", u"Name", u"default"},
    };
    for (const auto& c : strings) {
        EXPECT_EQ(store.ReadString(c.section, c.ident, u"default"), c.expected)
            << Utf16ToUtf8(c.section) << "/" << Utf16ToUtf8(c.ident);
    }
    const struct {
        const char16_t* ident;
        int32_t expected;
    } ints[] = {
        {u"Top", 77}, {u"Left", -2147483647 - 1}, {u"Height", 77}, {u"Width", 77}, {u"Key", 77},
    };
    for (const auto& c : ints) EXPECT_EQ(store.ReadInteger(u"Window", c.ident, 77), c.expected) << Utf16ToUtf8(c.ident);
    EXPECT_EQ(FromText(u"[F]\r\nSize=$0C\r\n").ReadInteger(u"F", u"Size", 0), 12);
}

TEST(SettingsStore, WritesKeepPlacesAndSpelling) {
    SettingsStore store = FromText(
        u"; written earlier\r\n[font]\r\nNAME = Old\r\nSize=1\r\nSize=2\r\n\r\n[Extra]\r\nkeep=me\r\nloose line\r\n"
        u"[Window]\r\ntop\r\n[FONT]\r\nlate=1\r\n");
    store.WriteString(u"Font", u"Name", Face);
    store.WriteInteger(u"Font", u"Size", 12);
    store.WriteInteger(u"Window", u"Top", -201);
    store.WriteInteger(u"Window", u"Left", 1);
    store.WriteInteger(u"WINDOW", u"LEFT", 0);  // the entry just added, not a second one
    store.WriteString(u"New", u"Key", u"");
    EXPECT_EQ(Text(store), u"[font]\r\nNAME=" + Face +
                               u"\r\nSize=1\r\nSize=12\r\nlate=1\r\n\r\n"
                               u"[Extra]\r\nkeep=me\r\nloose line\r\n\r\n"
                               u"[Window]\r\ntop=-201\r\nLeft=0\r\n\r\n"
                               u"[New]\r\nKey=\r\n\r\n");
}

// A file in UTF-16LE without a mark, as some editors save "Unicode", read at start and saved at close.
TEST(SettingsStore, MarklessUtf16SurvivesTheSave) {
    TempDir dir;
    WriteBytes(dir.File(), Utf16Bytes(u"[Font]\r\nName=Old\r\n[Keep]\r\nthis=" + Face + u"\r\n", false));
    SettingsStore store = SettingsStore::Load(dir.File(), SettingsEncoding::Detect);
    store.WriteString(u"Font", u"Name", u"New");
    store.UpdateFile();
    EXPECT_EQ(ReadBytes(dir.File()), Saved(u"[Font]\r\nName=New\r\n\r\n[Keep]\r\nthis=" + Face + u"\r\n\r\n"));
}

// Names match by Unicode's simple upper case whatever the C library's locale says.
TEST(SettingsStore, NamesMatchByFixedUpperCase) {
    const struct {
        std::u16string inFile, asked;
        bool match;
    } cases[] = {
        {u"window", u"WINDOW", true},
        {u"Café", u"CAFÉ", true},
        {u"ｎａｍｅ", u"ＮＡＭＥ", true},
        {u"size", u"SIZE", true},
        {u"sıze", u"SIZE", true},
        {u"SİZE", u"size", false},  // Turkish dotted/dotless i
        {u"ǆ", u"ǅ", true},
        {u"straße", u"STRASSE", false},
        {u"\xD801\xDC28", u"\xD801\xDC00", false},
    };
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    for (const char* locale : {"C", "C.UTF-8", "tr_TR.UTF-8"}) {
        if (std::setlocale(LC_CTYPE, locale) == nullptr) continue;  // tr_TR is rarely generated
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(locale) + " " + Utf16ToUtf8(c.inFile) + " / " + Utf16ToUtf8(c.asked));
            SettingsStore store = FromText(u"[" + c.inFile + u"]\r\n" + c.inFile + u"=x\r\n");
            EXPECT_EQ(store.ReadString(c.asked, c.asked, u"-"), c.match ? u"x" : u"-");
            store.WriteString(c.asked, c.asked, u"y");
            EXPECT_EQ(store.Sections().size(), c.match ? 1u : 2u);
        }
    }
    std::setlocale(LC_CTYPE, saved.c_str());
}

TEST(SettingsStore, GeneratedCaseTableIsCurrent) {
    if (std::system("command -v python3 >/dev/null && test -r /usr/share/unicode/UnicodeData.txt") != 0)
        GTEST_SKIP() << "python3 or UnicodeData.txt missing";
    const std::string command = std::string("python3 ") + VARNOPILE_SOURCE_DIR + "/scripts/gen_case_table.py --check";
    EXPECT_EQ(std::system(command.c_str()), 0) << "util/casetable.cpp differs from what the script generates";
}

TEST(SettingsStore, FileWrittenFromNothing) {
    TempDir dir;
    SettingsStore store = SettingsStore::Load(dir.File(), SettingsEncoding::Utf16LE);
    EXPECT_TRUE(store.Sections().empty());
    store.WriteString(u"Font", u"Name", Face);
    store.WriteInteger(u"Font", u"Size", 9);
    store.WriteInteger(u"Window", u"Top", 201);
    store.WriteInteger(u"Window", u"Left", 336);
    store.WriteInteger(u"Window", u"Height", -400);
    store.WriteInteger(u"Window", u"Width", 2147483647);
    store.UpdateFile();

    const std::u16string lines[] = {u"[Font]",   u"Name=" + Face, u"Size=9",           u"", u"[Window]", u"Top=201",
                                    u"Left=336", u"Height=-400",  u"Width=2147483647", u""};
    std::u16string text;
    for (const auto& line : lines) text += line + u"\r\n";
    EXPECT_EQ(ReadBytes(dir.File()), Saved(text));

    struct stat st {};
    ASSERT_EQ(::stat(dir.File().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(dir.Names(), std::set<std::string>{SettingsFileName});

    // What the reading half gets back from it.
    const SettingsStore again = SettingsStore::Load(dir.File(), SettingsEncoding::Detect);
    EXPECT_EQ(again.ReadString(u"Font", u"Name", u""), Face);
    EXPECT_EQ(again.ReadInteger(u"Window", u"Height", 0), -400);
}

TEST(SettingsStore, SaveReplacesTheOldFile) {
    TempDir dir;
    WriteBytes(dir.File(), Saved(u"[Window]\r\nTop=1\r\n[Other]\r\nx=y\r\n"));
    ASSERT_EQ(::chmod(dir.File().c_str(), 0644), 0);
    SettingsStore store = SettingsStore::Load(dir.File(), SettingsEncoding::Utf16LE);
    store.WriteInteger(u"Window", u"Top", 2);
    const mode_t mask = ::umask(0277);  // the file is 0600 whatever the umask
    store.UpdateFile();
    ::umask(mask);
    EXPECT_EQ(ReadBytes(dir.File()), Saved(u"[Window]\r\nTop=2\r\n\r\n[Other]\r\nx=y\r\n\r\n"));
    struct stat st {};
    ASSERT_EQ(::stat(dir.File().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(dir.Names(), std::set<std::string>{SettingsFileName});
}

// A temporary file as a save killed before its rename leaves it.
std::string StaleTemp(const std::string& file) {
    std::string name = file + ".XXXXXX.tmp";
    const int fd = ::mkostemps(name.data(), 4, 0);
    EXPECT_GE(fd, 0);
    ::close(fd);
    return name.substr(name.rfind('/') + 1);
}

// Through a link the save replaces the link's target, but only where no one but the user could have
// made or aimed the link; otherwise nothing at all changes.
TEST(SettingsStore, LinksAreFollowedOnlyWhereOnlyTheUserCouldHaveMadeThem) {
    const uid_t someoneElse = ::getuid() + 4242;
    const struct {
        const char* name;
        const char* linkTo;  // from data/, where the settings path lies; nullptr: a plain file
        mode_t dataMode, dotsMode, targetMode;
        uid_t user;
        int err;  // 0: saved
    } cases[] = {
        {"own link into a dotfile folder", "../dots/real.ini", 0700, 0755, 0600, ::getuid(), 0},
        {"own link beside it", "real.ini", 0700, 0755, 0644, ::getuid(), 0},
        {"no link, folder anyone may write", nullptr, 01777, 0755, 0600, ::getuid(), 0},
        {"link in a folder anyone may write", "../dots/real.ini", 01777, 0755, 0600, ::getuid(), EPERM},
        {"link in a folder the group may write", "../dots/real.ini", 0770, 0755, 0600, ::getuid(), EPERM},
        {"target others may write", "../dots/real.ini", 0700, 0755, 0602, ::getuid(), EPERM},
        {"target in a folder the group may write", "../dots/real.ini", 0700, 0775, 0600, ::getuid(), EPERM},
        {"someone else's folder and target", "../dots/real.ini", 0700, 0755, 0600, someoneElse, EPERM},
        {"dangling link", "../dots/missing.ini", 0700, 0755, 0600, ::getuid(), ENOENT},
        {"chain through a folder anyone may write", "../pub/hop", 0700, 0755, 0600, ::getuid(), EPERM},
    };
    const std::string old = Saved(u"[A]\r\nx=1\r\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ASSERT_EQ(::mkdir(dir.File("data").c_str(), 0700), 0);
        ASSERT_EQ(::mkdir(dir.File("dots").c_str(), 0700), 0);
        ASSERT_EQ(::mkdir(dir.File("pub").c_str(), 0700), 0);
        ASSERT_EQ(::chmod(dir.File("pub").c_str(), 01777), 0);
        ASSERT_EQ(::symlink("../dots/real.ini", dir.File("pub/hop").c_str()), 0);
        const std::string path = dir.File("data/Varnopile.ini");
        const bool beside = c.linkTo && std::string(c.linkTo) == "real.ini";
        const std::string target = !c.linkTo ? path : beside ? dir.File("data/real.ini") : dir.File("dots/real.ini");
        WriteBytes(target, old);
        if (c.linkTo) {
            ASSERT_EQ(::symlink(c.linkTo, path.c_str()), 0);
        }
        const std::string stale = StaleTemp(target);
        ::chmod(target.c_str(), c.targetMode);
        ::chmod(dir.File("data").c_str(), c.dataMode);
        ::chmod(dir.File("dots").c_str(), c.dotsMode);
        const auto names = [&] {
            return std::pair(TempDir::NamesIn(dir.File("data")), TempDir::NamesIn(dir.File("dots")));
        };
        auto expectedNames = names();

        SettingsStore store = SettingsStore::Load(path, SettingsEncoding::Detect);
        store.WriteInteger(u"A", u"x", 2);
        try {
            store.UpdateFile(c.user);
            EXPECT_EQ(c.err, 0) << "saved";
            EXPECT_EQ(ReadBytes(target), Saved(u"[A]\r\nx=2\r\n\r\n"));
            (beside || !c.linkTo ? expectedNames.first : expectedNames.second).erase(stale);
        } catch (const FileCreateError& e) {
            EXPECT_EQ(e.Message(), u"ファイル \"" + U(path) + u"\" を作成できません。" + SystemErrorText(c.err));
            EXPECT_EQ(ReadBytes(target), old);
        }
        EXPECT_EQ(std::filesystem::is_symlink(path), c.linkTo != nullptr);
        EXPECT_EQ(names(), expectedNames);
    }
}

// What an interrupted save left goes with the next save; files that only look alike stay.
TEST(SettingsStore, StaleTempFilesGoAndNothingElse) {
    TempDir dir;
    WriteBytes(dir.File(), Saved(u"[A]\r\nx=1\r\n"));
    const std::string stale[] = {StaleTemp(dir.File()), StaleTemp(dir.File())};
    const char* keep[] = {"Varnopile.ini.backup",     "Varnopile.ini.AbC12.tmp",  "Varnopile.ini.AbC1234.tmp",
                          "Varnopile.ini.AbC-12.tmp", "Varnopile.ini.AbC123.tm",  "Other.ini.AbC123.tmp",
                          "Varnopile.ini.Shared.tmp", "Varnopile.ini.Folder.tmp", "Varnopile.ini.Linked.tmp"};
    for (const char* name : keep) {
        WriteBytes(dir.File(name), "");
        ::chmod(dir.File(name).c_str(), 0600);
    }
    ::chmod(dir.File("Varnopile.ini.Shared.tmp").c_str(), 0640);  // not as mkostemps makes ours
    std::filesystem::remove(dir.File("Varnopile.ini.Folder.tmp"));
    ASSERT_EQ(::mkdir(dir.File("Varnopile.ini.Folder.tmp").c_str(), 0700), 0);
    std::filesystem::remove(dir.File("Varnopile.ini.Linked.tmp"));
    ASSERT_EQ(::symlink(stale[0].c_str(), dir.File("Varnopile.ini.Linked.tmp").c_str()), 0);

    SettingsStore store = SettingsStore::Load(dir.File(), SettingsEncoding::Detect);
    store.UpdateFile(::getuid() + 4242);  // someone else's are not ours to remove
    EXPECT_EQ(dir.Names().size(), std::size(keep) + 3);
    store.UpdateFile();
    std::set<std::string> expected(std::begin(keep), std::end(keep));
    expected.insert(SettingsFileName);
    EXPECT_EQ(dir.Names(), expected);
}

TEST(SettingsStore, MissingFileOrFolderLoadsEmpty) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("folder.ini").c_str(), 0700), 0);
    WriteBytes(dir.File("plain"), "x");
    for (const std::string& path :
         {dir.File(), dir.File("folder.ini"), dir.File("none/Varnopile.ini"), dir.File("plain/Varnopile.ini")}) {
        const SettingsStore store = SettingsStore::Load(path, SettingsEncoding::Detect);
        EXPECT_TRUE(store.Sections().empty()) << path;
        EXPECT_EQ(store.Path(), path);
    }
}

TEST(SettingsStore, LoadFailures) {
    TempDir dir;
    const std::string unreadable = dir.File();
    WriteBytes(unreadable, Saved(u"[A]\r\nx=1\r\n"));
    ASSERT_EQ(::chmod(unreadable.c_str(), 0000), 0);
    const std::string fifo = dir.File("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    const struct {
        std::string path;
        int err;
    } cases[] = {{unreadable, EACCES}, {fifo, EINVAL}};
    for (const auto& c : cases) {
        for (const auto enc : {SettingsEncoding::Detect, SettingsEncoding::Utf16LE}) {
            try {
                SettingsStore::Load(c.path, enc);
                ADD_FAILURE() << "no error for " << c.path;
            } catch (const FileOpenError& e) {
                EXPECT_EQ(e.Message(), u"ファイル " + U(c.path) + u" は開けません。 " + SystemErrorText(c.err) + u" ");
            }
        }
    }
}

TEST(SettingsStore, ReadOnlyFileIsNeverReplaced) {
    TempDir dir;
    const std::string old = Saved(u"[Font]\r\nSize=9\r\n");
    WriteBytes(dir.File(), old);
    ASSERT_EQ(::chmod(dir.File().c_str(), 0444), 0);

    SettingsStore store = SettingsStore::Load(dir.File(), SettingsEncoding::Utf16LE);
    EXPECT_EQ(store.ReadInteger(u"Font", u"Size", 0), 9);
    store.WriteInteger(u"Font", u"Size", 10);
    for (int attempt = 0; attempt < 2; ++attempt) {  // a later close tries again, and fails again
        try {
            store.UpdateFile();
            ADD_FAILURE() << "saved over a read-only file";
        } catch (const FileCreateError& e) {
            EXPECT_EQ(e.Message(), u"ファイル \"" + U(dir.File()) + u"\" を作成できません。" + SystemErrorText(EACCES));
        }
    }
    EXPECT_EQ(ReadBytes(dir.File()), old);
    EXPECT_EQ(dir.Names(), std::set<std::string>{SettingsFileName});
}

TEST(SettingsStore, CreateFailures) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("folder.ini").c_str(), 0700), 0);
    const struct {
        std::string path;
        int err;
    } cases[] = {{dir.File("none/Varnopile.ini"), ENOENT}, {dir.File("folder.ini"), EISDIR}};
    for (const auto& c : cases) {
        SettingsStore store = SettingsStore::Load(c.path, SettingsEncoding::Utf16LE);
        store.WriteInteger(u"A", u"x", 1);
        try {
            store.UpdateFile();
            ADD_FAILURE() << "no error for " << c.path;
        } catch (const FileCreateError& e) {
            EXPECT_EQ(e.Message(), u"ファイル \"" + U(c.path) + u"\" を作成できません。" + SystemErrorText(c.err));
        }
    }
    EXPECT_EQ(dir.Names(), std::set<std::string>{"folder.ini"});
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("folder.ini")));
}

// A child process with a small file-size limit runs the save, so the write fails part-way.
TEST(SettingsStore, WriteFailingMidwayLeavesOldFileWhole) {
    TempDir dir;
    const std::string old = Saved(u"[Font]\r\nName=Old\r\nSize=9\r\n\r\n[Keep]\r\nthis=too\r\n\r\n");
    WriteBytes(dir.File(), old);
    constexpr rlim_t Limit = 64;
    ASSERT_LT(Limit, old.size() * 4);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Exit codes: 0 the expected write error, 1 saved, 2 another error.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{Limit, Limit};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(3);
        try {
            SettingsStore store = SettingsStore::Load(dir.File(), SettingsEncoding::Utf16LE);
            store.WriteString(u"Font", u"Name", std::u16string(200, u'W'));
            store.UpdateFile();
        } catch (const StreamWriteError& e) {
            ::_exit(e.Message() == u"ストリームへの書き込みエラー" ? 0 : 2);
        } catch (...) {
            ::_exit(2);
        }
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(dir.File()), old);
    EXPECT_EQ(dir.Names(), std::set<std::string>{SettingsFileName});
}
