// Placement arithmetic over a scripted desktop and window.
#include <gtest/gtest.h>

#include <limits>
#include <utility>
#include <vector>

#include "util/placement.h"

using namespace Tormvale;

namespace {

constexpr int32_t Max32 = std::numeric_limits<int32_t>::max();
constexpr int32_t Min32 = std::numeric_limits<int32_t>::min();

struct ScriptedDesktop : DesktopGeometry {
    bool hasWorkArea = true;
    Rect workArea{0, 0, 1920, 1040};
    bool hasTaskbar = true;
    Rect taskbar{0, 1040, 1920, 1080};
    uint32_t edge = AbeBottom;
    std::vector<Rect> monitors{{0, 0, 1920, 1080}};
    mutable std::vector<std::pair<int32_t, int32_t>> probes;

    bool WorkArea(Rect& area) const override {
        if (hasWorkArea) area = workArea;
        return hasWorkArea;
    }
    bool TaskbarPosition(Rect& rect, uint32_t& e) const override {
        if (!hasTaskbar) return false;
        rect = taskbar;
        e = edge;
        return true;
    }
    bool IsOnMonitor(int32_t x, int32_t y) const override {
        probes.emplace_back(x, y);
        for (const Rect& m : monitors) {
            if (x >= m.left && x < m.right && y >= m.top && y < m.bottom) return true;
        }
        return false;
    }
};

struct MoveCall {
    int64_t left, top, width, height;
    bool repaint;
    bool operator==(const MoveCall&) const = default;
};

std::ostream& operator<<(std::ostream& os, const MoveCall& m) {
    return os << "(" << m.left << ", " << m.top << ", " << m.width << ", " << m.height
              << (m.repaint ? ", repaint)" : ")");
}

struct ScriptedWindow : WindowHandle {
    bool readable = true;
    Rect rect{3000, 100, 3400, 400};  // 400 x 300 on a monitor that is gone
    bool maximized = false;
    mutable int reads = 0;
    std::vector<MoveCall> moves;

    bool GetRect(Rect& r) const override {
        ++reads;
        if (readable) r = rect;
        return readable;
    }
    bool IsMaximized() const override { return maximized; }
    void Move(int32_t left, int32_t top, int32_t width, int32_t height, bool repaint) override {
        moves.push_back({left, top, width, height, repaint});
    }
};

Rect At(int64_t left, int64_t top, int64_t width, int64_t height) { return {left, top, left + width, top + height}; }

}  // namespace

TEST(Placement, TaskbarEdgeCodes) {
    const struct {
        uint32_t uEdge;
        int32_t code;
    } cases[] = {{AbeLeft, 2}, {AbeTop, 0}, {AbeRight, 3}, {AbeBottom, 1}, {4, -1}, {0xFFFFFFFFu, -1}};
    ScriptedDesktop desktop;
    desktop.taskbar = {1, 2, 3, 4};
    for (const auto& c : cases) {
        desktop.edge = c.uEdge;
        Rect rect{9, 9, 9, 9};
        EXPECT_EQ(GetTaskbarEdge(rect, desktop), c.code) << c.uEdge;
        EXPECT_EQ(rect.left + rect.top * 10 + rect.right * 100 + rect.bottom * 1000, 4321);
    }
    desktop.hasTaskbar = false;
    Rect rect{9, 9, 9, 9};
    EXPECT_EQ(GetTaskbarEdge(rect, desktop), -1);
    EXPECT_EQ(rect.right - rect.left + rect.bottom - rect.top, 0);
}

TEST(Placement, WindowBounds) {
    const struct {
        const char* name;
        bool readable;
        Rect rect;
        bool ok;
    } cases[] = {
        {"ordinary", true, {10, 20, 410, 320}, true},
        {"minimised", true, {-32000, -32000, -31840, -31973}, false},
        {"left alone at -32000", true, {-32000, 5, -31600, 305}, true},
        {"top alone at -32000", true, {5, -32000, 405, -31700}, true},
        {"unreadable", false, {10, 20, 410, 320}, false},
        {"width beyond int32", true, {Min32, 0, Max32, 10}, true},
    };
    for (const auto& c : cases) {
        ScriptedWindow window;
        window.readable = c.readable;
        window.rect = c.rect;
        int32_t l = 7, t = 7, w = 7, h = 7;
        EXPECT_EQ(GetWindowBounds(window, l, t, w, h), c.ok) << c.name;
        if (!c.ok) {
            EXPECT_EQ(std::vector<int64_t>({l, t, w, h}), std::vector<int64_t>(4, 7)) << c.name;
            continue;
        }
        const int64_t width = int64_t{c.rect.right} - c.rect.left;
        EXPECT_EQ(
            std::vector<int64_t>({l, t, w, h}),
            std::vector<int64_t>({c.rect.left, c.rect.top, width > Max32 ? Max32 : width, c.rect.bottom - c.rect.top}))
            << c.name;
    }
}

