#include "util/settingsstore.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "util/casetable.h"
#include "util/datafolder.h"
#include "util/errors.h"
#include "util/intparse.h"
#include "util/text.h"

namespace Tormvale {

namespace {

bool IsTrimmed(char16_t c) { return c <= 32; }

std::u16string_view TrimLeft(std::u16string_view s) {
    while (!s.empty() && IsTrimmed(s.front())) s.remove_prefix(1);
    return s;
}

std::u16string_view TrimRight(std::u16string_view s) {
    while (!s.empty() && IsTrimmed(s.back())) s.remove_suffix(1);
    return s;
}

std::u16string_view Trim(std::u16string_view s) { return TrimRight(TrimLeft(s)); }

// An odd trailing byte is no unit and is ignored.
std::u16string DecodeUtf16(std::string_view b, bool bigEndian) {
    std::u16string out;
    out.reserve(b.size() / 2);
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        const auto lo = static_cast<unsigned char>(b[bigEndian ? i + 1 : i]);
        const auto hi = static_cast<unsigned char>(b[bigEndian ? i : i + 1]);
        out.push_back(static_cast<char16_t>(lo | (hi << 8)));
    }
    return out;
}

bool StartsWith(std::string_view b, std::string_view mark) { return b.substr(0, mark.size()) == mark; }

bool SameCharsetName(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

// UTF-8 and the legacy character sets never hold a NUL byte; UTF-16LE holds one after every ASCII
// character. Editors that save "Unicode" without a mark write such files.
bool LooksLikeUtf16LE(std::string_view b) {
    if (b.size() % 2 != 0) return false;
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        const auto lo = static_cast<unsigned char>(b[i]);
        if (lo != 0 && lo < 0x80 && b[i + 1] == '\0') return true;
    }
    return false;
}

std::u16string Decode(std::string_view bytes, SettingsEncoding enc) {
    if (enc == SettingsEncoding::Utf16LE) {
        if (StartsWith(bytes, "\xFF\xFE")) bytes.remove_prefix(2);
        return DecodeUtf16(bytes, false);
    }
    if (StartsWith(bytes, "\xEF\xBB\xBF")) return Utf8ToUtf16Lossy(bytes.substr(3));
    if (StartsWith(bytes, "\xFF\xFE")) return DecodeUtf16(bytes.substr(2), false);
    if (StartsWith(bytes, "\xFE\xFF")) return DecodeUtf16(bytes.substr(2), true);
    if (LooksLikeUtf16LE(bytes)) return DecodeUtf16(bytes, false);
    return DecodeCharset(bytes, nl_langinfo(CODESET));
}

std::u16string OpenErrorText(const std::string& path, int err) {
    return u"ファイル " + U(path) + u" は開けません。 " + SystemErrorText(err) + u" ";
}

[[noreturn]] void ThrowOpenError(const std::string& path, int err) {
    throw FileOpenError(OpenErrorText(path, err));
}

[[noreturn]] void ThrowCreateError(const std::string& path, int err) {
    throw FileCreateError(u"ファイル \"" + U(path) + u"\" を作成できません。" + SystemErrorText(err));
}

[[noreturn]] void ThrowWriteError() { throw StreamWriteError(u"ストリームへの書き込みエラー"); }

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // The close result matters after writing: NFS and full disks report there.
    int Close() {
        const int r = ::close(fd_);
        fd_ = -1;
        return r;
    }

private:
    int fd_;
};

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Through a link, the file it leads to is replaced, not the link. In a folder that others can
// write to, though, a link may be anyone's and lead to any of the user's files (a planted link to
// ~/.bashrc would have it replaced by settings): a link is followed only where nobody but the user
// could have made or aimed it, each link of a chain, as ssh trusts its files.
std::string SaveTarget(const std::string& path, uid_t user) {
    std::string current = path;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (hops == 0) return path;
            ThrowCreateError(path, errno);  // a dangling link: creating its target is no safer
        }
        if (!S_ISLNK(st.st_mode)) break;
        if (hops == 40) ThrowCreateError(path, ELOOP);
        if (!OnlyUserCanChange(FolderOf(current), user)) ThrowCreateError(path, EPERM);
        std::string next(PATH_MAX, '\0');
        const ssize_t n = ::readlink(current.c_str(), next.data(), next.size());
        if (n < 0 || static_cast<std::size_t>(n) >= next.size()) ThrowCreateError(path, n < 0 ? errno : ENAMETOOLONG);
        next.resize(static_cast<std::size_t>(n));
        current = next.starts_with('/') ? next : FolderOf(current) + "/" + next;
    }
    if (current != path && (!OnlyUserCanChange(current, user) || !OnlyUserCanChange(FolderOf(current), user)))
        ThrowCreateError(path, EPERM);
    return current;
}

