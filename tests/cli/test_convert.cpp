// varnopile-convert run as a process: what it writes, how it fails.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/conversionset.h"
#include "util/text.h"

namespace fs = std::filesystem;
using namespace Varnopile;

namespace {

struct Result {
    int status = -1;
    std::string out, err;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

class Convert : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "varnopile-convert-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // args are passed to the shell as written.
    Result Run(const std::string& args, const std::string& input = "") {
        WriteFile(dir_ / "stdin", input);
        const std::string command =
            "cd '" + dir_.string() + "' && '" VARNOPILE_CONVERT "' " + args + " < stdin > stdout 2> stderr";
        const int raw = std::system(command.c_str());
        Result r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadFile(dir_ / "stdout");
        r.err = ReadFile(dir_ / "stderr");
        return r;
    }

    // Runs the converter with its input fed from here, `total` bytes of repeats of `pattern`, and
    // its output on outFd; peakKb is its peak resident memory.
    Result Feed(std::vector<std::string> args, const std::string& pattern, std::uint64_t total, int outFd,
                long& peakKb) {
        std::signal(SIGPIPE, SIG_IGN);  // the converter may stop reading
        int in[2];
        EXPECT_EQ(pipe(in), 0);
        args.insert(args.begin(), VARNOPILE_CONVERT);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string errPath = (dir_ / "stderr").string();
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(in[0], 0);
            dup2(outFd, 1);
            dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
            close(in[1]);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(in[0]);
        std::string block;
        while (block.size() < 65536) block += pattern;
        for (std::uint64_t sent = 0; sent < total;) {
            const std::size_t at = sent % block.size();
            const ssize_t put =
                write(in[1], block.data() + at, std::min<std::uint64_t>(block.size() - at, total - sent));
            if (put <= 0) break;
            sent += static_cast<std::uint64_t>(put);
        }
        close(in[1]);
        int raw = 0;
        rusage usage{};
        wait4(pid, &raw, 0, &usage);
        peakKb = usage.ru_maxrss;
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), "", ReadFile(errPath)};
    }

    fs::path dir_;
};

std::string Utf16Le(std::u16string_view s) {
    std::string b;
    for (char16_t c : s) {
        b.push_back(static_cast<char>(c & 0xFF));
        b.push_back(static_cast<char>(c >> 8));
    }
    return b;
}

}  // namespace

TEST_F(Convert, EachVariantAsItIs) {
    const std::string input = "\r\n  Abc ＡＢ あア ｶﾞ\tend\r\n";
    const ConversionSet set = BuildConversionSet(Tormvale::Utf8ToUtf16(input));
    for (std::size_t i = 0; i < VariantCount; ++i) {
        const std::string name(Variants[i].name);
        const Result r = Run("--to " + name, input);
        EXPECT_EQ(r.status, 0) << name << ": " << r.err;
        EXPECT_EQ(r.out, Tormvale::Utf16ToUtf8(set[i])) << name;
        EXPECT_EQ(Run("--to=" + name + " --utf16", Utf16Le(Tormvale::Utf8ToUtf16(input))).out, Utf16Le(set[i])) << name;
    }
    // A file argument, "-" and "--" name the input as usual.
    WriteFile(dir_ / "-in", "kana かな");
    EXPECT_EQ(Run("--to katakana -- -in").out, "kana カナ");
    EXPECT_EQ(Run("--to upper -", "x").out, "X");
}

TEST_F(Convert, JsonEscapesWhatItMust) {
    const Result r = Run("",
                         " a\"b\\c\nd\te\x01"
                         "fあ ");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "[{\"label\": \"大文字→小文字\", \"text\": \"a\\\"b\\\\c\\nd\\te\\u0001fあ\"}, "
              "{\"label\": \"小文字→大文字\", \"text\": \"A\\\"B\\\\C\\nD\\tE\\u0001Fあ\"}, "
              "{\"label\": \"全角→半角\", \"text\": \"a\\\"b\\\\c\\nd\\te\\u0001fあ\"}, "
              "{\"label\": \"半角→全角\", \"text\": \"ａ＂ｂ\\\\ｃ\\nｄ\\tｅ\\u0001ｆあ\"}, "
              "{\"label\": \"ひらがな→カタカナ\", \"text\": \"a\\\"b\\\\c\\nd\\te\\u0001fア\"}, "
              "{\"label\": \"カタカナ→ひらがな\", \"text\": \"a\\\"b\\\\c\\nd\\te\\u0001fあ\"}]\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(Convert, LoneSurrogates) {
    // UTF-16 passes any unit both ways; JSON escapes what UTF-8 cannot carry.
    const Result raw = Run("--utf16 --to upper", Utf16Le(u"x\xD800y\xDFFF"));
    EXPECT_EQ(raw.status, 0) << raw.err;
    EXPECT_EQ(raw.out, Utf16Le(u"X\xD800Y\xDFFF"));
    const Result json = Run("--utf16", Utf16Le(u"x\xD800y\U0001F600"));
    EXPECT_NE(json.out.find("\"text\": \"X\\ud800Y\xF0\x9F\x98\x80\""), std::string::npos) << json.out;

    // The cut can leave a high half at the end of UTF-8 input too.
    const std::string cut = std::string(SourceLimit - 1, 'a') + "\xF0\x9F\x98\x80";
    EXPECT_NE(Run("", cut).out.find("a\\ud83d\"}"), std::string::npos);
    const Result text = Run("--to lower", cut);
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out, std::string(SourceLimit - 1, 'a') + "\xEF\xBF\xBD");
}

