#pragma once
// The settings file: sections of key=value lines, read with the byte-order-mark rules and saved as
// UTF-16 little-endian with CR LF line ends. Failures are thrown as FileOpenError, FileCreateError and
// StreamWriteError (util/errors.h).
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "util/settingsencoding.h"
#include "util/settingsfile.h"

namespace Tormvale {

// The file in UserDataFolder (UTF-8 path).
inline constexpr char SettingsFileName[] = "Varnopile.ini";

class SettingsStore {
public:
    struct Line {
        bool isEntry = false;
        std::u16string key;    // the entry's key, or the whole text of a valueless line
        std::u16string value;  // entries only
    };
    struct Section {
        std::u16string name;
        std::vector<Line> lines;
    };

    SettingsStore() = default;

    // A missing file, or a folder of that name, gives an empty store bound to path.
    static SettingsStore Load(const std::string& path, SettingsEncoding enc);
    // The same rules over bytes already in memory; the store is bound to path for UpdateFile.
    static SettingsStore Parse(std::string_view bytes, SettingsEncoding enc, std::string path = {});

    std::u16string ReadString(std::u16string_view section, std::u16string_view ident, std::u16string_view def) const;
    int32_t ReadInteger(std::u16string_view section, std::u16string_view ident, int32_t def) const;
    void WriteString(std::u16string_view section, std::u16string_view ident, std::u16string_view value);
    void WriteInteger(std::u16string_view section, std::u16string_view ident, int32_t value);

    // The file's bytes as UpdateFile writes them: FF FE, then UTF-16LE text.
    std::string Serialize() const;

    // Replaces the file at the loaded path as ReplaceSettingsFile (util/settingsfile.h) does.
    void UpdateFile(UserId user = CurrentUser()) const;

    const std::string& Path() const noexcept { return path_; }
    const std::vector<Section>& Sections() const noexcept { return sections_; }

private:
    // Names and keys by their upper case, so that no file makes loading or lookups quadratic.
    using Index = std::map<std::u16string, std::size_t>;
    // A section's keys are indexed at its first lookup: most sections are never looked into.
    struct KeyIndex {
        bool built = false;
        Index lines;  // upper-cased key -> its last line
    };

    // Places in sections_ and in a section's lines; SIZE_MAX for none.
    std::size_t FindSection(std::u16string_view name) const;
    std::size_t AddSection(std::u16string_view name);
    std::size_t FindLine(std::size_t section, std::u16string_view ident) const;
    void AddLine(std::size_t section, Line line);

    std::string path_;
    std::vector<Section> sections_;
    Index sectionIndex_;                      // upper-cased name -> place in sections_
    mutable std::vector<KeyIndex> keyIndex_;  // one per section
};

// Unicode simple upper case from a fixed table, one unit for one unit (surrogates stay), the same
// under every locale.
std::u16string UpperCaseName(std::u16string_view text);

}  // namespace Tormvale
