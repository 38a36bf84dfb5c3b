// The window's rules over a recorded face, with no window at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>

#include "core/listrowheight.h"
#include "core/mainformrules.h"
#include "tests/support/scripted_clipboard.h"
#include "util/text.h"

using namespace Varnopile;
using Testing::ScriptedClipboardBackend;

namespace {

// What the rules change in the lists and the editor is logged in order: "K-" the label list
// emptied, "R+" a row added to the result list, "R@0" row 0 selected, "R=154" its extent, "E" the
// editor loaded.
struct RecordingView : MainFormView {
    struct List {
        std::vector<std::u16string> rows;
        int selected = -1;
        int extent = 0;
        int itemHeight = 0;
    };
    struct Outer : Tormvale::WindowHandle {
        Tormvale::Rect rect{336, 201, 736, 501};
        bool GetRect(Tormvale::Rect& r) const override { return (r = rect, true); }
        bool IsMaximized() const override { return false; }
        void Move(int32_t l, int32_t t, int32_t w, int32_t h, bool) override { rect = {l, t, l + w, t + h}; }
    };
    List results, labels;
    std::optional<std::size_t> resultRowsTaken;  // the result list refuses rows beyond these
    std::u16string editor;
    std::map<Part, FontSpec> fonts{{Part::Editor, {u"ＭＳ Ｐゴシック", 9}},
                                   {Part::ListBox, {u"MS UI Gothic", 10}},
                                   {Part::ListBoxK, {u"ＭＳ Ｐゴシック", 10}}};
    Outer window;
    std::string log;
    std::vector<std::u16string> errors;

    List& Of(Part p) { return p == Part::ListBoxK ? labels : results; }
    const List& Of(Part p) const { return p == Part::ListBoxK ? labels : results; }
    void Log(Part p, const std::string& what) { log += (p == Part::ListBoxK ? " K" : " R") + what; }

    void ClearRows(Part p) override { Of(p).rows.clear(), Of(p).selected = -1, Log(p, "-"); }
    bool AddRow(Part p, const std::u16string& text) override {
        if (p == Part::ListBox && resultRowsTaken && results.rows.size() >= *resultRowsTaken) return false;
        return (Of(p).rows.push_back(text), Log(p, "+"), true);
    }
    int RowCount(Part p) const override { return static_cast<int>(Of(p).rows.size()); }
    std::u16string RowText(Part p, int row) const override { return Of(p).rows.at(static_cast<std::size_t>(row)); }
    void SelectRow(Part p, int row) override {
        Of(p).selected = row >= 0 && row < RowCount(p) ? row : -1;
        Log(p, "@" + std::to_string(row));
    }
    int SelectedRow(Part p) const override { return Of(p).selected; }
    long long MeasureRow(const std::u16string& text) const override { return 7 * static_cast<long long>(text.size()); }
    void SetHorizontalExtent(Part p, int extent) override {
        Of(p).extent = extent, Log(p, "=" + std::to_string(extent));
    }
    int ItemHeight(Part p) const override { return Of(p).itemHeight; }
    void SetItemHeight(Part p, int height) override { Of(p).itemHeight = height; }
    std::u16string EditorText() const override { return editor; }
    void SetEditorText(const std::u16string& text) override { editor = text, log += " E"; }
    std::u16string Face(Part p) const override { return fonts.at(p).face; }
    int PointSize(Part p) const override { return fonts.at(p).pointSize; }
    void SetFace(Part p, const std::u16string& face) override { fonts[p].face = face; }
    void SetPointSize(Part p, int points) override { fonts[p].pointSize = points; }
    void Repaint(Part) override {}
    FontSpec MenuFont() const override { return {u"Menu Face", 11}; }
    bool ChooseFont(FontSpec&, int, int) override { return false; }
    Tormvale::WindowHandle& Window() override { return window; }
    void ShowError(const std::u16string& text) override { errors.push_back(text); }
};

// One 1920 × 1080 monitor without a taskbar.
struct OneScreen : Tormvale::DesktopGeometry {
    bool WorkArea(Tormvale::Rect& area) const override { return (area = {0, 0, 1920, 1080}, true); }
    bool TaskbarPosition(Tormvale::Rect&, uint32_t&) const override { return false; }
    bool IsOnMonitor(int32_t x, int32_t y) const override { return x >= 0 && y >= 0 && x < 1920 && y < 1080; }
};

// A folder of its own for the settings file, removed with it.
struct Folder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("varnopile-rules-" + std::to_string(std::random_device()()));
    Folder() { std::filesystem::create_directories(path); }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

struct Harness {
    Folder data;
    RecordingView view;
    ScriptedClipboardBackend clipboard;
    OneScreen desktop;
    MainFormRules rules{view, {&clipboard, &desktop, (data.path / "").string(), {}}};
};

std::vector<std::u16string> VariantsOf(const std::u16string& text) {
    const ConversionSet set = BuildConversionSet(text);
    return {set.begin(), set.end()};
}

}  // namespace

