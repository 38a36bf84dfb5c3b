#pragma once
// A font given by face and whole points, made for the resolution of the window that shows it.
#include <windows.h>

#include <string>

namespace Win {

class ScaledFont {
public:
    ScaledFont(std::u16string face, int points, BYTE charset, BYTE pitch = DEFAULT_PITCH);
    ~ScaledFont();
    ScaledFont(const ScaledFont&) = delete;
    ScaledFont& operator=(const ScaledFont&) = delete;

    // An empty face leaves the face as it was.
    void SetFace(const std::u16string& face);
    void SetPoints(int points);
    const std::u16string& Face() const { return face_; }
    int Points() const { return points_; }

    // The font at dpi, made again when the face, the size or the resolution changed.
    HFONT Handle(UINT dpi);
    // The font description at dpi: character height -points * dpi / 72.
    LOGFONTW Description(UINT dpi) const;

private:
    std::u16string face_;
    int points_;
    BYTE charset_;
    BYTE pitch_;
    HFONT font_ = nullptr;
    UINT madeFor_ = 0;
};

}  // namespace Win
