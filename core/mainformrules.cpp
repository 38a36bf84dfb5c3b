#include "core/mainformrules.h"

#include <new>

#include "core/formsettings.h"
#include "core/listrowheight.h"
#include "core/takeclipboardtext.h"
#include "util/clipboard.h"
#include "util/errors.h"
#include "util/extent.h"
#include "util/settingsstore.h"
#include "util/text.h"

namespace Varnopile {

namespace {

// A size of 0 or less cannot be shown, and an absurd one would only stall the editor.
constexpr int LargestEditorSize = 1000;

// The result list as FitHorizontalExtent reads and sizes it.
class ResultListExtent : public Tormvale::ExtentList {
public:
    explicit ResultListExtent(MainFormView& view) : view_(view) {}
    int RowCount() const override { return view_.RowCount(Part::ListBox); }
    std::u16string RowText(int row) const override { return view_.RowText(Part::ListBox, row); }
    long long MeasureText(const std::u16string& text) const override { return view_.MeasureRow(text); }
    void SetHorizontalExtent(int extent) override { view_.SetHorizontalExtent(Part::ListBox, extent); }

private:
    MainFormView& view_;
};

}  // namespace

MainFormRules::MainFormRules(MainFormView& view, Services services) : view_(view), services_(std::move(services)) {}

template <typename F>
bool MainFormRules::Run(F&& handler) {
    try {
        handler();
        return true;
    } catch (const Tormvale::Exception& e) {
        ShowError(e.Message());
    } catch (const std::bad_alloc&) {
        ShowError(u"システム リソース不足です");
    } catch (const std::exception& e) {
        ShowError(Tormvale::U(e.what()));
    }
    return false;
}

void MainFormRules::ShowError(const std::u16string& message) { view_.ShowError(Tormvale::ErrorDisplayText(message)); }

void MainFormRules::FormCreate() {
    Run([this] {
        const FontSpec menu = view_.MenuFont();
        SetFace(Part::StatusBar, menu.face);
        SetFace(Part::ToolBar, menu.face);
        // A settings file that cannot be read ends creation here: no placement check, and the
        // lists keep their designed faces.
        ReadSettings(menu);
        if (services_.desktop) Tormvale::EnsureWindowVisible(view_.Window(), *services_.desktop);
        SetListFace(Part::ListBox, view_.Face(Part::Editor));
        SetListFace(Part::ListBoxK, view_.Face(Part::Editor));
    });
}

void MainFormRules::ReadSettings(const FontSpec& menu) {
    // Each default is the value at that moment; applying one changes none of the others.
    Tormvale::Rect outer;
    view_.Window().GetRect(outer);
    const FormSettings s = ReadFormSettings(SettingsPath(), FormSettings::Of(menu.face, menu.pointSize, outer));
    SetFace(Part::Editor, s.face);
    if (s.pointSize > 0 && s.pointSize <= LargestEditorSize) view_.SetPointSize(Part::Editor, s.pointSize);
    view_.Window().Move(s.left, s.top, s.width, s.height, false);
}

bool MainFormRules::FormCloseQuery() {
    return Run([this] {
        // The folder may have been removed while we ran; start-up would have made it.
        if (services_.prepareDataFolder) services_.prepareDataFolder();
        const std::string path = SettingsPath();
        if (path.empty()) return;
        Tormvale::Rect outer;
        view_.Window().GetRect(outer);
        WriteFormSettings(path, FormSettings::Of(view_.Face(Part::Editor), view_.PointSize(Part::Editor), outer));
    });
}

std::string MainFormRules::SettingsPath() const {
    return services_.dataFolder.empty() ? std::string() : services_.dataFolder + Tormvale::SettingsFileName;
}

void MainFormRules::FormShow() { TBGetClick(); }

void MainFormRules::TBGetClick() {
    Run([this] { Get(); });
}

void MainFormRules::Get() {
    if (!services_.clipboard) return;
    const TakenText taken = TakeClipboardText(*services_.clipboard);
    // The test is on the text as read: one that trims to nothing still refills the lists.
    if (!taken.taken || taken.text.empty()) return;
    MData = BuildConversionSet(taken.text);
    view_.ClearRows(Part::ListBoxK);
    for (const Variant& variant : Variants) AddRow(Part::ListBoxK, std::u16string(variant.label));
    view_.ClearRows(Part::ListBox);
    for (const std::u16string& variant : MData) AddRow(Part::ListBox, variant);
    ResultListExtent extent(view_);
    Tormvale::FitHorizontalExtent(extent);
    view_.SelectRow(Part::ListBox, 0);
    view_.SelectRow(Part::ListBoxK, 0);
    LoadEditor(view_.SelectedRow(Part::ListBox));
}

// A refused row ends the command there: the set is new, the rest stays as it was.
void MainFormRules::AddRow(Part list, const std::u16string& text) {
    if (!view_.AddRow(list, text)) throw Tormvale::ListInsertError(u"行を挿入できません");
}

void MainFormRules::ListBoxClick() {
    Run([this] { SelectFromResultList(); });
}

void MainFormRules::ListBoxKClick() {
    Run([this] {
        // After a fill that stopped part-way the label list can hold rows the result list lacks;
        // then the result list selects none.
        view_.SelectRow(Part::ListBox, view_.SelectedRow(Part::ListBoxK));
        SelectFromResultList();
    });
}

void MainFormRules::SelectFromResultList() {
    const int r = view_.SelectedRow(Part::ListBox);
    view_.SelectRow(Part::ListBoxK, r);
    LoadEditor(r);
}

// The editor takes the variant only when it holds other text, so that clicking the variant it
// already shows keeps caret, selection and scroll position; edits of it are lost.
void MainFormRules::LoadEditor(int row) {
    // A click can come while the result list has no row selected; MData is never read outside.
    if (row < 0 || row >= static_cast<int>(MData.size())) return;
    const std::u16string& variant = MData[static_cast<std::size_t>(row)];
    if (view_.EditorText() != variant) view_.SetEditorText(variant);
}

void MainFormRules::TBApplyClick() {
    Run([this] { Apply(); });
}

void MainFormRules::ListBoxDblClick() {
    Run([this] { Apply(); });
}

void MainFormRules::ListBoxKeyPress(char16_t& key) {
    // Enter applies; nothing typed reaches the list's own search.
    Run([&] {
        if (key == u'\r') Apply();
        key = 0;
    });
}

// The clipboard held elsewhere throughout is no failure: the clipboard keeps what it had.
void MainFormRules::Apply() {
    if (!services_.clipboard) return;
    Tormvale::PutClipboardText(*services_.clipboard, view_.EditorText());
}

void MainFormRules::TBFontClick() {
    Run([this] {
        FontSpec font{view_.Face(Part::Editor), view_.PointSize(Part::Editor)};
        if (!view_.ChooseFont(font, MinFontSize, MaxFontSize)) return;
        // The lists take only the face, at their own size; the rows and the extent stay as they are.
        SetListFace(Part::ListBox, font.face);
        view_.Repaint(Part::ListBox);
        SetListFace(Part::ListBoxK, font.face);
        view_.Repaint(Part::ListBoxK);
        SetFace(Part::Editor, font.face);
        if (font.pointSize > 0) view_.SetPointSize(Part::Editor, font.pointSize);
        view_.Repaint(Part::Editor);
    });
}

// An empty face name leaves a font's face as it was.
void MainFormRules::SetFace(Part part, const std::u16string& face) {
    if (!face.empty()) view_.SetFace(part, face);
}

void MainFormRules::SetListFace(Part list, const std::u16string& face) {
    SetFace(list, face);
    const int h = ListRowHeight(view_.Face(list), view_.PointSize(list));
    if (h >= 1 && h != view_.ItemHeight(list)) view_.SetItemHeight(list, h);
}

void MainFormRules::Help() {
    Run([] { throw Tormvale::Exception(u"状況依存型ヘルプがインストールされていません"); });
}

std::u16string_view MainFormRules::HintFor(Part part) {
    switch (part) {
        case Part::TBGet:
            return u"クリップボードからデータを取得します。";
        case Part::TBApply:
            return u"エディタのデータをクリップボードに送ります。";
        case Part::TBFont:
            return u"リスト、エディタのフォントを変更します。";
        case Part::TBClose:
            return u"終了します。";
        default:
            return {};
    }
}

}  // namespace Varnopile
