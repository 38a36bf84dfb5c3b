#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/convertio.h"
#include "util/widestring.h"

namespace Convert {

int OpenForReading(const std::string& path) {
    // The name as UTF-16: a name outside the ANSI code page (日本.txt under 1252) opens too.
    return ::_wopen(Tormvale::ToWide(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

void Close(int fd) { ::_close(fd); }

std::ptrdiff_t Read(int fd, char* buffer, std::size_t size) {
    return ::_read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}

bool IsRegularFile(int fd) {
    struct _stat64 file;
    return ::_fstat64(fd, &file) == 0 && (file.st_mode & _S_IFMT) == _S_IFREG;
}

}  // namespace Convert

// wmain: the arguments as the user typed them, in UTF-16, not squeezed through the ANSI code page.
int wmain(int argc, wchar_t** argv) {
    // Bytes in, bytes out, as elsewhere: no CR LF for LF, no end of input at 0x1A.
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(Tormvale::FromWide(argv[i]));
    std::vector<char*> pointers;
    for (std::string& arg : args) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    return Convert::Main(argc, pointers.data());
}
