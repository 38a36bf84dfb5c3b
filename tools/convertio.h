#pragma once
// The converter's files and standard streams, one implementation per system (convertio_posix.cpp,
// convertio_win.cpp), which also holds the program's entry. Descriptors are the C library's.
#include <cstddef>
#include <string>

namespace Convert {

inline constexpr int StandardInput = 0;
inline constexpr int StandardOutput = 1;

// Opens a file named in UTF-8 for reading: the descriptor, or -1 with errno set.
int OpenForReading(const std::string& path);
void Close(int fd);

// Up to size bytes: the count, 0 at the end, or -1 with errno set.
std::ptrdiff_t Read(int fd, char* buffer, std::size_t size);

bool IsRegularFile(int fd);

// The converter itself, with the arguments in UTF-8; the system's entry calls it once its standard
// streams are as the converter needs them.
int Main(int argc, char** argv);

}  // namespace Convert
