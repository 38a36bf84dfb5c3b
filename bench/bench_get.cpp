// Get latency: the clipboard's text to a painted window, on the offscreen platform.
// Each iteration runs the Get command and then paints the whole window synchronously. Two texts
// of equal size alternate, so every Get meets a clipboard that changed, as a user's would.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTemporaryDir>
#include <QWindow>
#include <array>
#include <memory>
#include <string>

#include "core/conversionset.h"
#include "platform/qtdesktopgeometry.h"
#include "tests/support/scripted_clipboard.h"
#include "ui/mainform.h"
#include "ui/qtfontdialogservice.h"

namespace {

constexpr std::size_t Units = Varnopile::SourceLimit;

std::u16string Repeat(const std::u16string& piece, std::size_t units) {
    std::u16string s;
    while (s.size() < units) s += piece;
    s.resize(units);
    return s;
}

const std::u16string Snippet =
    u"クリップボードの文字列を変換します。ガギグゲゴ、パピプペポ、ｶﾞｷﾞｸﾞ ﾊﾟﾋﾟ ｱｲｳｴｵ。"
    u"ＡＢＣ１２３ abc 123「ひらがな」と『カタカナ』、漢字も混ざる。\tヴァイオリンとばびぶべぼ";

// Lines of many lengths: short ones, tab-separated columns and a few of several thousand units,
// all ending in CR LF. `shift` rotates the text so the two inputs differ from their first unit.
std::u16string MixedText(std::size_t shift) {
    std::u16string block;
    for (int i = 0; i < 6; ++i)
        block += u"第" + std::u16string(1, char16_t(u'一' + i)) + u"行\tＡＢＣ\tabc\tかな\tｶﾅ\r\n";
    block += Snippet.substr(0, 40) + u"\r\n";
    block += Repeat(Snippet, 3000) + u"\r\n";
    std::u16string s = Repeat(block, Units + shift).substr(shift);
    s.front() = u'あ';  // nothing for the trim to take away
    s.back() = u'ん';
    return s;
}

// One row: the whole clipboard without a line break.
std::u16string OneRowText(std::size_t shift) {
    std::u16string s = Repeat(Snippet, Units + shift).substr(shift);
    s.front() = u'あ';
    s.back() = u'ん';
    return s;
}

// Counts paints of a widget, to show that the painting really happens.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    long paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

struct Window {
    QTemporaryDir data;
    Testing::ScriptedClipboardBackend clipboard;
    Platform::QtDesktopGeometry desktop;
    Ui::QtFontDialogService fontDialog;
    std::unique_ptr<Ui::TMainForm> form;

    explicit Window(const std::u16string& first) {
        clipboard.text = first;
        Ui::MainFormServices s;
        s.clipboard = &clipboard;
        s.desktop = &desktop;
        s.fontDialog = &fontDialog;
        s.dataFolder = data.path().toStdString() + "/";
        form = std::make_unique<Ui::TMainForm>(s);
        form->show();
        QElapsedTimer t;
        t.start();
        while (!(form->windowHandle() && form->windowHandle()->isExposed()) && t.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        QApplication::processEvents();
    }
};

enum class Paint { None, Repaint, Grab, EventsThenRepaint };

void Get(benchmark::State& state, std::u16string (*make)(std::size_t), Paint paint) {
    const std::array<std::u16string, 2> texts{make(0), make(977)};
    Window w(texts[1]);
    Ui::TMainForm& form = *w.form;
    if (form.ListBox->count() != 6) {
        state.SkipWithError("the window did not fill its lists");
        return;
    }
    PaintCounter listPaints(form.ListBox->viewport());
    PaintCounter editorPaints(form.Editor->viewport());
    std::size_t i = 0;
    for (auto _ : state) {
        w.clipboard.text = texts[i++ & 1];
        form.TBGet->click();
        switch (paint) {
            case Paint::None:
                break;
            case Paint::Repaint:
                form.repaint();
                break;
            case Paint::Grab:
                benchmark::DoNotOptimize(form.grab());
                break;
            case Paint::EventsThenRepaint:
                // What the event loop does after the handler (posted item layout, queued updates).
                QApplication::processEvents();
                form.repaint();
                break;
        }
    }
    if (form.Editor->Text() != Varnopile::BuildConversionSet(texts[(i - 1) & 1])[0])
        state.SkipWithError("the editor does not hold the last text's first variant");
    const double n = static_cast<double>(state.iterations());
    state.counters["list_paints"] = static_cast<double>(listPaints.paints) / n;
    state.counters["editor_paints"] = static_cast<double>(editorPaints.paints) / n;
    state.counters["widest_row"] = form.ListBox->HorizontalExtent();
    QApplication::processEvents();
}

// Painting the whole window alone, with no change (grab: repaint would skip the clean parts).
void PaintUnchanged(benchmark::State& state, std::u16string (*make)(std::size_t)) {
    Window w(make(0));
    PaintCounter editorPaints(w.form->Editor->viewport());
    for (auto _ : state) benchmark::DoNotOptimize(w.form->grab());
    state.counters["editor_paints"] =
        static_cast<double>(editorPaints.paints) / static_cast<double>(state.iterations());
}

// The editor on its own, as the window holds it, loading the two texts in turn and painting:
// most of a Get's time goes here.
void EditorAlone(benchmark::State& state, std::u16string (*make)(std::size_t)) {
    const std::array<std::u16string, 2> texts{make(0), make(977)};
    Ui::TextEditor editor;
    editor.resize(388, 170);
    editor.show();
    QApplication::processEvents();
    std::size_t i = 0;
    for (auto _ : state) {
        editor.SetText(texts[i++ & 1]);
        editor.repaint();
    }
}

}  // namespace

#define GET_BENCH(name, ...) BENCHMARK_CAPTURE(Get, name, __VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()
GET_BENCH(mixed_get_only, MixedText, Paint::None);
GET_BENCH(mixed_repaint, MixedText, Paint::Repaint);
GET_BENCH(mixed_grab, MixedText, Paint::Grab);
GET_BENCH(mixed_events_repaint, MixedText, Paint::EventsThenRepaint);
GET_BENCH(one_row_get_only, OneRowText, Paint::None);
GET_BENCH(one_row_repaint, OneRowText, Paint::Repaint);
GET_BENCH(one_row_grab, OneRowText, Paint::Grab);
GET_BENCH(one_row_events_repaint, OneRowText, Paint::EventsThenRepaint);
BENCHMARK_CAPTURE(PaintUnchanged, mixed, MixedText)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(PaintUnchanged, one_row, OneRowText)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(EditorAlone, mixed, MixedText)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(EditorAlone, one_row, OneRowText)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
