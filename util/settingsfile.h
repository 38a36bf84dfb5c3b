#pragma once
// The settings file on disk: read whole, and replaced so that a failure leaves the old file as it
// was. Failures are thrown as FileOpenError, FileCreateError and StreamWriteError (util/errors.h).
#include <string>
#include <string_view>

#include "util/userid.h"

namespace Tormvale {

// A missing file, or a folder of that name, reads as no bytes.
std::string ReadSettingsFile(const std::string& path);

// Replaces the file at path through a temporary file in the same folder (mode 0600); temporary
// files that an interrupted save of user's left there go. A link at the path is written through;
// off Windows only when user alone can change the folder holding it, its target and the target's
// folder, else nothing is touched and FileCreateError says so.
void ReplaceSettingsFile(const std::string& path, std::string_view bytes, UserId user);

// The failures of the two, with the messages the user sees; err is a system error number, as
// SystemErrorText (util/errors.h) takes it.
[[noreturn]] void ThrowOpenError(const std::string& path, int err);
[[noreturn]] void ThrowCreateError(const std::string& path, int err);
[[noreturn]] void ThrowWriteError();

}  // namespace Tormvale
