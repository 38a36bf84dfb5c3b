#include "win/scaledfont.h"

#include <cwchar>
#include <utility>

namespace Win {

ScaledFont::ScaledFont(std::u16string face, int points, BYTE charset, BYTE pitch)
    : face_(std::move(face)), points_(points), charset_(charset), pitch_(pitch) {}

ScaledFont::~ScaledFont() {
    if (font_) DeleteObject(font_);
}

void ScaledFont::SetFace(const std::u16string& face) {
    if (face.empty() || face == face_) return;
    face_ = face;
    madeFor_ = 0;
}

void ScaledFont::SetPoints(int points) {
    if (points == points_) return;
    points_ = points;
    madeFor_ = 0;
}

LOGFONTW ScaledFont::Description(UINT dpi) const {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(points_, static_cast<int>(dpi), 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = charset_;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = pitch_;
    // A face longer than the field is cut, as the system would.
    wcsncpy(lf.lfFaceName, reinterpret_cast<const wchar_t*>(face_.c_str()), LF_FACESIZE - 1);
    return lf;
}

HFONT ScaledFont::Handle(UINT dpi) {
    if (font_ && madeFor_ == dpi) return font_;
    const LOGFONTW lf = Description(dpi);
    HFONT made = CreateFontIndirectW(&lf);
    if (!made) return font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (font_) DeleteObject(font_);
    font_ = made;
    madeFor_ = dpi;
    return font_;
}

}  // namespace Win
