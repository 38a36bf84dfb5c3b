#include "mainform.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QShortcut>
#include <QStatusTipEvent>
#include <cmath>

#include "errordisplay.h"
#include "listrowheight.h"
#include "systemfonts.h"

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

TMainForm::TMainForm(MainFormServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      services_(std::move(services)) {
    CreateParts();
    RunHandler([this] { FormCreate(); });
}

void TMainForm::CreateParts() {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Varnopile"));
    setFont(DesignedFont(PGothic, 9));
    resize(DesignedClientWidth, DesignedClientHeight);
    move(DesignedLeft, DesignedTop);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setFocusPolicy(Qt::NoFocus);

    ToolBar = new TToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setFont(DesignedFont(MeiryoUI, 11));
    TBGet = ToolBar->AddButton(QStringLiteral("TBGet"), QStringLiteral("取得(&G)"),
                               QStringLiteral("クリップボードからデータを取得します。"));
    TBApply = ToolBar->AddButton(QStringLiteral("TBApply"), QStringLiteral("更新(&A)"),
                                 QStringLiteral("エディタのデータをクリップボードに送ります。"));
    ToolButton3 = ToolBar->AddSeparator(QStringLiteral("ToolButton3"));
    TBFont = ToolBar->AddButton(QStringLiteral("TBFont"), QStringLiteral("フォント"),
                                QStringLiteral("リスト、エディタのフォントを変更します。"));
    ToolButton4 = ToolBar->AddSeparator(QStringLiteral("ToolButton4"));
    TBClose = ToolBar->AddButton(QStringLiteral("TBClose"), QStringLiteral("終了(&X)"), QStringLiteral("終了します。"));

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(true);
    StatusBar->setFont(DesignedFont(PGothic, 9));
    StatusBar->setAccessibleName(QStringLiteral("ヒント"));

    // Created in this order so that the label list comes second in the tab order.
    ListBox = new TListBox(GroupBox1);
    ListBox->setObjectName(QStringLiteral("ListBox"));
    ListBox->setFont(DesignedFont(UIGothic, 10));
    ListBox->setAccessibleName(QStringLiteral("変換結果"));
    ListBoxK = new TListBox(GroupBox1);
    ListBoxK->setObjectName(QStringLiteral("ListBoxK"));
    ListBoxK->setFont(DesignedFont(PGothic, 10));
    ListBoxK->setAccessibleName(QStringLiteral("変換の種類"));
    ListBoxK->TypeAhead = true;
    ListBoxK->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    Editor = new TEditor(this);
    Editor->setObjectName(QStringLiteral("Editor"));
    Editor->setAccessibleName(QStringLiteral("エディタ"));

    setTabOrder(ListBox, ListBoxK);
    setTabOrder(ListBoxK, Editor);

    connect(TBGet, &QToolButton::clicked, this, [this] { RunHandler([this] { TBGetClick(); }); });
    connect(TBApply, &QToolButton::clicked, this, [this] { RunHandler([this] { TBApplyClick(); }); });
    connect(TBFont, &QToolButton::clicked, this, [this] { RunHandler([this] { TBFontClick(); }); });
    connect(TBClose, &QToolButton::clicked, this, [this] { RunHandler([this] { TBCloseClick(); }); });
    connect(ListBox, &TListBox::Click, this, [this] { RunHandler([this] { ListBoxClick(); }); });
    connect(ListBoxK, &TListBox::Click, this, [this] { RunHandler([this] { ListBoxKClick(); }); });
    connect(ListBox, &TListBox::DblClick, this, [this] { RunHandler([this] { ListBoxDblClick(); }); });
    connect(ListBoxK, &TListBox::DblClick, this, [this] { RunHandler([this] { ListBoxDblClick(); }); });
    ListBox->KeyPressHandler = [this](QChar key, bool* consumed) {
        RunHandler([&] { ListBoxKeyPress(key); });
        *consumed = key.unicode() == 0;
    };

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, [this] { RunHandler([this] { HelpRequested(); }); });

    ArrangeParts();
}

void TMainForm::ArrangeParts() {
    const int w = width();
    const int h = height();
    const int barHeight = ToolBar->Arrange(w);
    ToolBar->setGeometry(0, 0, w, barHeight);
    GroupBox1->setGeometry(0, barHeight, w, GroupBoxHeight);
    const int statusTop = std::max(barHeight + GroupBoxHeight, h - StatusBarHeight);
    StatusBar->setGeometry(0, statusTop, w, StatusBarHeight);
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

void TMainForm::SetListFace(TListBox* list, const QString& face) {
    QFont font = list->font();
    if (!face.isEmpty()) font.setFamily(face);
    list->setFont(font);
    const int h = ListRowHeight(list->font().family(), list->font().pointSize());
    if (h >= 1 && h != list->ItemHeight()) list->SetItemHeight(h);
}

void TMainForm::FormCreate() {
    const QFont menu = services_.menuFont ? *services_.menuFont : Platform::MenuFont();
    QFont statusFont = StatusBar->font();
    statusFont.setFamily(menu.family());
    StatusBar->setFont(statusFont);
    QFont barFont = ToolBar->font();
    barFont.setFamily(menu.family());
    ToolBar->setFont(barFont);
    for (QToolButton* b : {TBGet, TBApply, TBFont, TBClose}) b->setFont(barFont);

    QFont editorFont = Editor->font();
    editorFont.setFamily(menu.family());
    const int size = Platform::PointSizeOf(menu);
    if (size > 0) editorFont.setPointSize(size);
    Editor->setFont(editorFont);

    SetListFace(ListBox, Editor->font().family());
    SetListFace(ListBoxK, Editor->font().family());
    ArrangeParts();
}

void TMainForm::showEvent(QShowEvent* event) {
    if (!shown_ && !event->spontaneous()) {
        shown_ = true;
        RunHandler([this] { FormShow(); });
        ListBox->setFocus(Qt::OtherFocusReason);
    }
    QWidget::showEvent(event);
}

void TMainForm::FormShow() { TBGetClick(); }

void TMainForm::TBGetClick() {}

void TMainForm::TBApplyClick() {}

void TMainForm::TBFontClick() {}

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

void TMainForm::ApplicationEventsHint(const QString& hint) {
    if (StatusBar->currentMessage() != hint) StatusBar->showMessage(hint);
}

void TMainForm::HelpRequested() { throw Tormvale::Exception(u"状況依存型ヘルプがインストールされていません"); }

bool TMainForm::FormCloseQuery() { return true; }

void TMainForm::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    RunHandler([&] {
        canClose = false;
        canClose = FormCloseQuery();
    });
    if (canClose) event->accept();
    else event->ignore();
}

bool TMainForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        ApplicationEventsHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QWidget::event(event);
}
