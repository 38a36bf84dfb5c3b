#pragma once
// Every rule the main window decides, once for both faces: the Get command, the two lists and the
// editor kept in step, Apply, the hints, help, the settings read at creation and written at a close
// request, placement, and the font command's limits. A face creates its controls, draws, and
// forwards each act of the user to the handler of the same name here.
#include <functional>
#include <string>
#include <string_view>

#include "core/conversionset.h"
#include "core/mainformview.h"

namespace Tormvale {
class ClipboardBackend;
class DesktopGeometry;
}  // namespace Tormvale

namespace Varnopile {

class MainFormRules {
public:
    // Every help request ends at the window's context; there is no help.
    static constexpr int HelpContext = 33;
    // The sizes the font dialog accepts; a size read from the settings is not held to them.
    static constexpr int MinFontSize = 8;
    static constexpr int MaxFontSize = 24;

    // What the rules take from their surroundings; the program passes the real ones, tests doubles.
    struct Services {
        Tormvale::ClipboardBackend* clipboard = nullptr;  // none: Get and Apply do nothing
        Tormvale::DesktopGeometry* desktop = nullptr;     // none: no placement check
        std::string dataFolder;                           // with its trailing separator; empty: no settings file
        // Makes the data folder exist again before a save, as start-up does; none: the folder as it is.
        std::function<bool()> prepareDataFolder;
    };

    MainFormRules(MainFormView& view, Services services);

    // The handlers. A failure that escapes one goes to the view's error display, and the program
    // goes on; nothing done before it is rolled back.

    // Creation, before the window is first shown and once its outer bounds exist: the bars take the
    // menu font's face, the settings apply, a window no monitor shows is centred, the lists take
    // the editor's face.
    void FormCreate();
    // The first showing runs the Get command.
    void FormShow();
    void TBGetClick();
    void TBApplyClick();
    void TBFontClick();
    // The user selected a row in the list (mouse, keys or type-ahead), the selected one included.
    void ListBoxClick();
    void ListBoxKClick();
    // A double click in either list.
    void ListBoxDblClick();
    // A character typed in the result list; it reaches the list only when key is not set to 0.
    void ListBoxKeyPress(char16_t& key);
    void Help();
    // At every close request and when the session asks whether we may end: writes the settings.
    // False when that failed and the window must stay.
    bool FormCloseQuery();

    // The status bar's text while the pointer rests on a part, and a tool button's tooltip:
    // empty for all but the four tool buttons.
    static std::u16string_view HintFor(Part part);

    const ConversionSet& Data() const { return MData; }

private:
    template <typename F>
    bool Run(F&& handler);
    void ShowError(const std::u16string& message);
    void Get();
    void AddRow(Part list, const std::u16string& text);
    void SelectFromResultList();
    void LoadEditor(int row);
    void Apply();
    void SetFace(Part part, const std::u16string& face);
    void SetListFace(Part list, const std::u16string& face);
    void ReadSettings(const FontSpec& menu);
    std::string SettingsPath() const;

    MainFormView& view_;
    Services services_;
    ConversionSet MData;
};

}  // namespace Varnopile
