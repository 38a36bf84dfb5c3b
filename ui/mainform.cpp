#include "ui/mainform.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QShortcut>
#include <QStatusTipEvent>
#include <cmath>

#include "core/takeclipboardtext.h"
#include "platform/systemfonts.h"
#include "platform/windowframe.h"
#include "ui/accessibility.h"
#include "ui/listextent.h"
#include "ui/listrowheight.h"
#include "ui/messageboxerrordisplay.h"
#include "ui/qtext.h"
#include "ui/windowsettings.h"
#include "util/clipboard.h"
#include "util/errors.h"
#include "util/placement.h"
#include "util/settingsstore.h"

namespace Ui {

namespace {

// The designed faces; full-width letters in the Japanese names are part of the names.
const QString UIGothic = QStringLiteral("MS UI Gothic");
const QString PGothic = QStringLiteral("ＭＳ Ｐゴシック");
const QString MeiryoUI = QStringLiteral("Meiryo UI");

QFont DesignedFont(const QString& face, int points) {
    QFont font(face);
    font.setPointSize(points);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

}  // namespace

QString TMainForm::Label(int index) {
    return ToQ(std::u16string(Varnopile::Variants[static_cast<std::size_t>(index)].label));
}

template <typename F>
void TMainForm::Run(F&& handler) {
    try {
        handler();
    } catch (const Tormvale::Exception& e) {
        ShowError(e.Message());
    } catch (const std::bad_alloc&) {
        ShowError(u"システム リソース不足です");
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()).toStdU16String());
    }
}

void TMainForm::ShowError(const std::u16string& message) {
    static MessageBoxErrorDisplay messageBox;
    ErrorDisplay& display = services_.errorDisplay ? *services_.errorDisplay : messageBox;
    display.Show(QApplication::activeWindow(), ToQ(Tormvale::ErrorDisplayText(message)));
}

template <typename Sender, typename Signal>
void TMainForm::Wire(Sender* sender, Signal signal, void (TMainForm::*handler)()) {
    connect(sender, signal, this, [this, handler] { Run([this, handler] { (this->*handler)(); }); });
}

