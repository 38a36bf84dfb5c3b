#include <windows.h>

#include <random>

#include "util/settingsfile.h"
#include "util/staletemps.h"
#include "util/widestring.h"
#include "util/writeall_win.h"

namespace Tormvale {

namespace {

[[noreturn]] void ThrowLastOpenError(const std::string& path) {
    ThrowOpenError(path, static_cast<int>(::GetLastError()));
}
[[noreturn]] void ThrowLastCreateError(const std::string& path) {
    ThrowCreateError(path, static_cast<int>(::GetLastError()));
}

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    bool Close() {
        const bool ok = !Valid() || ::CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

std::wstring FolderOf(const std::wstring& path) {
    const auto sep = path.find_last_of(L"\\/");
    return sep == std::wstring::npos ? L"." : path.substr(0, sep);
}

// Through a link, the file it leads to is replaced, not the link. Unlike elsewhere, nobody else
// can have planted one: only an administrator may make links, and the folder is the user's.
std::wstring SaveTarget(const std::string& path) {
    const std::wstring wide = ToWide(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return wide;
    Handle link(::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!link.Valid()) ThrowLastCreateError(path);  // a dangling link: creating its target is no safer
    std::wstring target(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetFinalPathNameByHandleW(link.get(), target.data(), static_cast<DWORD>(target.size()),
                                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) ThrowLastCreateError(path);
        if (n < target.size()) {
            target.resize(n);
            return target;
        }
        target.resize(n);
    }
}

// "<file>.XXXXXX.tmp" with six random letters and digits, created anew (never an existing file).
HANDLE CreateTemp(const std::wstring& target, std::wstring& temp) {
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    const std::wstring pattern = ToWide(TempPattern(FromWide(target)));
    const std::size_t x = pattern.rfind(L"XXXXXX");
    for (int attempt = 0;; ++attempt) {
        temp = pattern;
        for (std::size_t k = 0; k < 6; ++k) temp[x + k] = static_cast<wchar_t>(Alphabet[random() % 62]);
        const HANDLE h =
            ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS || attempt == 100) return h;
    }
}

}  // namespace

std::string ReadSettingsFile(const std::string& path) {
    const std::wstring wide = ToWide(path);
    // A folder of that name is no file.
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {};
    Handle file(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD err = ::GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return {};
        ThrowOpenError(path, static_cast<int>(err));
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) ThrowLastOpenError(path);
        if (got == 0) break;
        bytes.append(buffer, got);
    }
    return bytes;
}

// The user is not asked after: Windows has no user numbers, and the folder is the user's by its
// access list (see SaveTarget for links).
void ReplaceSettingsFile(const std::string& path, std::string_view bytes, UserId /*user*/) {
    const std::wstring target = SaveTarget(path);
    // Whatever would keep the file from being created anew (read-only, a folder, another program
    // holding it) fails here, with its own error, before anything is written.
    if (const DWORD attributes = ::GetFileAttributesW(target.c_str()); attributes != INVALID_FILE_ATTRIBUTES) {
        // Said outright: Wine run by root would open a read-only file for writing.
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) ThrowCreateError(path, ERROR_ACCESS_DENIED);
        Handle probe(::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!probe.Valid()) ThrowLastCreateError(path);
    }

    const std::wstring folder = FolderOf(target);
    const std::string name = FromWide(target.substr(folder.size() + 1));
    RemoveStaleTemps(FromWide(folder), name, CurrentUser());
    std::wstring temp;
    Handle file(CreateTemp(target, temp));
    if (!file.Valid()) ThrowLastCreateError(path);
    if (!WriteWhole(file.get(), bytes) || !::FlushFileBuffers(file.get()) || !file.Close()) {
        file.Close();
        ::DeleteFileW(temp.c_str());
        ThrowWriteError();
    }
    if (!::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD err = ::GetLastError();
        ::DeleteFileW(temp.c_str());
        ThrowCreateError(path, static_cast<int>(err));
    }
}

}  // namespace Tormvale
