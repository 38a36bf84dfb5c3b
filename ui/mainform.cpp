#include "ui/mainform.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QShortcut>
#include <QStatusTipEvent>

#include "platform/systemfonts.h"
#include "platform/windowframe.h"
#include "ui/accessibility.h"
#include "ui/messageboxerrordisplay.h"
#include "ui/qtext.h"

namespace Ui {

namespace {

using Varnopile::MainFormRules;

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

MainFormRules::Services RulesServices(const MainFormServices& s) {
    return {s.clipboard, s.desktop, s.dataFolder, s.prepareDataFolder};
}

QString Hint(Varnopile::Part part) {
    const std::u16string_view hint = MainFormRules::HintFor(part);
    return QString::fromUtf16(hint.data(), static_cast<qsizetype>(hint.size()));
}

}  // namespace

template <typename Sender, typename Signal>
void TMainForm::Forward(Sender* sender, Signal signal, void (MainFormRules::*handler)()) {
    connect(sender, signal, this, [this, handler] { (rules_.*handler)(); });
}

TMainForm::TMainForm(MainFormServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      services_(std::move(services)),
      rules_(*this, RulesServices(services_)),
      bounds_(this, QSize(MinimumOuterWidth, MinimumOuterHeight)) {
    CreateParts();
    FormCreate();
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
    TBGet = ToolBar->AddButton(QStringLiteral("TBGet"), QStringLiteral("取得(&G)"), Hint(Part::TBGet));
    TBApply = ToolBar->AddButton(QStringLiteral("TBApply"), QStringLiteral("更新(&A)"), Hint(Part::TBApply));
    ToolButton3 = ToolBar->AddSeparator(QStringLiteral("ToolButton3"));
    TBFont = ToolBar->AddButton(QStringLiteral("TBFont"), QStringLiteral("フォント"), Hint(Part::TBFont));
    ToolButton4 = ToolBar->AddSeparator(QStringLiteral("ToolButton4"));
    TBClose = ToolBar->AddButton(QStringLiteral("TBClose"), QStringLiteral("終了(&X)"), Hint(Part::TBClose));
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
    Forward(TBGet, &QToolButton::clicked, &MainFormRules::TBGetClick);
    Forward(TBApply, &QToolButton::clicked, &MainFormRules::TBApplyClick);
    Forward(TBFont, &QToolButton::clicked, &MainFormRules::TBFontClick);
    connect(TBClose, &QToolButton::clicked, this, &TMainForm::TBCloseClick);
    Forward(ListBox, &TextList::Click, &MainFormRules::ListBoxClick);
    Forward(ListBoxK, &TextList::Click, &MainFormRules::ListBoxKClick);
    Forward(ListBox, &TextList::DblClick, &MainFormRules::ListBoxDblClick);
    Forward(ListBoxK, &TextList::DblClick, &MainFormRules::ListBoxDblClick);
    ListBox->KeyPressHandler = [this](QChar key, bool* consumed) {
        char16_t k = key.unicode();
        rules_.ListBoxKeyPress(k);
        *consumed = k == 0;
    };

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    Forward(help, &QShortcut::activated, &MainFormRules::Help);
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

void TMainForm::FormCreate() {
    // The designed place holds until the settings apply, and stays when they cannot be read.
    bounds_.Start(QPoint(DesignedLeft, DesignedTop), QSize(DesignedClientWidth, DesignedClientHeight));
    rules_.FormCreate();
}

void TMainForm::showEvent(QShowEvent* event) {
    if (!shown_ && !event->spontaneous()) {
        shown_ = true;
        if (Platform::ClipboardNeedsFocus())
            getOnActivation_ = true;
        else
            FormShow();
        ListBox->setFocus(Qt::OtherFocusReason);
    }
    QWidget::showEvent(event);
}

void TMainForm::FormShow() { rules_.FormShow(); }

void TMainForm::TBCloseClick() { close(); }

void TMainForm::ApplicationEventsHint(const QString& hint) { StatusBar->SetHint(hint); }

bool TMainForm::CommitData() { return rules_.FormCloseQuery(); }

void TMainForm::closeEvent(QCloseEvent* event) {
    if (rules_.FormCloseQuery())
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
                if (ListBox->count() == 0) FormShow();
            },
            Qt::SingleShotConnection);
        FormShow();
    }
    return QWidget::event(event);
}