// "<file>.XXXXXX.tmp": the suffix keeps a user's own "Varnopile.ini.backup" from ever looking like ours.
constexpr std::string_view TempSuffix = ".tmp";

std::string TempPattern(const std::string& target) { return target + ".XXXXXX" + std::string(TempSuffix); }

bool IsTempName(std::string_view name, std::string_view file) {
    if (name.size() != file.size() + 1 + 6 + TempSuffix.size() || !name.starts_with(file) ||
        name[file.size()] != '.' || !name.ends_with(TempSuffix)) {
        return false;
    }
    // What mkostemps puts in place of XXXXXX.
    for (const char c : name.substr(file.size() + 1, 6)) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    }
    return true;
}

// A save killed between creating its temporary file and the rename leaves that file behind. Ours
// are regular files of the user's with our name pattern that no one else may even read (mkostemps
// makes them 0600); anything else in the folder is left alone.
void RemoveStaleTemps(const std::string& target, uid_t user) {
    DIR* dir = ::opendir(FolderOf(target).c_str());
    if (dir == nullptr) return;
    const std::string file = NameOf(target);
    while (const dirent* e = ::readdir(dir)) {
        if (!IsTempName(e->d_name, file)) continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == user && (st.st_mode & 077) == 0) {
            ::unlinkat(::dirfd(dir), e->d_name, 0);
        }
    }
    ::closedir(dir);
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void AppendLe(std::string& out, std::u16string_view text) {
    for (const char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
}

}  // namespace

std::u16string UpperCaseName(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) c = CaseTable::SimpleUpperCase(c);
    return out;
}

std::u16string DecodeCharset(std::string_view bytes, const char* codeset) {
    // "ANSI_X3.4-1968" is the C locale's ASCII, a subset of UTF-8, which current systems use.
    if (codeset == nullptr || *codeset == '\0' || SameCharsetName(codeset, "UTF-8") ||
        SameCharsetName(codeset, "UTF8") || SameCharsetName(codeset, "ANSI_X3.4-1968")) {
        return Utf8ToUtf16Lossy(bytes);
    }
    iconv_t cd = iconv_open("UTF-16LE", codeset);
    if (cd == reinterpret_cast<iconv_t>(-1)) return Utf8ToUtf16Lossy(bytes);

    std::u16string out;
    out.reserve(bytes.size());
    char buffer[4096];
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    const auto flush = [&](const char* end) {
        for (const char* p = buffer; p + 1 < end; p += 2) {
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(p[0]) |
                                                (static_cast<unsigned char>(p[1]) << 8)));
        }
    };
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        flush(outPtr);
        if (r != static_cast<std::size_t>(-1) || err == E2BIG) continue;
        // EILSEQ or a truncated sequence at the end: one replacement unit per bad byte.
        out.push_back(u'\uFFFD');
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

SettingsStore SettingsStore::Parse(std::string_view bytes, SettingsEncoding enc, std::string path) {
    SettingsStore store;
    store.path_ = std::move(path);
    const std::u16string text = Decode(bytes, enc);

    std::size_t current = SIZE_MAX;  // index of the section lines go to; none before the first header
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
        const std::u16string_view line = Trim(std::u16string_view(text).substr(pos, end - pos));
        if (end == text.size()) {
            pos = end;
        } else if (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') {
            pos = end + 2;
        } else {
            pos = end + 1;
        }

        if (line.empty() || line.front() == u';') continue;
        if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
            current = store.AddSection(Trim(line.substr(1, line.size() - 2)));
            continue;
        }
        if (current == SIZE_MAX) continue;

        Line entry;
        const auto eq = line.find(u'=');
        if (eq == std::u16string_view::npos) {
            entry.key = line;
        } else {
            entry.isEntry = true;
            entry.key = TrimRight(line.substr(0, eq));
            entry.value = TrimLeft(line.substr(eq + 1));
        }
        store.AddLine(current, std::move(entry));
    }
    return store;
}

SettingsStore SettingsStore::Load(const std::string& path, SettingsEncoding enc) {
    // O_NONBLOCK: a FIFO of that name must not hang the window.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return Parse({}, enc, path);
        ThrowOpenError(path, errno);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) ThrowOpenError(path, errno);
    if (S_ISDIR(st.st_mode)) return Parse({}, enc, path);
    if (!S_ISREG(st.st_mode)) ThrowOpenError(path, EINVAL);
    // Root opens anything; a file its owner cannot read is still unreadable to us.
    if ((st.st_mode & S_IRUSR) == 0) ThrowOpenError(path, EACCES);

    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowOpenError(path, errno);
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return Parse(bytes, enc, path);
}

