// The Qt desktop stand-in of the placement routines, on the offscreen platform.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "platform/qtdesktopgeometry.h"

using Platform::QtDesktopGeometry;
using Platform::TaskbarStrip;
using Tormvale::Rect;

namespace {

bool Same(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const Rect& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

}  // namespace

TEST(QtDesktop, TaskbarStripFromGeometries) {
    const QRect screen(0, 0, 1920, 1080);
    const struct {
        const char* name;
        QRect screen, available;
        bool found;
        Rect rect;
        uint32_t edge;
    } cases[] = {
        {"bottom", screen, QRect(0, 0, 1920, 1040), true, {0, 1040, 1920, 1080}, Tormvale::AbeBottom},
        {"top", screen, QRect(0, 40, 1920, 1040), true, {0, 0, 1920, 40}, Tormvale::AbeTop},
        {"left", screen, QRect(60, 0, 1860, 1080), true, {0, 0, 60, 1080}, Tormvale::AbeLeft},
        {"right", screen, QRect(0, 0, 1860, 1080), true, {1860, 0, 1920, 1080}, Tormvale::AbeRight},
        {"top bar and wider dock: the dock",
         screen,
         QRect(70, 32, 1850, 1048),
         true,
         {0, 0, 70, 1080},
         Tormvale::AbeLeft},
        {"equal strips: the first edge", screen, QRect(40, 40, 1880, 1040), true, {0, 0, 40, 1080}, Tormvale::AbeLeft},
        {"none", screen, screen, false, {}, 0},
        {"available larger", screen, QRect(-10, -10, 1940, 1100), false, {}, 0},
    };
    for (const auto& c : cases) {
        Rect rect{};
        uint32_t edge = 99;
        EXPECT_EQ(TaskbarStrip(c.screen, c.available, rect, edge), c.found) << c.name;
        if (!c.found) continue;
        EXPECT_TRUE(Same(rect, c.rect)) << c.name << " " << Show(rect);
        EXPECT_EQ(edge, c.edge) << c.name;
    }
}

TEST(QtDesktop, PrimaryScreen) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect g = screen->geometry();
    const QRect a = screen->availableGeometry().translated(-g.topLeft());
    QtDesktopGeometry desktop;
    Rect area{};
    ASSERT_TRUE(desktop.WorkArea(area));
    EXPECT_TRUE(Same(area, {a.x(), a.y(), a.x() + a.width(), a.y() + a.height()})) << Show(area);

    Rect bar{};
    uint32_t edge = 0;
    EXPECT_EQ(desktop.TaskbarPosition(bar, edge), a != QRect(QPoint(0, 0), g.size()));

    const struct {
        int32_t x, y;
        bool on;
    } points[] = {
        {0, 0, true},
        {g.width() - 1, g.height() - 1, true},
        {-1, 0, false},
        {0, -1, false},
        {g.width(), 0, false},
        {0, g.height(), false},
        {INT32_MAX, INT32_MAX, false},
    };
    for (const auto& p : points) EXPECT_EQ(desktop.IsOnMonitor(p.x, p.y), p.on) << p.x << ", " << p.y;
}
