#include "platform/qtdesktop.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <climits>

namespace Platform {

namespace {

// Qt places the primary screen anywhere in the virtual desktop; the arithmetic wants it at (0, 0).
QPoint PrimaryOrigin() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().topLeft() : QPoint(0, 0);
}

// QRect's right() and bottom() are inclusive; ours lie just outside.
Tormvale::Rect ToRect(const QRect& r, const QPoint& origin) {
    const QRect s = r.translated(-origin);
    return {s.x(), s.y(), s.x() + s.width(), s.y() + s.height()};
}

int Saturate(qint64 v) { return static_cast<int>(std::clamp<qint64>(v, INT_MIN, INT_MAX)); }

}  // namespace

bool TaskbarStrip(const QRect& screen, const QRect& available, Tormvale::Rect& rect, uint32_t& edge) {
    if (!screen.isValid() || !available.isValid() || screen == available) return false;
    const int sLeft = screen.x(), sTop = screen.y();
    const int sRight = sLeft + screen.width(), sBottom = sTop + screen.height();
    const int aLeft = available.x(), aTop = available.y();
    const int aRight = aLeft + available.width(), aBottom = aTop + available.height();

    struct Strip {
        int size;
        uint32_t edge;
        Tormvale::Rect rect;
    };
    // In ABE order, so equal strips resolve to the first.
    const Strip strips[] = {
        {aLeft - sLeft, Tormvale::ABE_LEFT, {sLeft, sTop, aLeft, sBottom}},
        {aTop - sTop, Tormvale::ABE_TOP, {sLeft, sTop, sRight, aTop}},
        {sRight - aRight, Tormvale::ABE_RIGHT, {aRight, sTop, sRight, sBottom}},
        {sBottom - aBottom, Tormvale::ABE_BOTTOM, {sLeft, aBottom, sRight, sBottom}},
    };
    const Strip* best = std::max_element(std::begin(strips), std::end(strips),
                                         [](const Strip& a, const Strip& b) { return a.size < b.size; });
    if (best->size <= 0) return false;
    rect = best->rect;
    edge = best->edge;
    return true;
}

bool QtDesktopGeometry::WorkArea(Tormvale::Rect& area) const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return false;
    area = ToRect(screen->availableGeometry(), screen->geometry().topLeft());
    return true;
}

bool QtDesktopGeometry::TaskbarPosition(Tormvale::Rect& rect, uint32_t& edge) const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return false;
    const QPoint origin = screen->geometry().topLeft();
    return TaskbarStrip(screen->geometry().translated(-origin), screen->availableGeometry().translated(-origin),
                        rect, edge);
}

bool QtDesktopGeometry::IsOnMonitor(int32_t x, int32_t y) const {
    const QPoint origin = PrimaryOrigin();
    const qint64 gx = qint64{x} + origin.x(), gy = qint64{y} + origin.y();
    if (gx < INT_MIN || gx > INT_MAX || gy < INT_MIN || gy > INT_MAX) return false;
    return QGuiApplication::screenAt(QPoint(static_cast<int>(gx), static_cast<int>(gy))) != nullptr;
}

bool QtWindowHandle::GetRect(Tormvale::Rect& rect) const {
    if (window_ == nullptr) return false;
    rect = ToRect(window_->frameGeometry(), PrimaryOrigin());
    return true;
}

bool QtWindowHandle::IsMaximized() const { return window_ != nullptr && window_->isMaximized(); }

void QtWindowHandle::Move(int32_t left, int32_t top, int32_t width, int32_t height, bool repaint) {
    if (window_ == nullptr) return;
    const QRect frame = window_->frameGeometry();
    const QRect client = window_->geometry();
    const int marginLeft = client.x() - frame.x();
    const int marginTop = client.y() - frame.y();
    const int extraWidth = frame.width() - client.width();
    const int extraHeight = frame.height() - client.height();
    const QPoint origin = PrimaryOrigin();
    window_->setGeometry(Saturate(qint64{left} + origin.x() + marginLeft),
                         Saturate(qint64{top} + origin.y() + marginTop),
                         Saturate(std::max<qint64>(0, qint64{width} - extraWidth)),
                         Saturate(std::max<qint64>(0, qint64{height} - extraHeight)));
    if (repaint) window_->update();
}

}  // namespace Platform
