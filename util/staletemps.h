#pragma once
// The temporary files a save writes before its rename: their names, and removing those that a
// killed save left behind.
#include <string>
#include <string_view>

#include "util/userid.h"

namespace Tormvale {

// "<file>.XXXXXX.tmp", for mkostemps with TempSuffix: the suffix keeps a user's own
// "Varnopile.ini.backup" from ever looking like ours.
inline constexpr std::string_view TempSuffix = ".tmp";
std::string TempPattern(const std::string& target);

// Whether name (in the folder of file) is one of TempPattern's for file: XXXXXX made of six ASCII
// letters and digits.
bool IsTempName(std::string_view name, std::string_view file);

// Removes from folder the temporary files of saves of file (a name in folder) that user's saves
// left there; anything else in the folder is left alone.
void RemoveStaleTemps(const std::string& folder, std::string_view file, UserId user);

}  // namespace Tormvale