TEST(Placement, TestPointsInOrder) {
    ScriptedDesktop desktop;
    desktop.monitors.clear();
    EXPECT_TRUE(IsOffAllMonitors(100, 200, 401, -301, desktop));
    // Halves truncate toward zero: 401 / 2 = 200, -301 / 2 = -150.
    const std::vector<std::pair<int32_t, int32_t>> expected = {
        {100, 200}, {501, -101}, {501, 200}, {100, -101}, {300, 50}};
    EXPECT_EQ(desktop.probes, expected);

    // Only the bottom-right point, one pixel beyond the corner, on a monitor: visible, and the
    // search stops there.
    desktop.monitors = {{0, 0, 1920, 1080}};
    desktop.probes.clear();
    EXPECT_FALSE(IsOffAllMonitors(-400, -300, 400, 300, desktop));
    EXPECT_EQ(desktop.probes.size(), 2u);

    // Points past the int32 range lie on no monitor and are not asked about.
    desktop.probes.clear();
    EXPECT_TRUE(IsOffAllMonitors(Max32 - 10, Max32 - 10, 100, 100, desktop));
    EXPECT_EQ(desktop.probes, (std::vector<std::pair<int32_t, int32_t>>{{Max32 - 10, Max32 - 10}}));
}

// Work area (100, 30, 1900, 1040) with a 40-pixel taskbar below: widened to (100, 30, 1900, 1080).
TEST(Placement, EveryPlacementCode) {
    const struct {
        int32_t code;
        MoveCall move;
    } cases[] = {
        {FullHeight, {100, 30, 400, 1050, true}},
        {FullWidth, {100, 50, 1800, 300, true}},
        {TopEdge, {100, 30, 400, 300, true}},
        {BottomEdge, {100, 780, 400, 300, true}},
        {LeftEdge, {100, 50, 400, 300, true}},
        {RightEdge, {1500, 50, 400, 300, true}},
        {TopLeftCorner, {100, 30, 400, 300, true}},
        {TopRightCorner, {1500, 30, 400, 300, true}},
        {BottomLeftCorner, {100, 780, 400, 300, true}},
        {BottomRightCorner, {1500, 780, 400, 300, true}},
        {Centre, {750, 390, 400, 300, true}},
        {TopHalf, {100, 30, 1900, 540, true}},
        {BottomHalf, {100, 540, 1900, 540, true}},
        {LeftHalf, {100, 30, 950, 1050, true}},
        {RightHalf, {950, 30, 950, 1050, true}},
        {15, {100, 50, 400, 300, true}},
        {-1, {100, 50, 400, 300, true}},
        {Max32, {100, 50, 400, 300, true}},
    };
    ScriptedDesktop desktop;
    desktop.workArea = {100, 30, 1900, 1040};
    for (const auto& c : cases) {
        ScriptedWindow window;
        window.rect = At(100, 50, 400, 300);
        PlaceWindow(window, c.code, desktop);
        EXPECT_EQ(window.moves, std::vector<MoveCall>{c.move}) << "code " << c.code;
    }
}

// The whole 1920 x 1080 primary monitor.
constexpr Rect Screen{0, 0, 1920, 1080};

