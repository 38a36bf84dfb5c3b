#pragma once
// The program's only window: tool bar, the label list and the result list side by side, the
// editor, and a status bar that shows the hint of the tool button under the pointer.
#include <QFont>
#include <QGroupBox>
#include <QToolButton>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "core/conversionset.h"
#include "ui/flattoolbar.h"
#include "ui/fontdialogservice.h"
#include "ui/hintbar.h"
#include "ui/outerbounds.h"
#include "ui/texteditor.h"
#include "ui/textlist.h"

namespace Tormvale {
class ClipboardBackend;
class DesktopGeometry;
}  // namespace Tormvale

namespace Ui {

class ErrorDisplay;

// What the window takes from its surroundings; the program passes the real ones, tests doubles.
struct MainFormServices {
    Tormvale::ClipboardBackend* clipboard = nullptr;
    Tormvale::DesktopGeometry* desktop = nullptr;
    FontDialogService* fontDialog = nullptr;
    ErrorDisplay* errorDisplay = nullptr;  // a message box unless given
    std::string dataFolder;                // where the settings file lives, with a trailing "/"; empty: none
    std::optional<QFont> menuFont;         // the system's menu font unless given
    // Makes the data folder exist again before a save, as start-up does; none: the folder as it is.
    std::function<bool()> prepareDataFolder;
};

class TMainForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int DesignedClientWidth = 388;
    static constexpr int DesignedClientHeight = 368;
    static constexpr int DesignedLeft = 336;
    static constexpr int DesignedTop = 201;
    static constexpr int GroupBoxHeight = 180;
    static constexpr int StatusBarHeight = 19;
    static constexpr int LabelListWidth = 150;
    static constexpr int HelpContext = 33;
    static constexpr int MinimumOuterWidth = 136;
    static constexpr int MinimumOuterHeight = 39;

    explicit TMainForm(MainFormServices services, QWidget* parent = nullptr);

    // The label list's rows.
    static QString Label(int index);

    // The parts, in their declared order.
    QGroupBox* GroupBox1;
    FlatToolBar* ToolBar;
    QToolButton* TBApply;
    QToolButton* TBClose;
    QWidget* ToolButton3;
    QWidget* ToolButton4;
    HintBar* StatusBar;
    QToolButton* TBGet;
    TextList* ListBox;
    TextList* ListBoxK;
    TextEditor* Editor;
    QToolButton* TBFont;

    const Varnopile::ConversionSet& Data() const { return MData; }

    // The session asks at log-off whether the program may end: the settings are written as at a
    // close; false when that failed (the failure has been shown).
    bool CommitData();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The handlers; each runs through Run, so a failure is shown and the program goes on.
    void FormCreate();
    void FormShow();
    bool FormCloseQuery();
    void TBGetClick();
    void TBApplyClick();
    void TBFontClick();
    void TBCloseClick();
    void ListBoxClick();
    void ListBoxKClick();
    void ListBoxDblClick();
    void ListBoxKeyPress(QChar& key);
    void ApplicationEventsHint(const QString& hint);
    void HelpRequested();

    // Runs a handler; a failure that escapes it goes to the error display.
    template <typename F>
    void Run(F&& handler);
    void ShowError(const std::u16string& message);
    // Each user event of a part runs its handler.
    template <typename Sender, typename Signal>
    void Wire(Sender* sender, Signal signal, void (TMainForm::*handler)());

    void CreateParts();
    void CreateToolBar();
    void CreateLists();
    void WireParts();
    void ArrangeParts();
    void SetListFace(TextList* list, const QString& face);
    QFont MenuFont() const;
    std::string SettingsPath() const;

    MainFormServices services_;
    Varnopile::ConversionSet MData;
    bool shown_ = false;
    // Style and the like carry over from one opening of the font dialog to the next.
    FontChoice fontChoice_;
    OuterBounds bounds_;
    // On Wayland the clipboard reaches a window only once it has the keyboard.
    bool getOnActivation_ = false;
};

}  // namespace Ui
