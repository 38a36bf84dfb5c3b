#include "platform/qtdesktopgeometry.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <climits>

namespace Platform {

namespace {

// QRect's right() and bottom() are inclusive; ours lie just outside. Sums in 64 bits.
Tormvale::Rect ToRect(const QRect& r, const QPoint& origin) {
    const qint64 left = qint64{r.x()} - origin.x(), top = qint64{r.y()} - origin.y();
    return {left, top, left + r.width(), top + r.height()};
}

}  // namespace

// Qt places the primary screen anywhere in the virtual desktop; the arithmetic wants it at (0, 0).
QPoint PrimaryOrigin() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().topLeft() : QPoint(0, 0);
}

QSize VirtualDesktopSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->virtualSize() : QSize();
}

bool TaskbarStrip(const QRect& screen, const QRect& available, Tormvale::Rect& rect, uint32_t& edge) {
    if (!screen.isValid() || !available.isValid() || screen == available) return false;
    const qint64 sLeft = screen.x(), sTop = screen.y();
    const qint64 sRight = sLeft + screen.width(), sBottom = sTop + screen.height();
    const qint64 aLeft = available.x(), aTop = available.y();
    const qint64 aRight = aLeft + available.width(), aBottom = aTop + available.height();

    struct Strip {
        qint64 size;
        uint32_t edge;
        Tormvale::Rect rect;
    };
    // In ABE order, so equal strips resolve to the first.
    const Strip strips[] = {
        {aLeft - sLeft, Tormvale::AbeLeft, {sLeft, sTop, aLeft, sBottom}},
        {aTop - sTop, Tormvale::AbeTop, {sLeft, sTop, sRight, aTop}},
        {sRight - aRight, Tormvale::AbeRight, {aRight, sTop, sRight, sBottom}},
        {sBottom - aBottom, Tormvale::AbeBottom, {sLeft, aBottom, sRight, sBottom}},
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
    return TaskbarStrip(screen->geometry().translated(-origin), screen->availableGeometry().translated(-origin), rect,
                        edge);
}

bool QtDesktopGeometry::IsOnMonitor(int32_t x, int32_t y) const {
    const QPoint origin = PrimaryOrigin();
    const qint64 gx = qint64{x} + origin.x(), gy = qint64{y} + origin.y();
    if (gx < INT_MIN || gx > INT_MAX || gy < INT_MIN || gy > INT_MAX) return false;
    return QGuiApplication::screenAt(QPoint(static_cast<int>(gx), static_cast<int>(gy))) != nullptr;
}

}  // namespace Platform
