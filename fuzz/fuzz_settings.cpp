// The settings loader with ReadString and ReadInteger: any bytes as the file, read both ways
// (the reading half's detection and the writing half's forced UTF-16), checked against the
// rules written out again here, then written to and saved.
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "util/settingsstore.h"

namespace {

using Tormvale::SettingsEncoding;
using Tormvale::SettingsStore;

// The integer grammar: spaces, a sign, then a hexadecimal prefix and digits fitting 32 bits, or
// decimal digits within the int32 range, and nothing after.
std::optional<int32_t> ParseInteger(std::u16string_view t) {
    while (!t.empty() && t.front() == u' ') t.remove_prefix(1);
    bool negative = false;
    if (!t.empty() && (t.front() == u'+' || t.front() == u'-')) {
        negative = t.front() == u'-';
        t.remove_prefix(1);
    }
    unsigned base = 10;
    for (const std::u16string_view prefix : {u"0x", u"0X", u"$", u"x", u"X"}) {
        if (t.starts_with(prefix)) {
            base = 16;
            t.remove_prefix(prefix.size());
            break;
        }
    }
    if (t.empty()) return std::nullopt;
    uint64_t value = 0;
    for (const char16_t c : t) {
        unsigned digit = 99;
        if (c >= u'0' && c <= u'9') digit = c - u'0';
        if (base == 16 && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
        if (base == 16 && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
        if (digit >= base) return std::nullopt;
        value = std::min<uint64_t>(value * base + digit, uint64_t{1} << 40);
    }
    if (base == 16) {
        if (value > 0xFFFFFFFFu) return std::nullopt;
        const auto bits = static_cast<uint32_t>(value);
        return static_cast<int32_t>(negative ? 0u - bits : bits);
    }
    if (value > (negative ? 2147483648u : 2147483647u)) return std::nullopt;
    return static_cast<int32_t>(negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value));
}

// ReadString by the rules: the section by name, then the last line whose key matches; a valueless
// line gives the default.
std::u16string ExpectedString(const SettingsStore& store, std::u16string_view section, std::u16string_view ident,
                              std::u16string_view def) {
    const std::u16string sectionName = Tormvale::UpperCaseName(section), key = Tormvale::UpperCaseName(ident);
    for (const SettingsStore::Section& s : store.Sections()) {
        if (Tormvale::UpperCaseName(s.name) != sectionName) continue;
        for (auto line = s.lines.rbegin(); line != s.lines.rend(); ++line)
            if (Tormvale::UpperCaseName(line->key) == key) return line->isEntry ? line->value : std::u16string(def);
        return std::u16string(def);
    }
    return std::u16string(def);
}

void CheckReads(const SettingsStore& store, std::u16string_view section, std::u16string_view ident) {
    constexpr std::u16string_view Sentinel = u"\uFFFF-default";
    FUZZ_CHECK(store.ReadString(section, ident, Sentinel) == ExpectedString(store, section, ident, Sentinel));
    const std::optional<int32_t> parsed = ParseInteger(ExpectedString(store, section, ident, u""));
    for (const int32_t def : {-1, 336}) FUZZ_CHECK(store.ReadInteger(section, ident, def) == parsed.value_or(def));
}

struct Query {
    std::u16string section, ident;
};

void CheckStore(const SettingsStore& store, const std::vector<Query>& queries) {
    for (const Query& q : queries) CheckReads(store, q.section, q.ident);
    // Every read scans the section: a bounded number of them keeps long files quick.
    int reads = 64;
    for (const SettingsStore::Section& s : store.Sections())
        for (auto line = s.lines.begin(); line != s.lines.end() && reads-- > 0; ++line)
            CheckReads(store, s.name, line->key);

    // A save read back by the writing half is the same store, and saves to the same bytes.
    const std::string saved = store.Serialize();
    const SettingsStore again = SettingsStore::Parse(saved, SettingsEncoding::Utf16LE);
    FUZZ_CHECK(again.Serialize() == saved);
    for (const Query& q : queries)
        FUZZ_CHECK(again.ReadString(q.section, q.ident, u"-") == store.ReadString(q.section, q.ident, u"-"));

    // Writes are read back at once, whatever the file held.
    SettingsStore written = store;
    for (const Query& q : queries) {
        written.WriteString(q.section, q.ident, q.ident);
        FUZZ_CHECK(written.ReadString(q.section, q.ident, u"-") == q.ident);
        written.WriteInteger(q.section, q.ident, -2147483647 - 1);
        FUZZ_CHECK(written.ReadInteger(q.section, q.ident, 0) == -2147483647 - 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Files without a mark decode in the locale's character set: UTF-8, as on current systems.
    std::setlocale(LC_ALL, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    std::vector<Query> queries = {{u"Font", u"Name"},   {u"Font", u"Size"},     {u"Window", u"Top"},
                                  {u"Window", u"Left"}, {u"window", u"HEIGHT"}, {u"WINDOW", u"width"}};
    for (const SettingsEncoding enc : {SettingsEncoding::Detect, SettingsEncoding::Utf16LE}) {
        const SettingsStore store = SettingsStore::Parse(bytes, enc, "/nonexistent/Varnopile.ini");
        // Names the file itself uses, as another program might spell them.
        if (!store.Sections().empty()) {
            const SettingsStore::Section& last = store.Sections().back();
            queries.push_back({last.name, last.lines.empty() ? u"Name" : last.lines.back().key});
        }
        CheckStore(store, queries);
    }

    // Files in the legacy Japanese character sets decode to no more units than they have bytes.
    for (const char* codeset : {"EUC-JP", "SHIFT_JIS"})
        FUZZ_CHECK(Tormvale::DecodeCharset(bytes, codeset).size() <= size);
    return 0;
}