// What the rules ask of the window.

QWidget* TMainForm::Widget(Part part) const {
    switch (part) {
        case Part::GroupBox1:
            return GroupBox1;
        case Part::ToolBar:
            return ToolBar;
        case Part::TBGet:
            return TBGet;
        case Part::TBApply:
            return TBApply;
        case Part::ToolButton3:
            return ToolButton3;
        case Part::TBFont:
            return TBFont;
        case Part::ToolButton4:
            return ToolButton4;
        case Part::TBClose:
            return TBClose;
        case Part::ListBox:
            return ListBox;
        case Part::ListBoxK:
            return ListBoxK;
        case Part::Editor:
            return Editor;
        case Part::StatusBar:
            return StatusBar;
        case Part::MainForm:
            break;
    }
    return const_cast<TMainForm*>(this);
}

void TMainForm::ClearRows(Part list) { List(list)->clear(); }

bool TMainForm::AddRow(Part list, const std::u16string& text) {
    // A Qt list takes every row it is given.
    List(list)->AddRow(ToQ(text));
    return true;
}

int TMainForm::RowCount(Part list) const { return List(list)->count(); }

std::u16string TMainForm::RowText(Part list, int row) const { return List(list)->item(row)->text().toStdU16String(); }

void TMainForm::SelectRow(Part list, int row) { List(list)->SelectRow(row); }

int TMainForm::SelectedRow(Part list) const { return List(list)->SelectedRow(); }

long long TMainForm::MeasureRow(const std::u16string& text) const { return ListBox->MeasureText(text); }

void TMainForm::SetHorizontalExtent(Part list, int extent) { List(list)->SetHorizontalExtent(extent); }

int TMainForm::ItemHeight(Part list) const { return List(list)->ItemHeight(); }

void TMainForm::SetItemHeight(Part list, int height) { List(list)->SetItemHeight(height); }

std::u16string TMainForm::EditorText() const { return Editor->Text(); }

void TMainForm::SetEditorText(const std::u16string& text) { Editor->SetText(text); }

std::u16string TMainForm::Face(Part part) const { return Widget(part)->font().family().toStdU16String(); }

int TMainForm::PointSize(Part part) const { return Platform::PointSizeOf(Widget(part)->font()); }

void TMainForm::SetFace(Part part, const std::u16string& face) {
    QWidget* w = Widget(part);
    QFont font = w->font();
    font.setFamily(ToQ(face));
    w->setFont(font);
    if (part == Part::ToolBar) {
        // The buttons show their captions in the bar's font, and the bar's height follows it.
        for (QToolButton* b : {TBGet, TBApply, TBFont, TBClose}) b->setFont(font);
        ArrangeParts();
    }
}

void TMainForm::SetPointSize(Part part, int points) {
    QWidget* w = Widget(part);
    QFont font = w->font();
    font.setPointSize(points);
    w->setFont(font);
}

void TMainForm::Repaint(Part part) {
    QWidget* w = Widget(part);
    if (auto* view = qobject_cast<QAbstractScrollArea*>(w)) w = view->viewport();
    w->update();
}

Varnopile::FontSpec TMainForm::MenuFont() const {
    const QFont menu = services_.menuFont ? *services_.menuFont : Platform::MenuFont();
    return {menu.family().toStdU16String(), Platform::PointSizeOf(menu)};
}

bool TMainForm::ChooseFont(Varnopile::FontSpec& font, int minSize, int maxSize) {
    if (!services_.fontDialog) return false;
    fontChoice_.face = ToQ(font.face);
    fontChoice_.pointSize = font.pointSize;
    fontChoice_.color = Editor->palette().color(QPalette::Text);
    FontChoice chosen = fontChoice_;
    if (!services_.fontDialog->Execute(this, chosen, minSize, maxSize)) return false;
    fontChoice_ = chosen;
    font = {chosen.face.toStdU16String(), chosen.pointSize};
    return true;
}

void TMainForm::ShowError(const std::u16string& text) {
    static MessageBoxErrorDisplay messageBox;
    ErrorDisplay& display = services_.errorDisplay ? *services_.errorDisplay : messageBox;
    display.Show(QApplication::activeWindow(), ToQ(text));
}

}  // namespace Ui
