// varnopile-convert: the conversion set of the Get command, for scripts and pipes.
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "core/conversionset.h"
#include "core/streamconverter.h"
#include "tools/convertio.h"
#include "util/text.h"
#include "util/writeall.h"

namespace {

constexpr const char* Program = "varnopile-convert";

std::string Usage() {
    std::string names;
    for (const Varnopile::Variant& variant : Varnopile::Variants)
        names += std::string(names.empty() ? "" : ", ") + std::string(variant.name);
    return "Usage: varnopile-convert [--to VARIANT] [--utf16] [FILE]\n"
           "       varnopile-convert --stream --to VARIANT [--utf16] [FILE]\n"
           "Builds the " +
           std::to_string(Varnopile::VariantCount) +
           " conversions of FILE (or standard input) as the Get command of Varnopile does:\n"
           "the first 16384 UTF-16 units, trimmed of units up to U+0020 at both ends.\n"
           "\n"
           "  --to VARIANT  write only that variant, with no line end added; VARIANT is one of\n"
           "                " +
           names +
           "\n"
           "                (without --to: a JSON array of {\"label\", \"text\"} objects on one line)\n"
           "  --stream      convert the whole input, of any length, neither cut nor trimmed, writing\n"
           "                as it reads (needs --to)\n"
           "  --utf16       read, and with --to write, UTF-16 little-endian without a byte-order mark\n"
           "  --help        show this help and exit\n"
           "  --version     show the version and exit\n"
           "\n"
           "Exit status: 0 on success, 1 when the input cannot be read or decoded, 2 for a usage error.\n";
}

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
    bool stream = false;
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
        } else if (arg == "--stream") {
            options.stream = true;
        } else if (arg == "--to" || arg.starts_with("--to=")) {
            std::string_view value;
            if (arg == "--to") {
                if (i + 1 >= argc) return UsageError("option '--to' needs a variant");
                value = argv[++i];
            } else {
                value = arg.substr(5);
            }
            if (options.variant) return UsageError("option '--to' given more than once");
            for (std::size_t k = 0; k < Varnopile::VariantCount; ++k)
                if (value == Varnopile::Variants[k].name) options.variant = k;
            if (!options.variant) return UsageError("unknown variant '" + std::string(value) + "'");
        } else {
            return UsageError("unknown option '" + std::string(arg) + "'");
        }
    }
    if (options.stream && !options.variant && !options.help && !options.version)
        return UsageError("option '--stream' needs '--to VARIANT'");
    return std::nullopt;
}

// A reader that has gone (a closed pipe) ends the run quietly, as other filters do.
struct ReaderGone {};

std::optional<Failure> WriteOut(std::string_view bytes) {
    const int err = Tormvale::WriteAll(Convert::StandardOutput, bytes);
    if (err == 0) return std::nullopt;
    if (err == EPIPE) throw ReaderGone{};
    return Failure{1, std::string(Program) + ": cannot write the output: " + std::strerror(err) + "\n"};
}

// Reads into buffer; 0 at the end of the input.
std::size_t ReadSome(int fd, char* buffer, std::size_t size, const std::string& name, std::optional<Failure>& failure) {
    for (;;) {
        const std::ptrdiff_t got = Convert::Read(fd, buffer, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) {
            failure = Failure{1, std::string(Program) + ": " + name + ": " + std::strerror(errno) + "\n"};
            return 0;
        }
    }
}

Failure InvalidInput(const std::string& name, bool utf16, std::uint64_t offset) {
    return {1, std::string(Program) + ": " + name +
                   (utf16 ? ": UTF-16 input ends in half a code unit (" + std::to_string(offset) + " bytes)\n"
                          : ": invalid UTF-8 at byte offset " + std::to_string(offset) + "\n")};
}

// Pieces of the input: read as they are asked for, or, from a regular file, read ahead.
class Pieces {
public:
    static constexpr std::size_t Size = 256 * 1024;

