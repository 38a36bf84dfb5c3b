#include "util/settingsstore.h"

#include <cstdint>
#include <utility>

#include "util/casetable.h"
#include "util/intparse.h"

namespace Tormvale {

namespace {

bool IsTrimmed(char16_t c) { return c <= 32; }

std::u16string_view TrimLeft(std::u16string_view s) {
    while (!s.empty() && IsTrimmed(s.front())) s.remove_prefix(1);
    return s;
}

std::u16string_view TrimRight(std::u16string_view s) {
    while (!s.empty() && IsTrimmed(s.back())) s.remove_suffix(1);
    return s;
}

std::u16string_view Trim(std::u16string_view s) { return TrimRight(TrimLeft(s)); }

}  // namespace

std::u16string UpperCaseName(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) c = CaseTable::SimpleUpperCase(c);
    return out;
}

SettingsStore SettingsStore::Parse(std::string_view bytes, SettingsEncoding enc, std::string path) {
    SettingsStore store;
    store.path_ = std::move(path);
    const std::u16string text = DecodeSettingsText(bytes, enc);

    std::size_t current = SIZE_MAX;  // index of the section lines go to; none before the first header
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
        const std::u16string_view line = Trim(std::u16string_view(text).substr(pos, end - pos));
        if (end == text.size()) {
            pos = end;
        } else if (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') {
            pos = end + 2;
        } else {
            pos = end + 1;
        }

        if (line.empty() || line.front() == u';') continue;
        if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
            current = store.AddSection(Trim(line.substr(1, line.size() - 2)));
            continue;
        }
        if (current == SIZE_MAX) continue;

        Line entry;
        const auto eq = line.find(u'=');
        if (eq == std::u16string_view::npos) {
            entry.key = line;
        } else {
            entry.isEntry = true;
            entry.key = TrimRight(line.substr(0, eq));
            entry.value = TrimLeft(line.substr(eq + 1));
        }
        store.AddLine(current, std::move(entry));
    }
    return store;
}

SettingsStore SettingsStore::Load(const std::string& path, SettingsEncoding enc) {
    return Parse(ReadSettingsFile(path), enc, path);
}

std::size_t SettingsStore::FindSection(std::u16string_view name) const {
    const auto it = sectionIndex_.find(UpperCaseName(name));
    return it == sectionIndex_.end() ? SIZE_MAX : it->second;
}

// A name met again (in any letter case) gives the section that has it already.
std::size_t SettingsStore::AddSection(std::u16string_view name) {
    const auto [it, added] = sectionIndex_.try_emplace(UpperCaseName(name), sections_.size());
    if (added) {
        sections_.push_back(Section{std::u16string(name), {}});
        keyIndex_.emplace_back();
    }
    return it->second;
}

// The last line whose key (or whole text, for a valueless line) matches counts.
std::size_t SettingsStore::FindLine(std::size_t section, std::u16string_view ident) const {
    KeyIndex& index = keyIndex_[section];
    if (!index.built) {
        const std::vector<Line>& lines = sections_[section].lines;
        for (std::size_t i = 0; i < lines.size(); ++i) index.lines.insert_or_assign(UpperCaseName(lines[i].key), i);
        index.built = true;
    }
    const auto it = index.lines.find(UpperCaseName(ident));
    return it == index.lines.end() ? SIZE_MAX : it->second;
}

void SettingsStore::AddLine(std::size_t section, Line line) {
    std::vector<Line>& lines = sections_[section].lines;
    if (KeyIndex& index = keyIndex_[section]; index.built)
        index.lines.insert_or_assign(UpperCaseName(line.key), lines.size());
    lines.push_back(std::move(line));
}

std::u16string SettingsStore::ReadString(std::u16string_view section, std::u16string_view ident,
                                         std::u16string_view def) const {
    const std::size_t s = FindSection(section);
    if (s == SIZE_MAX) return std::u16string(def);
    const std::size_t line = FindLine(s, ident);
    if (line == SIZE_MAX || !sections_[s].lines[line].isEntry) return std::u16string(def);
    return sections_[s].lines[line].value;
}

int32_t SettingsStore::ReadInteger(std::u16string_view section, std::u16string_view ident, int32_t def) const {
    int32_t value = def;
    if (!TryParseInteger(ReadString(section, ident, u""), value)) return def;
    return value;
}

void SettingsStore::WriteString(std::u16string_view section, std::u16string_view ident, std::u16string_view value) {
    const std::size_t s = AddSection(section);
    if (const std::size_t found = FindLine(s, ident); found != SIZE_MAX) {
        // The key keeps its spelling from the file, so the index stays right.
        Line& line = sections_[s].lines[found];
        line.isEntry = true;
        line.value = value;
        return;
    }
    AddLine(s, Line{true, std::u16string(ident), std::u16string(value)});
}

void SettingsStore::WriteInteger(std::u16string_view section, std::u16string_view ident, int32_t value) {
    const std::string digits = std::to_string(value);
    WriteString(section, ident, std::u16string(digits.begin(), digits.end()));
}

std::string SettingsStore::Serialize() const {
    std::u16string text;
    for (const Section& s : sections_) {
        text += u"[";
        text += s.name;
        text += u"]\r\n";
        for (const Line& line : s.lines) {
            text += line.key;
            if (line.isEntry) {
                text += u"=";
                text += line.value;
            }
            text += u"\r\n";
        }
        text += u"\r\n";
    }
    return EncodeSettingsText(text);
}

void SettingsStore::UpdateFile(UserId user) const { ReplaceSettingsFile(path_, Serialize(), user); }

}  // namespace Tormvale
