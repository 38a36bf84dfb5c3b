#pragma once
// The whole-buffer write on a Windows handle, for the Windows halves of util/.
#include <windows.h>

#include <string_view>

namespace Tormvale {

// Writes all of bytes, going on after a short write. False on a failure, GetLastError telling
// which (ERROR_WRITE_FAULT for a write that took nothing).
bool WriteWhole(HANDLE handle, std::string_view bytes);

}  // namespace Tormvale
