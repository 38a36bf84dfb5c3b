#include "fontdialog.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>
#include <cmath>

namespace Platform {

namespace {

constexpr int BoldRole = Qt::UserRole;
constexpr int ItalicRole = Qt::UserRole + 1;

struct StyleEntry {
    const char16_t* name;
    bool bold;
    bool italic;
};

constexpr StyleEntry Styles[] = {
    {u"標準", false, false},
    {u"斜体", false, true},
    {u"太字", true, false},
    {u"太字 斜体", true, true},
};

bool FamilyOffers(const QString& family, bool bold, bool italic) {
    if (!bold && !italic) return true;
    // Qt synthesises bold and oblique for outline fonts, as the system dialog offers them.
    if (!QFontDatabase::hasFamily(family) || QFontDatabase::isScalable(family)) return true;
    const QStringList styles = QFontDatabase::styles(family);
    return std::any_of(styles.begin(), styles.end(), [&](const QString& style) {
        return QFontDatabase::bold(family, style) == bold && QFontDatabase::italic(family, style) == italic;
    });
}

QStringList ScreenFamilies() {
    QStringList families;
    for (const QString& family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family)) families << family;
    return families;
}

}  // namespace

QPoint FontDialogPosition(const QRect& monitor, const QSize& dialog) {
    // C++ integer division truncates toward zero, as the placement requires.
    return {monitor.left() + (monitor.width() - dialog.width()) / 2,
            monitor.top() + (monitor.height() - dialog.height()) / 3};
}

