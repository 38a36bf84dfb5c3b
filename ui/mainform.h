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
#include "core/mainformrules.h"
#include "core/mainformview.h"
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

// The Qt face of the window: it creates the parts, draws them, and forwards what the user does to
// the rules, which decide everything else.
class TMainForm : public QWidget, public Varnopile::FormLayout, private Varnopile::MainFormView {
    Q_OBJECT
public:
    static constexpr int MinimumOuterWidth = 136;
    static constexpr int MinimumOuterHeight = 39;

    explicit TMainForm(MainFormServices services, QWidget* parent = nullptr);

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

    const Varnopile::ConversionSet& Data() const { return rules_.Data(); }

    // The session asks at log-off whether the program may end: the settings are written as at a
    // close; false when that failed (the failure has been shown).
    bool CommitData();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    using Part = Varnopile::Part;

    // The handlers with more to them than the rules: the outer bounds, and when the clipboard is ours.
    void FormCreate();
    void FormShow();
    void TBCloseClick();
    void ApplicationEventsHint(const QString& hint);
    // Each user event of a part runs its handler in the rules.
    template <typename Sender, typename Signal>
    void Forward(Sender* sender, Signal signal, void (Varnopile::MainFormRules::*handler)());

    void CreateParts();
    void CreateToolBar();
    void CreateLists();
    void WireParts();
    void ArrangeParts();
    QWidget* Widget(Part part) const;
    TextList* List(Part list) const { return list == Part::ListBoxK ? ListBoxK : ListBox; }

    // MainFormView.
    void ClearRows(Part list) override;
    bool AddRow(Part list, const std::u16string& text) override;
    int RowCount(Part list) const override;
    std::u16string RowText(Part list, int row) const override;
    void SelectRow(Part list, int row) override;
    int SelectedRow(Part list) const override;
    long long MeasureRow(const std::u16string& text) const override;
    void SetHorizontalExtent(Part list, int extent) override;
    int ItemHeight(Part list) const override;
    void SetItemHeight(Part list, int height) override;
    std::u16string EditorText() const override;
    void SetEditorText(const std::u16string& text) override;
    std::u16string Face(Part part) const override;
    int PointSize(Part part) const override;
    void SetFace(Part part, const std::u16string& face) override;
    void SetPointSize(Part part, int points) override;
    void Repaint(Part part) override;
    Varnopile::FontSpec MenuFont() const override;
    bool ChooseFont(Varnopile::FontSpec& font, int minSize, int maxSize) override;
    Tormvale::WindowHandle& Window() override { return bounds_; }
    void ShowError(const std::u16string& text) override;

    MainFormServices services_;
    Varnopile::MainFormRules rules_;
    bool shown_ = false;
    // Style and the like carry over from one opening of the font dialog to the next.
    FontChoice fontChoice_;
    OuterBounds bounds_;
    // On Wayland the clipboard reaches a window only once it has the keyboard.
    bool getOnActivation_ = false;
};

}  // namespace Ui
