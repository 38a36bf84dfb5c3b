#pragma once
#include <string_view>

namespace Varnopile {

// Row height for a list: its point size times 2.4 for the face "メイリオ" exactly, else 2.2, rounded.
int ListRowHeight(std::u16string_view face, int pointSize);

}  // namespace Varnopile
