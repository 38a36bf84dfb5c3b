#include "ui/outerbounds.h"

#include <QWidget>
#include <algorithm>

#include "platform/qtdesktopgeometry.h"
#include "platform/windowframe.h"

namespace Ui {

namespace {

// X carries positions and sizes in 16 bits; nothing beyond them reaches the window system.
constexpr qint64 WindowSystemLimit = 32767;

int ToWindowSystem(qint64 v, qint64 low) { return static_cast<int>(std::clamp(v, low, WindowSystemLimit)); }

// A window manager that takes longer than this to say what frame it will draw is corrected once
// the window is up.
constexpr int FrameAnswerMs = 500;

}  // namespace

OuterBounds::OuterBounds(QWidget* window, QSize minimum) : window_(window), minimum_(minimum) {}

void OuterBounds::Start(QPoint topLeft, QSize clientSize) {
    const std::optional<QMargins> frame = Platform::FrameBeforeShowing(window_, FrameAnswerMs);
    frame_ = frame.value_or(QMargins());
    Move(topLeft.x(), topLeft.y(), clientSize.width() + frame_.left() + frame_.right(),
         clientSize.height() + frame_.top() + frame_.bottom(), false);
}

bool OuterBounds::GetRect(Tormvale::Rect& rect) const {
    if (target_ && !window_->isVisible()) {
        rect = {target_->left, target_->top, target_->left + target_->width, target_->top + target_->height};
        return true;
    }
    const QRect client = window_->geometry();
    const QMargins frame = Platform::CurrentFrame(window_).value_or(frame_);
    const QPoint origin = Platform::PrimaryOrigin();
    qint64 left = qint64{client.x()} - frame.left() - origin.x();
    qint64 top = qint64{client.y()} - frame.top() - origin.y();
    if (!Platform::ClientPlacesWindows()) {
        // Where the compositor put the window is not ours to know: keep the place we were given.
        left = placed_.x();
        top = placed_.y();
    }
    rect = {left, top, left + client.width() + frame.left() + frame.right(),
            top + client.height() + frame.top() + frame.bottom()};
    return true;
}

bool OuterBounds::IsMaximized() const { return window_->isMaximized(); }

void OuterBounds::Move(int32_t left, int32_t top, int32_t width, int32_t height, bool repaint) {
    // The window system's tracking sizes: never smaller than can be grabbed again, never larger
    // than the virtual desktop (a larger one only eats memory).
    qint64 w = width, h = height;
    const QSize largest = Platform::VirtualDesktopSize();
    if (largest.isValid()) {
        w = std::min<qint64>(w, largest.width());
        h = std::min<qint64>(h, largest.height());
    }
    w = std::max<qint64>(w, minimum_.width());
    h = std::max<qint64>(h, minimum_.height());
    target_ = Target{left, top, w, h, QRect()};
    placed_ = QPoint(left, top);
    Apply();
    if (repaint) window_->update();
}

void OuterBounds::Apply() {
    const QPoint origin = Platform::PrimaryOrigin();
    Target& t = *target_;
    const QRect client(ToWindowSystem(t.left + origin.x() + frame_.left(), -WindowSystemLimit),
                       ToWindowSystem(t.top + origin.y() + frame_.top(), -WindowSystemLimit),
                       ToWindowSystem(t.width - frame_.left() - frame_.right(), 1),
                       ToWindowSystem(t.height - frame_.top() - frame_.bottom(), 1));
    window_->setGeometry(client);
    t.client = window_->geometry();
}

void OuterBounds::Settle() {
    if (!target_ || !window_->isVisible()) return;
    const std::optional<QMargins> frame = Platform::CurrentFrame(window_);
    if (!frame) return;
    const bool same = *frame == frame_;
    frame_ = *frame;
    // A Wayland client neither sets nor learns its position: only the size tells.
    const QRect now = window_->geometry();
    const bool untouched = now.size() == target_->client.size() &&
                           (!Platform::ClientPlacesWindows() || now.topLeft() == target_->client.topLeft());
    if (!same && untouched && !window_->isMaximized() && !window_->isMinimized()) Apply();
    target_.reset();
}

}  // namespace Ui