TMainForm::TMainForm(MainFormServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      services_(std::move(services)),
      bounds_(this, QSize(MinimumOuterWidth, MinimumOuterHeight)) {
    CreateParts();
    Run([this] { FormCreate(); });
}

void TMainForm::CreateParts() {
    InstallAccessibleRoles();
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Varnopile"));
    setFont(DesignedFont(PGothic, 9));
    resize(DesignedClientWidth, DesignedClientHeight);
    move(DesignedLeft, DesignedTop);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setFocusPolicy(Qt::NoFocus);

    CreateToolBar();

    StatusBar = new HintBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(true);
    StatusBar->setFont(DesignedFont(PGothic, 9));
    StatusBar->setAccessibleName(QStringLiteral("ヒント"));

    CreateLists();

    Editor = new TextEditor(this);
    Editor->setObjectName(QStringLiteral("Editor"));
    Editor->setAccessibleName(QStringLiteral("エディタ"));

    setTabOrder(ListBox, ListBoxK);
    setTabOrder(ListBoxK, Editor);

    WireParts();
    ArrangeParts();
}

void TMainForm::CreateToolBar() {
    ToolBar = new FlatToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setFont(DesignedFont(MeiryoUI, 11));
    ToolBar->setAccessibleName(QStringLiteral("ツールバー"));
    TBGet = ToolBar->AddButton(QStringLiteral("TBGet"), QStringLiteral("取得(&G)"),
                               QStringLiteral("クリップボードからデータを取得します。"));
    TBApply = ToolBar->AddButton(QStringLiteral("TBApply"), QStringLiteral("更新(&A)"),
                                 QStringLiteral("エディタのデータをクリップボードに送ります。"));
    ToolButton3 = ToolBar->AddSeparator(QStringLiteral("ToolButton3"));
    TBFont = ToolBar->AddButton(QStringLiteral("TBFont"), QStringLiteral("フォント"),
                                QStringLiteral("リスト、エディタのフォントを変更します。"));
    ToolButton4 = ToolBar->AddSeparator(QStringLiteral("ToolButton4"));
    TBClose = ToolBar->AddButton(QStringLiteral("TBClose"), QStringLiteral("終了(&X)"), QStringLiteral("終了します。"));
}

void TMainForm::CreateLists() {
    // Created in this order so that the label list comes second in the tab order.
    ListBox = new TextList(GroupBox1);
    ListBox->setObjectName(QStringLiteral("ListBox"));
    ListBox->setFont(DesignedFont(UIGothic, 10));
    ListBox->setAccessibleName(QStringLiteral("変換結果"));
    ListBoxK = new TextList(GroupBox1);
    ListBoxK->setObjectName(QStringLiteral("ListBoxK"));
    ListBoxK->setFont(DesignedFont(PGothic, 10));
    ListBoxK->setAccessibleName(QStringLiteral("変換の種類"));
    ListBoxK->TypeAhead = true;
    ListBoxK->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TMainForm::WireParts() {
    Wire(TBGet, &QToolButton::clicked, &TMainForm::TBGetClick);
    Wire(TBApply, &QToolButton::clicked, &TMainForm::TBApplyClick);
    Wire(TBFont, &QToolButton::clicked, &TMainForm::TBFontClick);
    Wire(TBClose, &QToolButton::clicked, &TMainForm::TBCloseClick);
    Wire(ListBox, &TextList::Click, &TMainForm::ListBoxClick);
    Wire(ListBoxK, &TextList::Click, &TMainForm::ListBoxKClick);
    Wire(ListBox, &TextList::DblClick, &TMainForm::ListBoxDblClick);
    Wire(ListBoxK, &TextList::DblClick, &TMainForm::ListBoxDblClick);
    ListBox->KeyPressHandler = [this](QChar key, bool* consumed) {
        Run([&] { ListBoxKeyPress(key); });
        *consumed = key.unicode() == 0;
    };

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    Wire(help, &QShortcut::activated, &TMainForm::HelpRequested);
}

void TMainForm::ArrangeParts() {
    const int w = width();
    const int h = height();
    const int barHeight = ToolBar->Arrange(w);
    ToolBar->setGeometry(0, 0, w, barHeight);
    GroupBox1->setGeometry(0, barHeight, w, GroupBoxHeight);
    // The status bar and its size grip stay at the bottom however short the window: the editor
    // gives up its height first, then the status bar covers the frame.
    const int statusTop = std::max(0, h - StatusBarHeight);
    StatusBar->setGeometry(0, statusTop, w, StatusBarHeight);
    StatusBar->raise();
    const int editorTop = barHeight + GroupBoxHeight;
    Editor->setGeometry(0, editorTop, w, std::max(0, statusTop - editorTop));

    // The frame's interior: 2 at the left, right and bottom, 14 at the top.
    const int innerHeight = std::max(0, GroupBoxHeight - 14 - 2);
    ListBoxK->setGeometry(2, 14, LabelListWidth, innerHeight);
    ListBox->setGeometry(2 + LabelListWidth, 14, std::max(0, w - 4 - LabelListWidth), innerHeight);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ArrangeParts();
}

void TMainForm::SetListFace(TextList* list, const QString& face) {
    QFont font = list->font();
    if (!face.isEmpty()) font.setFamily(face);
    list->setFont(font);
    const int h = ListRowHeight(list->font().family(), list->font().pointSize());
    if (h >= 1 && h != list->ItemHeight()) list->SetItemHeight(h);
}

void TMainForm::FormCreate() {
    const QFont menu = MenuFont();
    QFont statusFont = StatusBar->font();
    statusFont.setFamily(menu.family());
    StatusBar->setFont(statusFont);
    QFont barFont = ToolBar->font();
    barFont.setFamily(menu.family());
    ToolBar->setFont(barFont);
    for (QToolButton* b : {TBGet, TBApply, TBFont, TBClose}) b->setFont(barFont);
    ArrangeParts();

    // The designed place holds until the settings apply, and stays when they cannot be read.
    bounds_.Start(QPoint(DesignedLeft, DesignedTop), QSize(DesignedClientWidth, DesignedClientHeight));
    ReadSettings(SettingsPath(), Editor, menu, bounds_);
    if (services_.desktop) Tormvale::EnsureWindowVisible(bounds_, *services_.desktop);

    SetListFace(ListBox, Editor->font().family());
    SetListFace(ListBoxK, Editor->font().family());
}

QFont TMainForm::MenuFont() const { return services_.menuFont ? *services_.menuFont : Platform::MenuFont(); }

std::string TMainForm::SettingsPath() const {
    return services_.dataFolder.empty() ? std::string() : services_.dataFolder + Tormvale::SettingsFileName;
}

void TMainForm::showEvent(QShowEvent* event) {
    if (!shown_ && !event->spontaneous()) {
        shown_ = true;
        if (Platform::ClipboardNeedsFocus())
            getOnActivation_ = true;
        else
            Run([this] { FormShow(); });
        ListBox->setFocus(Qt::OtherFocusReason);
    }
    QWidget::showEvent(event);
}

void TMainForm::FormShow() { TBGetClick(); }

void TMainForm::TBGetClick() {
    if (!services_.clipboard) return;
    const Varnopile::TakenText taken = Varnopile::TakeClipboardText(*services_.clipboard);
    // The test is on the text as read: one that trims to nothing still refills the lists.
    if (!taken.taken || taken.text.empty()) return;
    MData = Varnopile::BuildConversionSet(taken.text);
    ListBoxK->clear();
    for (int i = 0; i < static_cast<int>(Varnopile::VariantCount); ++i) ListBoxK->AddRow(Label(i));
    ListBox->clear();
    for (const std::u16string& variant : MData) ListBox->AddRow(ToQ(variant));
    ListExtent extent(ListBox);
    Tormvale::FitHorizontalExtent(extent);
    ListBox->SelectRow(0);
    ListBoxK->SelectRow(0);
    const int r = ListBox->SelectedRow();
    if (r >= 0) Editor->SetText(MData[static_cast<std::size_t>(r)]);
}

void TMainForm::TBApplyClick() {
    if (!services_.clipboard) return;
    Tormvale::PutClipboardText(*services_.clipboard, Editor->Text());
}

void TMainForm::TBFontClick() {
    FontDialogService* dialog = services_.fontDialog;
    if (!dialog) return;
    fontChoice_.face = Editor->font().family();
    fontChoice_.pointSize = Platform::PointSizeOf(Editor->font());
    fontChoice_.color = Editor->palette().color(QPalette::Text);
    FontChoice chosen = fontChoice_;
    if (!dialog->Execute(this, chosen, 8, 24)) return;
    fontChoice_ = chosen;
    SetListFace(ListBox, chosen.face);
    ListBox->viewport()->update();
    SetListFace(ListBoxK, chosen.face);
    ListBoxK->viewport()->update();
    QFont font = Editor->font();
    if (!chosen.face.isEmpty()) font.setFamily(chosen.face);
    if (chosen.pointSize > 0) font.setPointSize(chosen.pointSize);
    Editor->setFont(font);
    Editor->viewport()->update();
}

void TMainForm::TBCloseClick() { close(); }

void TMainForm::ListBoxClick() {
    const int r = ListBox->SelectedRow();
    ListBoxK->SelectRow(r);
    // A click can come while the result list has no row selected; MData is never read outside.
    if (r >= 0 && r < static_cast<int>(MData.size())) Editor->SetText(MData[static_cast<std::size_t>(r)]);
}

void TMainForm::ListBoxKClick() {
    const int r = ListBoxK->SelectedRow();
    ListBox->SelectRow(r < ListBox->count() ? r : -1);
    ListBoxClick();
}

void TMainForm::ListBoxDblClick() { TBApplyClick(); }

void TMainForm::ListBoxKeyPress(QChar& key) {
    if (key.unicode() == 13) ListBoxDblClick();
    key = QChar(0);
}

void TMainForm::ApplicationEventsHint(const QString& hint) { StatusBar->SetHint(hint); }

void TMainForm::HelpRequested() { throw Tormvale::Exception(u"状況依存型ヘルプがインストールされていません"); }

bool TMainForm::CommitData() {
    bool saved = false;
    Run([&] { saved = FormCloseQuery(); });
    return saved;
}

bool TMainForm::FormCloseQuery() {
    // The folder may have been removed while we ran; start-up would have made it.
    if (services_.prepareDataFolder) services_.prepareDataFolder();
    WriteSettings(SettingsPath(), Editor->font(), bounds_);
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    Run([&] {
        canClose = false;
        canClose = FormCloseQuery();
    });
    if (canClose)
        event->accept();
    else
        event->ignore();
}

bool TMainForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        ApplicationEventsHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Paint:
        case QEvent::WindowActivate:
            bounds_.Settle();
            break;
        default:
            break;
    }
    if (event->type() == QEvent::WindowActivate && getOnActivation_) {
        getOnActivation_ = false;
        // The compositor may hand the selection over just after it activates us: when the Get
        // found nothing, the first selection that arrives completes it.
        connect(
            QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            [this] {
                if (ListBox->count() == 0) Run([this] { FormShow(); });
            },
            Qt::SingleShotConnection);
        Run([this] { FormShow(); });
    }
    return QWidget::event(event);
}

}  // namespace Ui