VarnopileFontDialog::VarnopileFontDialog(QWidget* parent)
    : QDialog(parent),
      m_faceEdit(new QLineEdit(this)),
      m_faceList(new QListWidget(this)),
      m_styleEdit(new QLineEdit(this)),
      m_styleList(new QListWidget(this)),
      m_sizeEdit(new QLineEdit(this)),
      m_sizeList(new QListWidget(this)),
      m_sampleBox(new QGroupBox(QStringLiteral("サンプル"), this)),
      m_sample(new QLabel(QStringLiteral("AaBbYyZz あぁアァ亜宇"), m_sampleBox)),
      m_ok(new QPushButton(QStringLiteral("OK"), this)),
      m_cancel(new QPushButton(QStringLiteral("キャンセル"), this)) {
    setWindowTitle(QStringLiteral("フォント"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_faceEdit->setObjectName(QStringLiteral("FaceEdit"));
    m_faceList->setObjectName(QStringLiteral("FaceList"));
    m_styleEdit->setObjectName(QStringLiteral("StyleEdit"));
    m_styleList->setObjectName(QStringLiteral("StyleList"));
    m_sizeEdit->setObjectName(QStringLiteral("SizeEdit"));
    m_sizeList->setObjectName(QStringLiteral("SizeList"));
    m_sample->setObjectName(QStringLiteral("Sample"));
    m_ok->setObjectName(QStringLiteral("OkButton"));
    m_cancel->setObjectName(QStringLiteral("CancelButton"));

    auto* faceLabel = new QLabel(QStringLiteral("フォント名(&F):"), this);
    auto* styleLabel = new QLabel(QStringLiteral("スタイル(&Y):"), this);
    auto* sizeLabel = new QLabel(QStringLiteral("サイズ(&S):"), this);
    faceLabel->setBuddy(m_faceEdit);
    // The style field only mirrors the list, so the mnemonic goes to the list.
    styleLabel->setBuddy(m_styleList);
    sizeLabel->setBuddy(m_sizeEdit);

    m_faceList->addItems(ScreenFamilies());
    m_styleEdit->setReadOnly(true);
    m_styleEdit->setFocusPolicy(Qt::NoFocus);
    for (QListWidget* list : {m_faceList, m_styleList, m_sizeList}) {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }

    const QFontMetrics fm = fontMetrics();
    int faceWidth = 0;
    for (int i = 0; i < m_faceList->count(); ++i)
        faceWidth = std::max(faceWidth, fm.horizontalAdvance(m_faceList->item(i)->text()));
    const int listExtra = style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4 * fm.averageCharWidth();
    m_faceList->setMinimumWidth(std::clamp(faceWidth + listExtra, fm.horizontalAdvance(QLatin1Char('M')) * 16, fm.horizontalAdvance(QLatin1Char('M')) * 24));
    int styleWidth = 0;
    for (const StyleEntry& entry : Styles)
        styleWidth = std::max(styleWidth, fm.horizontalAdvance(QString::fromUtf16(entry.name)));
    // Only the face column grows with the dialog; style and size keep their natural widths.
    for (QWidget* part : std::initializer_list<QWidget*>{m_styleEdit, m_styleList})
        part->setFixedWidth(styleWidth + listExtra);
    for (QWidget* part : std::initializer_list<QWidget*>{m_sizeEdit, m_sizeList})
        part->setFixedWidth(fm.horizontalAdvance(QStringLiteral("0000")) + listExtra);
    for (QListWidget* list : {m_faceList, m_styleList, m_sizeList}) list->setMinimumHeight(fm.height() * 8);

    m_sample->setAlignment(Qt::AlignCenter);
    // A long sample must clip rather than widen the dialog.
    m_sample->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* sampleLayout = new QVBoxLayout(m_sampleBox);
    sampleLayout->addWidget(m_sample);

    m_ok->setDefault(true);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addStretch();

    auto* grid = new QGridLayout(this);
    grid->addWidget(faceLabel, 0, 0);
    grid->addWidget(styleLabel, 0, 1);
    grid->addWidget(sizeLabel, 0, 2);
    grid->addWidget(m_faceEdit, 1, 0);
    grid->addWidget(m_styleEdit, 1, 1);
    grid->addWidget(m_sizeEdit, 1, 2);
    grid->addWidget(m_faceList, 2, 0);
    grid->addWidget(m_styleList, 2, 1);
    grid->addWidget(m_sizeList, 2, 2);
    grid->addLayout(buttons, 1, 3, 2, 1);
    grid->addWidget(m_sampleBox, 3, 0, 1, 3);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(2, 1);

    setTabOrder(m_faceEdit, m_faceList);
    setTabOrder(m_faceList, m_styleList);
    setTabOrder(m_styleList, m_sizeEdit);
    setTabOrder(m_sizeEdit, m_sizeList);
    setTabOrder(m_sizeList, m_ok);
    setTabOrder(m_ok, m_cancel);

    connect(m_faceEdit, &QLineEdit::textEdited, this, &VarnopileFontDialog::FaceEdited);
    connect(m_faceList, &QListWidget::currentItemChanged, this, &VarnopileFontDialog::FaceListChanged);
    connect(m_styleList, &QListWidget::currentRowChanged, this, &VarnopileFontDialog::StyleListChanged);
    connect(m_sizeEdit, &QLineEdit::textEdited, this, &VarnopileFontDialog::SizeEdited);
    connect(m_sizeList, &QListWidget::currentItemChanged, this, &VarnopileFontDialog::SizeListChanged);
    connect(m_ok, &QPushButton::clicked, this, &VarnopileFontDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &VarnopileFontDialog::reject);

    SetSizeLimits(m_minSize, m_maxSize);
}

void VarnopileFontDialog::SetSizeLimits(int minSize, int maxSize) {
    m_minSize = minSize;
    m_maxSize = std::max(minSize, maxSize);
    // Room for the largest size, with CJK fallback glyphs that run taller than the Latin face.
    const double pixels = m_maxSize * logicalDpiY() / 72.0;
    m_sample->setFixedHeight(static_cast<int>(std::ceil(pixels * 1.6)));
    m_sampleBox->setMinimumWidth(static_cast<int>(std::ceil(pixels * 12)));
    FillSizes(ExistingFace(m_faceEdit->text()));
}

void VarnopileFontDialog::SetChoice(const FontChoice& font) {
    m_choice = font;
    m_syncing = true;
    m_faceEdit->setText(font.face);
    const QString face = ExistingFace(font.face);
    const auto found = face.isEmpty() ? QList<QListWidgetItem*>{} : m_faceList->findItems(face, Qt::MatchExactly);
    if (found.isEmpty()) {
        m_faceList->setCurrentItem(nullptr);
        m_faceList->clearSelection();
    } else {
        m_faceList->setCurrentItem(found.front());
        m_faceList->scrollToItem(found.front(), QAbstractItemView::PositionAtTop);
    }
    m_sizeEdit->setText(QString::number(font.pointSize));
    m_syncing = false;

    FillStyles(face.isEmpty() ? font.face : face, font.bold, font.italic);
    FillSizes(face.isEmpty() ? font.face : face);

    QPalette palette = m_sample->palette();
    if (font.color.isValid()) palette.setColor(QPalette::WindowText, font.color);
    m_sample->setPalette(palette);
    QFont sample(face.isEmpty() ? font.face : face);
    sample.setPointSize(std::clamp(font.pointSize, m_minSize, m_maxSize));
    m_sample->setFont(sample);
    UpdateSample();
    m_faceEdit->selectAll();
}

void VarnopileFontDialog::accept() {
    const QString face = ExistingFace(m_faceEdit->text());
    if (face.isEmpty()) {
        const QString typed = m_faceEdit->text().trimmed();
        Refuse(typed.isEmpty() ? QStringLiteral("フォント名を入力してください。")
                               : QStringLiteral("「%1」というフォントはありません。\nフォント名の一覧から選んでください。").arg(typed),
               m_faceEdit);
        return;
    }
    bool ok = false;
    const int size = m_sizeEdit->text().trimmed().toInt(&ok);
    if (!ok || size < m_minSize || size > m_maxSize) {
        Refuse(QStringLiteral("サイズは %1 から %2 までの整数で指定してください。").arg(m_minSize).arg(m_maxSize), m_sizeEdit);
        return;
    }
    m_choice.face = face;
    m_choice.pointSize = size;
    m_choice.bold = SelectedBold();
    m_choice.italic = SelectedItalic();
    QDialog::accept();
}

void VarnopileFontDialog::FaceEdited(const QString& text) {
    // Typing moves the list to the first family that begins with the text, without rewriting the field.
    const QString typed = text.trimmed();
    QListWidgetItem* match = nullptr;
    if (!typed.isEmpty()) {
        const QString exact = ExistingFace(typed);
        const auto items = m_faceList->findItems(exact.isEmpty() ? typed : exact,
                                                 exact.isEmpty() ? Qt::MatchStartsWith : Qt::MatchExactly);
        if (!items.isEmpty()) match = items.front();
    }
    m_syncing = true;
    m_faceList->setCurrentItem(match);
    if (match) m_faceList->scrollToItem(match);
    else m_faceList->clearSelection();
    m_syncing = false;
    const QString family = match ? match->text() : typed;
    FillStyles(family, SelectedBold(), SelectedItalic());
    FillSizes(family);
    UpdateSample();
}

void VarnopileFontDialog::FaceListChanged(QListWidgetItem* current) {
    if (m_syncing || !current) return;
    m_faceEdit->setText(current->text());
    FillStyles(current->text(), SelectedBold(), SelectedItalic());
    FillSizes(current->text());
    UpdateSample();
}

void VarnopileFontDialog::StyleListChanged(int row) {
    m_styleEdit->setText(row >= 0 ? m_styleList->item(row)->text() : QString());
    UpdateSample();
}

void VarnopileFontDialog::SizeEdited(const QString& text) {
    SelectSizeRow(text);
    UpdateSample();
}

void VarnopileFontDialog::SizeListChanged(QListWidgetItem* current) {
    if (m_syncing || !current) return;
    m_sizeEdit->setText(current->text());
    UpdateSample();
}

bool VarnopileFontDialog::SelectedBold() const {
    const QListWidgetItem* style = m_styleList->currentItem();
    return style && style->data(BoldRole).toBool();
}

bool VarnopileFontDialog::SelectedItalic() const {
    const QListWidgetItem* style = m_styleList->currentItem();
    return style && style->data(ItalicRole).toBool();
}

QString VarnopileFontDialog::ExistingFace(const QString& typed) const {
    const QString face = typed.trimmed();
    if (face.isEmpty()) return {};
    // The list's own spelling wins, so a face typed in another case comes back as the system writes it.
    QString caseless;
    for (int i = 0; i < m_faceList->count(); ++i) {
        const QString family = m_faceList->item(i)->text();
        if (family == face) return family;
        if (caseless.isEmpty() && family.compare(face, Qt::CaseInsensitive) == 0) caseless = family;
    }
    return caseless;
}

void VarnopileFontDialog::FillStyles(const QString& family, bool bold, bool italic) {
    m_styleList->blockSignals(true);
    m_styleList->clear();
    int row = -1;
    int sameWeight = -1;
    for (const StyleEntry& entry : Styles) {
        if (!FamilyOffers(family, entry.bold, entry.italic)) continue;
        auto* item = new QListWidgetItem(QString::fromUtf16(entry.name), m_styleList);
        item->setData(BoldRole, entry.bold);
        item->setData(ItalicRole, entry.italic);
        const int here = m_styleList->count() - 1;
        if (entry.bold == bold && entry.italic == italic) row = here;
        if (entry.bold == bold && sameWeight < 0) sameWeight = here;
    }
    if (row < 0) row = sameWeight >= 0 ? sameWeight : 0;
    m_styleList->setCurrentRow(row);
    m_styleList->blockSignals(false);
    m_styleEdit->setText(m_styleList->currentItem() ? m_styleList->currentItem()->text() : QString());
}

void VarnopileFontDialog::FillSizes(const QString& family) {
    QList<int> sizes;
    if (QFontDatabase::hasFamily(family) && !QFontDatabase::isSmoothlyScalable(family))
        sizes = QFontDatabase::pointSizes(family);
    if (sizes.isEmpty()) sizes = QFontDatabase::standardSizes();
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());

    m_syncing = true;
    m_sizeList->clear();
    for (int size : sizes)
        if (size >= m_minSize && size <= m_maxSize) m_sizeList->addItem(QString::number(size));
    m_syncing = false;
    SelectSizeRow(m_sizeEdit->text());
}

void VarnopileFontDialog::SelectSizeRow(const QString& text) {
    const auto items = m_sizeList->findItems(text.trimmed(), Qt::MatchExactly);
    m_syncing = true;
    if (items.isEmpty()) {
        m_sizeList->setCurrentItem(nullptr);
        m_sizeList->clearSelection();
    } else {
        m_sizeList->setCurrentItem(items.front());
        m_sizeList->scrollToItem(items.front());
    }
    m_syncing = false;
}

void VarnopileFontDialog::UpdateSample() {
    // Parts that are not (yet) valid keep what the sample showed before.
    QFont font = m_sample->font();
    QString face = ExistingFace(m_faceEdit->text());
    if (face.isEmpty() && m_faceList->currentItem()) face = m_faceList->currentItem()->text();
    if (!face.isEmpty()) font.setFamilies({face});
    bool ok = false;
    const int size = m_sizeEdit->text().trimmed().toInt(&ok);
    if (ok && size >= m_minSize && size <= m_maxSize) font.setPointSize(size);
    font.setBold(SelectedBold());
    font.setItalic(SelectedItalic());
    m_sample->setFont(font);
}

void VarnopileFontDialog::Refuse(const QString& message, QLineEdit* field) {
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("FontRefusal"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, field, [field] {
        field->setFocus();
        field->selectAll();
    });
    // Window-modal and non-blocking: the dialog stays open behind it.
    box->open();
}

bool QtFontDialogService::Execute(QWidget* owner, FontChoice& font) {
    VarnopileFontDialog dialog(owner);
    dialog.SetSizeLimits(MinSize, MaxSize);
    dialog.SetChoice(font);
    dialog.adjustSize();
    // A native window first, so the frame is counted where the platform knows it before showing.
    dialog.winId();

    QWidget* active = QApplication::activeWindow();
    if (!active && owner) active = owner->window();
    QScreen* screen = nullptr;
    if (active) {
        screen = QGuiApplication::screenAt(active->frameGeometry().center());
        if (!screen) screen = active->screen();
    }
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) dialog.move(FontDialogPosition(screen->geometry(), dialog.frameGeometry().size()));

    if (dialog.exec() != QDialog::Accepted) return false;
    const FontChoice chosen = dialog.Choice();
    font.face = chosen.face;
    font.pointSize = chosen.pointSize;
    font.bold = chosen.bold;
    font.italic = chosen.italic;
    return true;
}

}  // namespace Platform