std::size_t SettingsStore::FindSection(std::u16string_view name) const {
    const auto it = sectionIndex_.find(UpperCaseName(name));
    return it == sectionIndex_.end() ? SIZE_MAX : it->second;
}

// A name met again (in any letter case) gives the section that has it already.
std::size_t SettingsStore::AddSection(std::u16string_view name) {
    const auto [it, added] = sectionIndex_.try_emplace(UpperCaseName(name), sections_.size());
    if (added) {
        sections_.push_back(Section{std::u16string(name), {}});
        keyIndex_.emplace_back();
    }
    return it->second;
}

// The last line whose key (or whole text, for a valueless line) matches counts.
std::size_t SettingsStore::FindLine(std::size_t section, std::u16string_view ident) const {
    KeyIndex& index = keyIndex_[section];
    if (!index.built) {
        const std::vector<Line>& lines = sections_[section].lines;
        for (std::size_t i = 0; i < lines.size(); ++i) index.lines.insert_or_assign(UpperCaseName(lines[i].key), i);
        index.built = true;
    }
    const auto it = index.lines.find(UpperCaseName(ident));
    return it == index.lines.end() ? SIZE_MAX : it->second;
}

void SettingsStore::AddLine(std::size_t section, Line line) {
    std::vector<Line>& lines = sections_[section].lines;
    if (KeyIndex& index = keyIndex_[section]; index.built) index.lines.insert_or_assign(UpperCaseName(line.key), lines.size());
    lines.push_back(std::move(line));
}

std::u16string SettingsStore::ReadString(std::u16string_view section, std::u16string_view ident,
                                         std::u16string_view def) const {
    const std::size_t s = FindSection(section);
    if (s == SIZE_MAX) return std::u16string(def);
    const std::size_t line = FindLine(s, ident);
    if (line == SIZE_MAX || !sections_[s].lines[line].isEntry) return std::u16string(def);
    return sections_[s].lines[line].value;
}

int32_t SettingsStore::ReadInteger(std::u16string_view section, std::u16string_view ident, int32_t def) const {
    int32_t value = def;
    if (!TryParseInteger(ReadString(section, ident, u""), value)) return def;
    return value;
}

void SettingsStore::WriteString(std::u16string_view section, std::u16string_view ident,
                                std::u16string_view value) {
    const std::size_t s = AddSection(section);
    if (const std::size_t found = FindLine(s, ident); found != SIZE_MAX) {
        // The key keeps its spelling from the file, so the index stays right.
        Line& line = sections_[s].lines[found];
        line.isEntry = true;
        line.value = value;
        return;
    }
    AddLine(s, Line{true, std::u16string(ident), std::u16string(value)});
}

void SettingsStore::WriteInteger(std::u16string_view section, std::u16string_view ident, int32_t value) {
    const std::string digits = std::to_string(value);
    WriteString(section, ident, std::u16string(digits.begin(), digits.end()));
}

std::string SettingsStore::Serialize() const {
    std::string out = "\xFF\xFE";
    for (const Section& s : sections_) {
        AppendLe(out, u"[");
        AppendLe(out, s.name);
        AppendLe(out, u"]\r\n");
        for (const Line& line : s.lines) {
            AppendLe(out, line.key);
            if (line.isEntry) {
                AppendLe(out, u"=");
                AppendLe(out, line.value);
            }
            AppendLe(out, u"\r\n");
        }
        AppendLe(out, u"\r\n");
    }
    return out;
}

void SettingsStore::UpdateFile(uid_t user) const {
    const std::string bytes = Serialize();
    const std::string target = SaveTarget(path_, user);
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) ThrowCreateError(path_, EISDIR);
        // A read-only file stays read-only to us, root included.
        if ((st.st_mode & S_IWUSR) == 0) ThrowCreateError(path_, EACCES);
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) ThrowCreateError(path_, errno);
    } else if (errno != ENOENT) {
        ThrowCreateError(path_, errno);
    }

    RemoveStaleTemps(target, user);
    std::string temp = TempPattern(target);
    Fd fd(::mkostemps(temp.data(), static_cast<int>(TempSuffix.size()), O_CLOEXEC));
    if (fd.get() < 0) ThrowCreateError(path_, errno);
    const auto fail = [&](bool create, int err) {
        fd.Close();
        ::unlink(temp.c_str());
        if (create) ThrowCreateError(path_, err);
        ThrowWriteError();
    };
    // mkostemps's 0600 is subject to the umask.
    if (::fchmod(fd.get(), 0600) != 0) fail(true, errno);
    if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0) fail(false, errno);
    if (fd.Close() != 0) {
        ::unlink(temp.c_str());
        ThrowWriteError();
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        ThrowCreateError(path_, err);
    }
    // Make the rename itself durable; the data is already safe either way.
    Fd folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
}

}  // namespace Tormvale
