#pragma once
// A clipboard the test scripts: what it holds, which opens it refuses, which writes fail. Every
// system call is recorded in order as one string:
//   "Open"  (or "Open(window N)" when not opened with the application window)
//   "Close" "IsTextAvailable" "GetText" "Empty" "Alloc(N bytes)" "Set(N bytes)" "Pause(N)"
// Opening while already held succeeds without consuming a refusal, as the system does for the
// window that holds the clipboard.
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "util/clipboard.h"

namespace Testing {

class ScriptedClipboardBackend : public Tormvale::ClipboardBackend {
public:
    // The clipboard's text as another program placed it; nullopt = no text (e.g. only a picture).
    std::optional<std::u16string> text;
    bool noUnicodeData = false;  // text is reported, but the Unicode block is missing
    bool noTerminator = false;   // the Unicode block ends without a NUL

    int refuseOpens = 0;            // the next n opens of a free clipboard are refused
    std::set<int> refuseOpenCalls;  // 1-based numbers of Open calls refused, held or not
    bool failAlloc = false;
    bool failSet = false;
    int openErrorCode = 5;
    std::u16string openErrorText = u"Access is denied.\r\n";

    Tormvale::WindowId applicationWindow = 0x5a17;

    // Observations.
    std::vector<std::string> calls;
    bool held = false;                    // the clipboard is open
    std::optional<std::u16string> block;  // the last block written, units as placed (NUL included)
    int pausedMs = 0;

    int Count(const std::string& call) const {
        int n = 0;
        for (const auto& c : calls) n += c == call;
        return n;
    }

    bool Open(Tormvale::WindowId window) override {
        ++openCalls_;
        calls.push_back(window == applicationWindow ? "Open" : "Open(window " + std::to_string(window) + ")");
        if (refuseOpenCalls.count(openCalls_)) return Refuse();
        if (held) return true;
        if (refuseOpens > 0) {
            --refuseOpens;
            return Refuse();
        }
        held = true;
        return true;
    }
    bool Close() override {
        calls.push_back("Close");
        const bool was = held;
        held = false;
        return was;
    }
    bool IsTextAvailable() override {
        calls.push_back("IsTextAvailable");
        return text.has_value();
    }
    std::optional<std::u16string> GetUnicodeText() override {
        calls.push_back("GetText");
        if (!text || noUnicodeData) return std::nullopt;
        return noTerminator ? *text : *text + u'\0';
    }
    void Empty() override {
        calls.push_back("Empty");
        text.reset();
        noUnicodeData = noTerminator = false;
    }
    bool AllocateBlock(std::size_t bytes) override {
        calls.push_back("Alloc(" + std::to_string(bytes) + " bytes)");
        return !failAlloc;
    }
    bool SetUnicodeText(const std::u16string& units) override {
        calls.push_back("Set(" + std::to_string(units.size() * 2) + " bytes)");
        if (failSet) return false;
        block = units;
        text = units.substr(0, units.empty() ? 0 : units.size() - 1);
        return true;
    }
    int LastError() override { return lastError_; }
    std::u16string ErrorText(int code) override {
        return code == openErrorCode ? openErrorText : u"unknown error " + ToU16(code);
    }
    void Pause(int milliseconds) override {
        calls.push_back("Pause(" + std::to_string(milliseconds) + ")");
        pausedMs += milliseconds;
    }
    Tormvale::WindowId ApplicationWindow() override { return applicationWindow; }

private:
    bool Refuse() {
        lastError_ = openErrorCode;
        return false;
    }
    static std::u16string ToU16(int n) {
        const std::string s = std::to_string(n);
        return std::u16string(s.begin(), s.end());
    }
    int openCalls_ = 0;
    int lastError_ = 0;
};

}  // namespace Testing