    Pieces(int fd, const std::string& name) : fd_(fd), name_(name) {
        // Copying a file out of the page cache takes a fifth of the time the conversion does, so
        // a second thread reads the next piece while this one converts. Only a regular file:
        // a read of it always returns soon, so the thread can always be joined.
        if (Convert::IsRegularFile(fd)) reader_ = std::thread([this] { ReadAhead(); });
    }
    ~Pieces() {
        if (!reader_.joinable()) return;
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        reader_.join();
    }

    // The next piece, valid until the next call; empty at the end of the input.
    std::string_view Next(std::optional<Failure>& failure) {
        if (!reader_.joinable()) {
            const std::size_t got = ReadSome(fd_, slots_[0].bytes.get(), Size, name_, failure);
            return {slots_[0].bytes.get(), got};
        }
        std::unique_lock lock(mutex_);
        if (taken_) {
            slots_[current_].ready = false;  // done with: the reader may fill it again
            current_ ^= 1;
            changed_.notify_all();
        }
        changed_.wait(lock, [this] { return slots_[current_].ready; });
        taken_ = true;
        Slot& slot = slots_[current_];
        failure = slot.failure;
        return {slot.bytes.get(), slot.size};
    }

private:
    struct Slot {
        std::unique_ptr<char[]> bytes = std::make_unique_for_overwrite<char[]>(Size);
        std::size_t size = 0;
        std::optional<Failure> failure;
        bool ready = false;
    };

    void ReadAhead() {
        for (std::size_t k = 0;; k ^= 1) {
            Slot& slot = slots_[k];
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || !slot.ready; });
                if (stop_) return;
            }
            std::optional<Failure> failure;
            const std::size_t got = ReadSome(fd_, slot.bytes.get(), Size, name_, failure);
            {
                std::lock_guard lock(mutex_);
                slot.size = got;
                slot.failure = std::move(failure);
                slot.ready = true;
            }
            changed_.notify_all();
            if (got == 0) return;
        }
    }

    int fd_;
    const std::string& name_;
    Slot slots_[2];
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t current_ = 0;
    bool taken_ = false;
    bool stop_ = false;
    std::thread reader_;  // last: started once the rest is in place
};

// --stream: one variant of the whole input, written as it is read.
std::optional<Failure> Stream(int fd, const std::string& name, std::size_t variant, bool utf16) {
    // The output half a page off the input's place in its page: where a byte is read and where
    // its mapping is written would otherwise share the low address bits, which the processor
    // takes for a dependence and waits on (4K aliasing), at a third of the speed.
    constexpr std::size_t Offset = 2048;
    const auto buffer =
        std::make_unique_for_overwrite<char[]>(Offset + Varnopile::StreamConverter::OutputBound(Pieces::Size));
    char* const out = buffer.get() + Offset;
    Varnopile::StreamConverter converter(variant, utf16 ? Varnopile::StreamForm::Utf16Le : Varnopile::StreamForm::Utf8);
    Pieces pieces(fd, name);
    for (;;) {
        std::optional<Failure> failure;
        const std::string_view piece = pieces.Next(failure);
        if (failure) return failure;
        const std::size_t written = !piece.empty() ? converter.Put(piece, out) : converter.Finish(out);
        if (auto writeFailure = WriteOut({out, written})) return writeFailure;
        if (converter.Failed()) return InvalidInput(name, utf16, converter.FailureOffset());
        if (piece.empty()) return std::nullopt;
    }
}