TEST(Placement, CentreOnTheWidenedWorkArea) {
    const struct {
        const char* name;
        Rect workArea;
        bool hasTaskbar;
        Rect taskbar;
        uint32_t edge;
        int32_t width, height;
        int32_t left, top;
        Rect widened;
    } cases[] = {
        {"taskbar below", {0, 0, 1920, 1040}, true, {0, 1040, 1920, 1080}, AbeBottom, 400, 300, 760, 390, Screen},
        {"taskbar above", {0, 40, 1920, 1080}, true, {0, 0, 1920, 40}, AbeTop, 400, 300, 760, 390, Screen},
        {"taskbar left", {60, 0, 1920, 1080}, true, {0, 0, 60, 1080}, AbeLeft, 400, 300, 760, 390, Screen},
        {"taskbar right", {0, 0, 1860, 1080}, true, {1860, 0, 1920, 1080}, AbeRight, 400, 300, 760, 390, Screen},
        {"no taskbar", {0, 0, 1920, 1040}, false, {}, 0, 400, 300, 760, 370, {0, 0, 1920, 1040}},
        {"unknown edge", {0, 0, 1920, 1040}, true, {0, 1040, 1920, 1080}, 7, 400, 300, 760, 370, {0, 0, 1920, 1040}},
        // Widened whatever the work area already leaves out.
        {"second bar above",
         {0, 30, 1920, 1040},
         true,
         {0, 0, 1920, 30},
         AbeTop,
         400,
         300,
         760,
         370,
         {0, 0, 1920, 1040}},
        {"odd sizes truncate", {0, 0, 1920, 1040}, true, {0, 1040, 1920, 1080}, AbeBottom, 401, 301, 759, 389, Screen},
        {"wider than the screen",
         {0, 0, 1920, 1040},
         true,
         {0, 1040, 1920, 1080},
         AbeBottom,
         1925,
         1083,
         -2,
         -1,
         Screen},
    };
    for (const auto& c : cases) {
        ScriptedDesktop desktop;
        desktop.workArea = c.workArea;
        desktop.hasTaskbar = c.hasTaskbar;
        desktop.taskbar = c.taskbar;
        desktop.edge = c.edge;
        ScriptedWindow window;
        window.rect = At(5000, 5000, c.width, c.height);
        EnsureWindowVisible(window, desktop);
        PlaceWindow(window, FullHeight, desktop);
        PlaceWindow(window, FullWidth, desktop);
        const Rect& wa = c.widened;
        EXPECT_EQ(window.moves, (std::vector<MoveCall>{{c.left, c.top, c.width, c.height, true},
                                                       {5000, wa.top, c.width, wa.bottom - wa.top, true},
                                                       {wa.left, 5000, wa.right - wa.left, c.height, true}}))
            << c.name;
    }
}

// Stored bounds whose right or bottom edge lies past the int32 limit are on no monitor.
TEST(Placement, BoundsNearTheInt32LimitComeBackCentred) {
    const struct {
        const char* name;
        Rect rect;
    } cases[] = {
        {"left + width past the limit", At(2147483248, 10, 400, 400)},
        {"top at the limit", At(10, Max32, 400, 400)},
        {"both at the lower limit", At(Min32, Min32, 400, 400)},
    };
    for (const auto& c : cases) {
        ScriptedDesktop desktop;
        ScriptedWindow window;
        window.rect = c.rect;
        EnsureWindowVisible(window, desktop);
        EXPECT_EQ(window.moves, (std::vector<MoveCall>{{760, 340, 400, 400, true}})) << c.name;
    }
}

TEST(Placement, EnsureWindowVisibleLeavesAlone) {
    const struct {
        const char* name;
        Rect rect;
        bool readable;
        bool maximized;
        bool hasWorkArea;
        int reads;
        std::size_t probes;
    } cases[] = {
        {"fully on the monitor", At(100, 100, 400, 300), true, false, true, 1, 1},
        {"only the bottom-right point on it", At(-400, -300, 400, 300), true, false, true, 1, 2},
        {"only the centre on it", At(-100, -100, 2200, 1300), true, false, true, 1, 5},
        {"minimised", {-32000, -32000, -31840, -31973}, true, false, true, 2, 0},
        {"bounds unreadable", At(0, 0, 400, 300), false, false, true, 2, 0},
        {"maximised, even off every monitor", At(5000, 5000, 400, 300), true, true, true, 0, 0},
        {"no work area", At(5000, 5000, 400, 300), true, false, false, 1, 5},
    };
    for (const auto& c : cases) {
        ScriptedDesktop desktop;
        desktop.hasWorkArea = c.hasWorkArea;
        ScriptedWindow window;
        window.rect = c.rect;
        window.readable = c.readable;
        window.maximized = c.maximized;
        EnsureWindowVisible(window, desktop);
        EXPECT_TRUE(window.moves.empty()) << c.name;
        EXPECT_EQ(window.reads, c.reads) << c.name;
        EXPECT_EQ(desktop.probes.size(), c.probes) << c.name;
    }
}

TEST(Placement, ResultsSaturateAtInt32Limits) {
    ScriptedDesktop desktop;
    ScriptedWindow window;
    window.rect = {0, 0, 10, Min32};  // height Min32
    PlaceWindow(window, BottomEdge, desktop);
    EXPECT_EQ(window.moves, (std::vector<MoveCall>{{0, Max32, 10, Min32, true}}));

    desktop.workArea = {Min32, 0, 1920, 1040};
    desktop.edge = AbeRight;
    desktop.taskbar = {1920, 0, Max32, 1080};
    window.moves.clear();
    window.rect = At(0, 0, 400, 300);
    PlaceWindow(window, FullWidth, desktop);
    EXPECT_EQ(window.moves, (std::vector<MoveCall>{{Min32, 0, Max32, 300, true}}));
}
