#pragma once
// The core's text as Qt's: both are UTF-16, so the units pass unchanged.
#include <QString>
#include <string>

namespace Ui {

inline QString ToQ(const std::u16string& s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace Ui