TEST(GetCommand, WhatTheClipboardHoldsDecidesWhetherAnythingChanges) {
    struct Case {
        const char* name;
        void (*arrange)(ScriptedClipboardBackend&);
        bool refills;
    };
    const Case cases[] = {
        {"only a picture", [](ScriptedClipboardBackend& c) { c.text.reset(); }, false},
        {"an empty text", [](ScriptedClipboardBackend& c) { c.text = u""; }, false},
        {"text but no Unicode data", [](ScriptedClipboardBackend& c) { c.text = u"x", c.noUnicodeData = true; }, false},
        {"held by another program throughout", [](ScriptedClipboardBackend& c) { c.text = u"new", c.refuseOpens = 5; },
         false},
        {"held, then free on the last attempt", [](ScriptedClipboardBackend& c) { c.text = u"New", c.refuseOpens = 4; },
         true},
        {"spaces and line breaks only", [](ScriptedClipboardBackend& c) { c.text = u" \r\n\t \n"; }, true},
        {"a NUL first", [](ScriptedClipboardBackend& c) { c.text = std::u16string(u"\0abc", 4); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.clipboard.text = u"Old Text";
        h.rules.FormShow();
        // The user picks row 4 and edits.
        h.view.labels.selected = 4;
        h.rules.ListBoxKClick();
        h.view.editor += u"!";
        h.view.log.clear();

        c.arrange(h.clipboard);
        const std::u16string taken = h.clipboard.text && !h.clipboard.noUnicodeData ? *h.clipboard.text : u"";
        h.rules.TBGetClick();

        if (c.refills) {
            const auto rows = VariantsOf(taken);
            std::size_t widest = 0;
            for (const auto& row : rows) widest = std::max(widest, row.size());
            EXPECT_EQ(h.view.results.rows, rows);
            EXPECT_EQ(h.view.results.selected, 0);
            EXPECT_EQ(h.view.labels.selected, 0);
            EXPECT_EQ(h.view.editor, rows[0]);
            EXPECT_EQ(h.view.results.extent, static_cast<int>(2 * 7 * widest));
        } else {
            EXPECT_EQ(h.view.log, "");  // not a row, selection or edit touched
            EXPECT_EQ(h.view.editor, VariantsOf(u"Old Text")[4] + u"!");
        }
        EXPECT_TRUE(h.view.errors.empty());
        EXPECT_FALSE(h.clipboard.held);
    }
}

TEST(GetCommand, RefillsInOrderAndARefusedRowStopsTheCommandThere) {
    const struct {
        const char* name;
        std::optional<std::size_t> rowsTaken;
        const char* log;
    } cases[] = {
        // "Second Text": the widest variant has 11 units of 7 pixels.
        {"every row taken", std::nullopt, " K- K+ K+ K+ K+ K+ K+ R- R+ R+ R+ R+ R+ R+ R=154 R@0 K@0 E"},
        {"the fourth row refused", 3, " K- K+ K+ K+ K+ K+ K+ R- R+ R+ R+"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.view.editor = u"typed";
        h.view.resultRowsTaken = c.rowsTaken;
        h.clipboard.text = u"Second Text";
        h.rules.TBGetClick();
        EXPECT_EQ(h.view.log, c.log);
        EXPECT_EQ(h.view.errors, std::vector<std::u16string>(c.rowsTaken ? 1 : 0, u"行を挿入できません."));
        // The set is new even where the rows are not.
        const auto set = VariantsOf(u"Second Text");
        EXPECT_TRUE(std::equal(set.begin(), set.end(), h.rules.Data().begin()));
        // A label the result list lacks selects no result and reads nothing outside the set.
        h.view.labels.selected = 5;
        h.view.editor = u"typed";
        h.rules.ListBoxKClick();
        EXPECT_EQ(h.view.results.selected, c.rowsTaken ? -1 : 5);
        EXPECT_EQ(h.view.editor, c.rowsTaken ? u"typed" : set[5]);
    }
}

TEST(FormCreate, StoredValuesApplyAndWhatABadOneDoes) {
    const Tormvale::Rect designed{336, 201, 736, 501};
    const struct {
        const char* name;
        const char16_t* file;  // nullptr: none
        FontSpec editor;
        Tormvale::Rect outer;
        int itemHeight;
    } cases[] = {
        {"no file: the menu font, the designed place", nullptr, {u"Menu Face", 11}, designed, 22},
        {"an empty name keeps the face; size 0 cannot be shown",
         u"[Font]\r\nName=\r\nSize=0",
         {u"ＭＳ Ｐゴシック", 9},
         designed,
         22},
        {"size 1001 is absurd", u"[Font]\r\nSize=1001", {u"Menu Face", 9}, designed, 22},
        {"size 1000 is not", u"[Font]\r\nSize=1000", {u"Menu Face", 1000}, designed, 22},
        {"an unreadable size is the menu's", u"[font]\r\nSIZE=12pt", {u"Menu Face", 11}, designed, 22},
        {"bounds on no monitor are centred, keeping their size",
         u"[Font]\r\nName=メイリオ\r\n[Window]\r\nTop=5000\r\nLeft=-7000\r\nHeight=300\r\nWidth=500",
         {u"メイリオ", 11},
         {710, 390, 1210, 690},
         24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        if (c.file)
            std::ofstream(h.data.path / "Varnopile.ini", std::ios::binary) << "\xFF\xFE" << Tormvale::ToUtf16Le(c.file);
        h.rules.FormCreate();
        EXPECT_EQ(h.view.fonts[Part::Editor].face, c.editor.face);
        EXPECT_EQ(h.view.fonts[Part::Editor].pointSize, c.editor.pointSize);
        const Tormvale::Rect& r = h.view.window.rect;
        EXPECT_EQ(std::vector<int64_t>({r.left, r.top, r.right, r.bottom}),
                  std::vector<int64_t>({c.outer.left, c.outer.top, c.outer.right, c.outer.bottom}));
        for (Part list : {Part::ListBox, Part::ListBoxK}) {
            EXPECT_EQ(h.view.fonts[list].face, c.editor.face);
            EXPECT_EQ(h.view.fonts[list].pointSize, 10);
            EXPECT_EQ(h.view.Of(list).itemHeight, c.itemHeight);
        }
        EXPECT_TRUE(h.view.errors.empty());
    }
}

TEST(ListRowHeight, MeiryoExactlyIsTallerThanEveryOtherFace) {
    // 2.4 times the size for "メイリオ" written exactly so, 2.2 for anything else, rounded.
    const struct {
        const char16_t* face;
        int size;
        int height;
    } cases[] = {{u"メイリオ", 10, 24}, {u"Meiryo UI", 10, 22}, {u"メイリオ ", 10, 22}, {u"", 10, 22},
                 {u"メイリオ", 7, 17},  {u"X", 9, 20},          {u"X", 5, 11}};
    for (const auto& c : cases) EXPECT_EQ(ListRowHeight(c.face, c.size), c.height) << c.size;
}
