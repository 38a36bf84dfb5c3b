#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/takeclipboardtext.h"
#include "tests/support/scripted_clipboard.h"
#include "util/clipboard.h"
#include "util/errors.h"

using Testing::ScriptedClipboardBackend;
using namespace std::string_literals;
using Calls = std::vector<std::string>;

namespace {

// The call tables, one attempt at a time.
Calls operator+(Calls a, const Calls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Calls Times(int n, const Calls& c) {
    Calls all;
    for (int i = 0; i < n; ++i) all = all + c;
    return all;
}
const Calls RefusedAttempt = {"Open", "Close", "Pause(100)"};
const Calls TakeAttempt = {"Open", "IsTextAvailable", "Open", "GetText", "Close", "Close"};
const Calls NoTextAttempt = {"Open", "IsTextAvailable", "Close", "Pause(100)"};

std::string Bytes(const std::u16string& text) { return std::to_string(2 * text.size() + 2) + " bytes"; }

Calls PutAttempt(const std::u16string& text) {
    return {
        "Open",  "Open", "Empty", "Close", "Open", "Alloc(" + Bytes(text) + ")", "Empty", "Set(" + Bytes(text) + ")",
        "Close", "Close"};
}

void ExpectReleased(ScriptedClipboardBackend& b) {
    const Tormvale::TClipboard& clip = Tormvale::ClipboardFor(b);
    EXPECT_EQ(clip.FOpenRefCount, 0);
    EXPECT_EQ(clip.FClipboardWindow, 0u);
    EXPECT_FALSE(b.held) << "clipboard left open";
}

}  // namespace

TEST(TakeClipboardText, FollowsTheRetryRules) {
    const std::u16string text = u"かなABC\t1";
    struct Case {
        const char* name;
        std::function<void(ScriptedClipboardBackend&)> script;
        bool taken;
        std::u16string text;
        Calls calls;
    };
    const std::vector<Case> cases = {
        {"text", [&](auto& b) { b.text = text; }, true, text, TakeAttempt},
        {"empty text", [](auto& b) { b.text = u""; }, true, u"", TakeAttempt},
        {"picture only", [](auto&) {}, false, u"", NoTextAttempt},
        {"held elsewhere throughout",
         [&](auto& b) {
             b.text = text;
             b.refuseOpens = 5;
         },
         false, u"", Times(5, RefusedAttempt)},
        {"refused four times",
         [&](auto& b) {
             b.text = text;
             b.refuseOpens = 4;
         },
         true, text, Times(4, RefusedAttempt) + TakeAttempt},
        {"refused, then no text", [](auto& b) { b.refuseOpens = 2; }, false, u"",
         Times(2, RefusedAttempt) + NoTextAttempt},
        {"text but no Unicode data",
         [&](auto& b) {
             b.text = text;
             b.noUnicodeData = true;
         },
         true, u"", TakeAttempt},
        {"NUL inside", [](auto& b) { b.text = u"ab\0cd"s; }, true, u"ab", TakeAttempt},
        {"NUL first", [](auto& b) { b.text = u"\0cd"s; }, true, u"", TakeAttempt},
        {"no terminator",
         [&](auto& b) {
             b.text = text;
             b.noTerminator = true;
         },
         true, text, TakeAttempt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedClipboardBackend b;
        c.script(b);
        Varnopile::TakenText got{};
        EXPECT_NO_THROW(got = Varnopile::TakeClipboardText(b));
        EXPECT_EQ(got.taken, c.taken);
        EXPECT_EQ(got.text, c.text);
        EXPECT_EQ(b.calls, c.calls);
        ExpectReleased(b);
    }
}

TEST(PutClipboardText, WritesOneTerminatedBlock) {
    struct Case {
        const char* name;
        std::u16string text;
        int refuseOpens;
        bool put;
        Calls calls;
    };
    const std::u16string text = u"ﾊﾟｿｺﾝ abc";
    const std::u16string innerNul = u"a\0b"s;
    const std::vector<Case> cases = {
        {"text", text, 0, true, PutAttempt(text)},
        {"empty", u"", 0, true, PutAttempt(u"")},
        {"NUL inside", innerNul, 0, true, PutAttempt(innerNul)},
        {"refused four times", text, 4, true, Times(4, RefusedAttempt) + PutAttempt(text)},
        {"held elsewhere throughout", text, 5, false, Times(5, RefusedAttempt)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedClipboardBackend b;
        b.text = u"before";
        b.refuseOpens = c.refuseOpens;
        bool put = !c.put;
        EXPECT_NO_THROW(put = Tormvale::PutClipboardText(b, c.text));
        EXPECT_EQ(put, c.put);
        EXPECT_EQ(b.calls, c.calls);
        ExpectReleased(b);
        if (c.put) {
            ASSERT_TRUE(b.block.has_value());
            EXPECT_EQ(b.block->size(), c.text.size() + 1);
            EXPECT_EQ(b.block->substr(0, c.text.size()), c.text);
            EXPECT_EQ(b.block->back(), u'\0');
        } else {
            EXPECT_FALSE(b.block.has_value());
            EXPECT_EQ(b.text, u"before") << "a failed put must not touch the clipboard";
        }
    }
}

TEST(PutClipboardText, WriteFailuresAreErrorsAndReleaseTheClipboard) {
    const std::u16string text = u"abc";
    const Calls upToFreshOpen = {"Open", "Open", "Empty", "Close", "Open"};
    struct Case {
        const char* name;
        std::function<void(ScriptedClipboardBackend&)> script;
        bool clipboardError;  // else out of resources
        std::u16string message;
        Calls calls;
    };
    const std::vector<Case> cases = {
        {"fresh open taken by another program", [](auto& b) { b.refuseOpenCalls = {3}; }, true,
         u"クリップボード Access is denied を開けません", upToFreshOpen + Calls{"Close"}},
        {"message trimmed of spaces and stops",
         [](auto& b) {
             b.refuseOpenCalls = {3};
             b.openErrorText = u"Busy. .\r\n ";
         },
         true, u"クリップボード Busy を開けません", upToFreshOpen + Calls{"Close"}},
        {"set refused", [](auto& b) { b.failSet = true; }, false, u"システム リソース不足です", PutAttempt(text)},
        {"block not allocated", [](auto& b) { b.failAlloc = true; }, false, u"システム リソース不足です",
         upToFreshOpen + Calls{"Alloc(8 bytes)", "Close", "Close"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedClipboardBackend b;
        b.text = u"before";
        c.script(b);
        std::u16string message;
        bool clipboardError = false;
        try {
            Tormvale::PutClipboardText(b, text);
            ADD_FAILURE() << "no error";
        } catch (const Tormvale::EClipboardException& e) {
            clipboardError = true;
            message = e.Message();
        } catch (const Tormvale::EOutOfResources& e) {
            message = e.Message();
        }
        EXPECT_EQ(clipboardError, c.clipboardError);
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(b.calls, c.calls) << "not retried, closed once more by the operation";
        EXPECT_FALSE(b.text.has_value()) << "left as the first emptying left it";
        ExpectReleased(b);
    }
}

TEST(TClipboard, CountsNestedOpens) {
    ScriptedClipboardBackend b;
    Tormvale::TClipboard& clip = Tormvale::ClipboardFor(b);
    EXPECT_EQ(&clip, &Tormvale::ClipboardFor(b));

    clip.Close();  // nothing open: no call
    clip.Open();
    clip.Open();
    EXPECT_EQ(clip.FOpenRefCount, 2);
    EXPECT_EQ(clip.FClipboardWindow, b.applicationWindow);
    clip.Close();
    EXPECT_EQ(b.calls, (Calls{"Open"})) << "only the outermost open and close reach the system";
    EXPECT_TRUE(b.held);
    clip.Close();
    EXPECT_EQ(b.calls, (Calls{"Open", "Close"}));
    ExpectReleased(b);

    // Inside one open, only the first write empties the clipboard.
    b.calls.clear();
    clip.Open();
    EXPECT_FALSE(clip.FEmptied);
    clip.SetAsText(u"a");
    EXPECT_TRUE(clip.FEmptied);
    clip.SetAsText(u"bc");
    clip.Close();
    EXPECT_EQ(b.calls,
              (Calls{"Open", "Alloc(4 bytes)", "Empty", "Set(4 bytes)", "Alloc(6 bytes)", "Set(6 bytes)", "Close"}));
    EXPECT_EQ(b.text, u"bc");

    // A refused open leaves the count and the window as they were.
    b.calls.clear();
    b.refuseOpens = 1;
    EXPECT_THROW(clip.Open(), Tormvale::EClipboardException);
    EXPECT_EQ(b.calls, (Calls{"Open"}));
    ExpectReleased(b);

    // Each backend has its own object, so a fresh backend starts from zero.
    ScriptedClipboardBackend other;
    EXPECT_NE(&Tormvale::ClipboardFor(other), &clip);
}

TEST(TClipboard, HasFormatAsksOnlyForText) {
    ScriptedClipboardBackend b;
    b.text = u"x";
    Tormvale::TClipboard& clip = Tormvale::ClipboardFor(b);
    EXPECT_TRUE(clip.HasFormat(Tormvale::CfText));
    EXPECT_TRUE(clip.HasFormat(Tormvale::CfUnicodeText));
    EXPECT_FALSE(clip.HasFormat(2));  // a bitmap
    EXPECT_EQ(b.Count("Open"), 0) << "the presence test needs no open";
}