// Without --stream only the units the cut keeps are kept, but the whole input is still checked,
// so a bad byte past the cut fails the run as it always did.
std::optional<Failure> ReadSource(int fd, const std::string& name, bool utf16, std::u16string& text) {
    // 16384 units take at most three bytes each in UTF-8; one more sequence may straddle the cut.
    const std::size_t headLimit = utf16 ? 2 * Varnopile::SourceLimit : 3 * Varnopile::SourceLimit + 4;
    std::string head;
    Varnopile::StreamConverter check(utf16 ? Varnopile::StreamForm::Utf16Le : Varnopile::StreamForm::Utf8);
    char chunk[65536];
    for (;;) {
        std::optional<Failure> failure;
        const std::size_t got = ReadSome(fd, chunk, sizeof chunk, name, failure);
        if (failure) return failure;
        if (got == 0) break;
        head.append(chunk, std::min(got, headLimit - head.size()));
        check.Put({chunk, got}, nullptr);
        if (check.Failed()) break;
    }
    if (!check.Failed()) check.Finish(nullptr);
    if (check.Failed()) return InvalidInput(name, utf16, check.FailureOffset());
    if (utf16) {
        text = Tormvale::FromUtf16Le(head);
        return std::nullopt;
    }
    // The head may end inside a sequence: leave that one out.
    std::size_t end = head.size();
    for (std::size_t back = 1; back <= 3 && back <= head.size(); ++back) {
        const auto c = static_cast<unsigned char>(head[head.size() - back]);
        if ((c & 0xC0) == 0x80) continue;
        const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (back < length) end = head.size() - back;
        break;
    }
    text = Tormvale::Utf8ToUtf16(std::string_view(head).substr(0, end));
    return std::nullopt;
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
        const char* shortForm = c == u'"'    ? "\\\""
                                : c == u'\\' ? "\\\\"
                                : c == u'\n' ? "\\n"
                                : c == u'\r' ? "\\r"
                                : c == u'\t' ? "\\t"
                                : c == u'\b' ? "\\b"
                                : c == u'\f' ? "\\f"
                                             : nullptr;
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

int Run(const Options& options) {
    if (options.help || options.version) {
        const std::string text = options.help ? Usage() : std::string(Program) + " " + VARNOPILE_VERSION + "\n";
        if (auto failure = WriteOut(text)) return Fail(*failure);
        return 0;
    }

    const std::string name = options.file ? *options.file : "standard input";
    int fd = Convert::StandardInput;
    if (options.file) {
        fd = Convert::OpenForReading(*options.file);
        if (fd < 0) return Fail({1, std::string(Program) + ": " + name + ": " + std::strerror(errno) + "\n"});
    }
    struct Closer {
        int fd;
        ~Closer() {
            if (fd != Convert::StandardInput) Convert::Close(fd);
        }
    } closer{fd};

    if (options.stream) {
        if (auto failure = Stream(fd, name, *options.variant, options.utf16)) return Fail(*failure);
        return 0;
    }

    std::u16string text;
    if (auto failure = ReadSource(fd, name, options.utf16, text)) return Fail(*failure);
    const Varnopile::ConversionSet set = Varnopile::BuildConversionSet(text, Varnopile::MapSource::Tables);
    std::string out;
    if (options.variant) {
        const std::u16string& variant = set[*options.variant];
        // UTF-8 cannot carry a lone surrogate (the cut can leave one at the end): it becomes U+FFFD.
        out = options.utf16 ? Tormvale::ToUtf16Le(variant) : Tormvale::Utf16ToUtf8(variant);
    } else {
        out = "[";
        for (std::size_t i = 0; i < set.size(); ++i) {
            out += i == 0 ? "{\"label\": " : ", {\"label\": ";
            AppendJsonString(out, Varnopile::Variants[i].label);
            out += ", \"text\": ";
            AppendJsonString(out, set[i]);
            out += "}";
        }
        out += "]\n";
    }
    if (auto failure = WriteOut(out)) return Fail(*failure);
    return 0;
}

}  // namespace

int Convert::Main(int argc, char** argv) {
    Options options;
    if (auto failure = ParseArguments(argc, argv, options)) return Fail(*failure);
    try {
        return Run(options);
    } catch (const ReaderGone&) {
        return 0;
    }
}
