// varnopile-convert: the conversion set of the Get command, for scripts and pipes.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "core/conversionset.h"
#include "util/text.h"

namespace {

constexpr const char* Program = "varnopile-convert";

constexpr std::string_view VariantNames[] = {"lower", "upper", "halfwidth", "fullwidth", "katakana", "hiragana"};
static_assert(std::size(VariantNames) == std::tuple_size_v<Varnopile::ConversionSet>);

constexpr const char* Usage =
    "Usage: varnopile-convert [--to VARIANT] [--utf16] [FILE]\n"
    "Builds the six conversions of FILE (or standard input) as the Get command of Varnopile does:\n"
    "the first 16384 UTF-16 units, trimmed of units up to U+0020 at both ends.\n"
    "\n"
    "  --to VARIANT  write only that variant, with no line end added; VARIANT is one of\n"
    "                lower, upper, halfwidth, fullwidth, katakana, hiragana\n"
    "                (without --to: a JSON array of {\"label\", \"text\"} objects on one line)\n"
    "  --utf16       read, and with --to write, UTF-16 little-endian without a byte-order mark\n"
    "  --help        show this help and exit\n"
    "  --version     show the version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when the input cannot be read or decoded, 2 for a usage error.\n";

struct Failure {
    int status;
    std::string message;
};

Failure UsageError(const std::string& what) {
    return {2, std::string(Program) + ": " + what + "\nTry '" + Program + " --help'.\n"};
}

struct Options {
    std::optional<std::size_t> variant;
    bool utf16 = false;
    std::optional<std::string> file;  // none: standard input
    bool help = false;
    bool version = false;
};

std::optional<Failure> ParseArguments(int argc, char** argv, Options& options) {
    bool optionsEnded = false;
    bool haveInput = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
            if (haveInput) return UsageError("more than one input file");
            haveInput = true;
            if (optionsEnded || arg != "-") options.file = std::string(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--utf16") {
            options.utf16 = true;
        } else if (arg == "--to" || arg.starts_with("--to=")) {
            std::string_view value;
            if (arg == "--to") {
                if (i + 1 >= argc) return UsageError("option '--to' needs a variant");
                value = argv[++i];
            } else {
                value = arg.substr(5);
            }
            if (options.variant) return UsageError("option '--to' given more than once");
            for (std::size_t k = 0; k < std::size(VariantNames); ++k)
                if (value == VariantNames[k]) options.variant = k;
            if (!options.variant) return UsageError("unknown variant '" + std::string(value) + "'");
        } else {
            return UsageError("unknown option '" + std::string(arg) + "'");
        }
    }
    return std::nullopt;
}

std::optional<Failure> ReadAll(int fd, const std::string& name, std::string& out) {
    char chunk[65536];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got > 0) {
            out.append(chunk, static_cast<std::size_t>(got));
        } else if (got == 0) {
            return std::nullopt;
        } else if (errno != EINTR) {
            return Failure{1, std::string(Program) + ": " + name + ": " + std::strerror(errno) + "\n"};
        }
    }
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = write(fd, bytes.data(), bytes.size());
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

std::u16string FromUtf16Le(std::string_view bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return text;
}

std::string ToUtf16Le(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A JSON string literal in UTF-8. Lone surrogates have no UTF-8 form, so they are escaped
// rather than replaced: the text stays exact.
void AppendJsonString(std::string& out, std::u16string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    const auto escape = [&](char16_t c) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) out.push_back(Hex[(c >> shift) & 0xF]);
    };
    out.push_back('"');
    std::size_t plain = 0;  // start of the run not yet appended
    const auto flush = [&](std::size_t upTo) {
        if (upTo > plain) out += Tormvale::Utf16ToUtf8(text.substr(plain, upTo - plain));
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
            ++i;
            continue;
        }
        const char* shortForm = c == u'"' ? "\\\"" : c == u'\\' ? "\\\\" : c == u'\n' ? "\\n" : c == u'\r' ? "\\r"
                              : c == u'\t' ? "\\t" : c == u'\b' ? "\\b" : c == u'\f' ? "\\f" : nullptr;
        if (!shortForm && c >= 0x20 && !IsHigh(c) && !IsLow(c)) continue;
        flush(i);
        if (shortForm)
            out += shortForm;
        else
            escape(c);
        plain = i + 1;
    }
    flush(text.size());
    out.push_back('"');
}

int Fail(const Failure& failure) {
    std::fputs(failure.message.c_str(), stderr);
    return failure.status;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (auto failure = ParseArguments(argc, argv, options)) return Fail(*failure);
    if (options.help || options.version) {
        const std::string text = options.help ? Usage : std::string(Program) + " " + VARNOPILE_VERSION + "\n";
        return WriteAll(STDOUT_FILENO, text) ? 0 : Fail({1, std::string(Program) + ": cannot write: " +
                                                                std::strerror(errno) + "\n"});
    }

    const std::string name = options.file ? *options.file : "standard input";
    std::string bytes;
    int fd = STDIN_FILENO;
    if (options.file) {
        fd = open(options.file->c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return Fail({1, std::string(Program) + ": " + name + ": " + std::strerror(errno) + "\n"});
    }
    const auto readFailure = ReadAll(fd, name, bytes);
    if (fd != STDIN_FILENO) close(fd);
    if (readFailure) return Fail(*readFailure);

    std::u16string text;
    if (options.utf16) {
        if (bytes.size() % 2 != 0)
            return Fail({1, std::string(Program) + ": " + name + ": UTF-16 input ends in half a code unit (" +
                                std::to_string(bytes.size()) + " bytes)\n"});
        text = FromUtf16Le(bytes);
    } else {
        Tormvale::Utf8Error error{};
        if (!Tormvale::IsValidUtf8(bytes, &error))
            return Fail({1, std::string(Program) + ": " + name + ": invalid UTF-8 at byte offset " +
                                std::to_string(error.offset) + "\n"});
        text = Tormvale::Utf8ToUtf16(bytes);
    }
    bytes.clear();

    const Varnopile::ConversionSet set = Varnopile::BuildConversionSet(text);
    std::string out;
    if (options.variant) {
        const std::u16string& variant = set[*options.variant];
        // UTF-8 cannot carry a lone surrogate (the cut can leave one at the end): it becomes U+FFFD.
        out = options.utf16 ? ToUtf16Le(variant) : Tormvale::Utf16ToUtf8(variant);
    } else {
        out = "[";
        for (std::size_t i = 0; i < set.size(); ++i) {
            out += i == 0 ? "{\"label\": " : ", {\"label\": ";
            AppendJsonString(out, Varnopile::ConversionLabels[i]);
            out += ", \"text\": ";
            AppendJsonString(out, set[i]);
            out += "}";
        }
        out += "]\n";
    }
    if (!WriteAll(STDOUT_FILENO, out))
        return Fail({1, std::string(Program) + ": cannot write the output: " + std::strerror(errno) + "\n"});
    return 0;
}