TEST_F(Convert, Failures) {
    struct Case {
        const char* name;
        std::string args, input;
        int status;
        std::string inMessage;
    } cases[] = {
        {"invalid UTF-8", "", "ab\xC3(", 1, "byte offset 2"},
        {"invalid past the cut", "--to lower", std::string(20000, 'a') + "\xFF", 1, "byte offset 20000"},
        {"surrogate in UTF-8", "", "a\xED\xA0\x80", 1, "byte offset 1"},
        {"odd UTF-16", "--utf16 --to upper", "abc", 1, "3 bytes"},
        {"missing file", "--to upper nothing-here", "", 1, "nothing-here"},
        {"directory", "--to upper .", "", 1, ".: "},
        {"unknown option", "--bogus", "", 2, "'--bogus'"},
        {"unknown variant", "--to title", "", 2, "'title'"},
        {"--to without variant", "--to", "", 2, "--to"},
        {"two inputs", "a b", "", 2, "more than one"},
        {"--to twice", "--to upper --to lower", "", 2, "more than once"},
    };
    for (const auto& c : cases) {
        const Result r = Run(c.args, c.input);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_NE(r.err.find(c.inMessage), std::string::npos) << c.name << ": " << r.err;
    }
}

TEST_F(Convert, StreamNeitherCutNorTrimmed) {
    // Past the cut, a sound mark split from its katakana by a read, blanks at both ends.
    const std::string input = "\r\n " + std::string(70000, 'a') + "ﾊﾟ" + std::string(70000, 'b') + "ｶﾞ \n";
    const Result r = Run("--stream --to fullwidth", input);
    EXPECT_EQ(r.status, 0) << r.err;
    std::string fullA, fullB;
    for (int i = 0; i < 70000; ++i) fullA += "ａ", fullB += "ｂ";
    EXPECT_EQ(r.out, "\r\n　" + fullA + "パ" + fullB + "ガ　\n");

    // What came before an invalid byte is written; the offset counts from the start of the input.
    const Result bad = Run("--stream --to upper", std::string(300000, 'x') + "\xE3\x81");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, std::string(300000, 'X'));
    EXPECT_NE(bad.err.find("byte offset 300000"), std::string::npos) << bad.err;
    EXPECT_EQ(Run("--stream").status, 2);

    // A file of many pieces, read ahead while the last is converted; then the same to a reader
    // that has gone, while pieces are still being read.
    std::string many, katakana;
    for (int i = 0; i < 200000; ++i) many += "ひらがなabc\n", katakana += "ヒラガナabc\n";
    const Result whole = Run("--stream --to katakana", many);
    EXPECT_EQ(whole.status, 0) << whole.err;
    EXPECT_TRUE(whole.out == katakana) << whole.out.size();
    const std::string gone = "cd '" + dir_.string() +
                             "' && { '" VARNOPILE_CONVERT
                             "' --stream --to katakana < stdin 2> stderr; echo $? > status; } | true";
    ASSERT_EQ(std::system(gone.c_str()), 0);
    EXPECT_EQ(ReadFile(dir_ / "status"), "0\n");
    EXPECT_EQ(ReadFile(dir_ / "stderr"), "");
}

TEST_F(Convert, OutputThatCannotBeWritten) {
    long peakKb = 0;
    int closed[2];
    ASSERT_EQ(pipe(closed), 0);
    close(closed[0]);
    // A reader that has gone ends the run quietly; a full disk is an error.
    const Result gone = Feed({"--stream", "--to", "katakana"}, "ひらがな\n", 1 << 20, closed[1], peakKb);
    close(closed[1]);
    EXPECT_EQ(gone.status, 0);
    EXPECT_EQ(gone.err, "");
    const int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"--stream", "--to", "upper"}, {"--to", "upper"}, {}}) {
        const Result r = Feed(args, "abc", 3, full, peakKb);
        EXPECT_EQ(r.status, 1) << args.size();
        EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    }
    close(full);
}

// A gigabyte through a pipe, in both modes: memory stays bounded (measured, not timed). The
// sanitizers' own memory would hide ours: there, a smaller input only has to go through.
TEST_F(Convert, MemoryStaysBounded) {
    const std::uint64_t size = VARNOPILE_SANITIZED ? 1ull << 26 : 1ull << 30;
    const int null = open("/dev/null", O_WRONLY);
    ASSERT_GE(null, 0);
    for (const auto& args : std::vector<std::vector<std::string>>{{"--stream", "--to", "fullwidth"}, {}}) {
        long peakKb = 0;
        const std::string line = "ｶﾞﾊﾟ漢字かなカナ abc ＡＢＣ\n";
        const Result r = Feed(args, line, size / line.size() * line.size(), null, peakKb);
        EXPECT_EQ(r.status, 0) << r.err;
        if (!VARNOPILE_SANITIZED) {
            EXPECT_LT(peakKb, 16 * 1024) << args.size();
        }
    }
    close(null);
}

TEST_F(Convert, HelpAndVersion) {
    const Result version = Run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "varnopile-convert 2.1.9\n");
    const Result help = Run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--to VARIANT"), std::string::npos);
}
