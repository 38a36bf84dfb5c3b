#pragma once

namespace Platform {

// True when the platform Qt will pick can reach a display server; Qt itself aborts otherwise.
bool DisplayAvailable();

}  // namespace Platform
