#pragma once
// The window's outer bounds, which four of the settings file's entries hold.
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

#include "util/placement.h"

class QWidget;

namespace Ui {

// The window's outer bounds, frame included, as the settings store them and the placement rules
// read and move them, under any window manager. Until the window system has them they are held
// here in full: a stored left near the int32 limit has no right edge in int.
class OuterBounds : public Tormvale::WindowHandle {
public:
    // minimum: the smallest outer size the window takes; the largest is the virtual desktop.
    OuterBounds(QWidget* window, QSize minimum);

    // Before the window is shown: learns the frame the window manager will draw and puts the
    // outer frame's corner at topLeft around a client of clientSize.
    void Start(QPoint topLeft, QSize clientSize);

    bool GetRect(Tormvale::Rect& rect) const override;
    bool IsMaximized() const override;
    void Move(int32_t left, int32_t top, int32_t width, int32_t height, bool repaint) override;

    // For the window's events once shown. The first time the frame is known, a frame other than
    // the one assumed is made good, but only while the window stands where it was put: once the
    // user or the window manager has moved or sized it, their place wins. Either way the target
    // is then forgotten, so it can never come back at a later drag.
    void Settle();

    QMargins Frame() const { return frame_; }

private:
    void Apply();

    QWidget* window_;
    QSize minimum_;
    QMargins frame_;  // as assumed before showing, as last seen after
    QPoint placed_;   // the outer corner last asked for
    struct Target {
        qint64 left, top, width, height;  // outer, primary screen at (0, 0)
        QRect client;                     // what the window system was given
    };
    std::optional<Target> target_;
};

}  // namespace Ui
