#include "ui/fontdialog.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace Ui {

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

FontDialog::FontDialog(QWidget* parent)
    : QDialog(parent),
      faceEdit_(new QLineEdit(this)),
      faceList_(new QListWidget(this)),
      styleEdit_(new QLineEdit(this)),
      styleList_(new QListWidget(this)),
      sizeEdit_(new QLineEdit(this)),
      sizeList_(new QListWidget(this)),
      sampleBox_(new QGroupBox(QStringLiteral("サンプル"), this)),
      sample_(new QLabel(QStringLiteral("AaBbYyZz あぁアァ亜宇"), sampleBox_)),
      ok_(new QPushButton(QStringLiteral("OK"), this)),
      cancel_(new QPushButton(QStringLiteral("キャンセル"), this)) {
    setWindowTitle(QStringLiteral("フォント"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    NameParts();
    faceList_->addItems(ScreenFamilies());
    styleEdit_->setReadOnly(true);
    styleEdit_->setFocusPolicy(Qt::NoFocus);
    for (QListWidget* list : {faceList_, styleList_, sizeList_}) {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    SizeColumns();
    LayOut();
    ConnectParts();
    SetSizeLimits(minSize_, maxSize_);
}

void FontDialog::NameParts() {
    faceEdit_->setObjectName(QStringLiteral("FaceEdit"));
    faceList_->setObjectName(QStringLiteral("FaceList"));
    styleEdit_->setObjectName(QStringLiteral("StyleEdit"));
    styleList_->setObjectName(QStringLiteral("StyleList"));
    sizeEdit_->setObjectName(QStringLiteral("SizeEdit"));
    sizeList_->setObjectName(QStringLiteral("SizeList"));
    sample_->setObjectName(QStringLiteral("Sample"));
    ok_->setObjectName(QStringLiteral("OkButton"));
    cancel_->setObjectName(QStringLiteral("CancelButton"));
}

void FontDialog::SizeColumns() {
    const QFontMetrics fm = fontMetrics();
    int faceWidth = 0;
    for (int i = 0; i < faceList_->count(); ++i)
        faceWidth = std::max(faceWidth, fm.horizontalAdvance(faceList_->item(i)->text()));
    const int listExtra = style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4 * fm.averageCharWidth();
    const int em = fm.horizontalAdvance(QLatin1Char('M'));
    faceList_->setMinimumWidth(std::clamp(faceWidth + listExtra, em * 16, em * 24));
    int styleWidth = 0;
    for (const StyleEntry& entry : Styles)
        styleWidth = std::max(styleWidth, fm.horizontalAdvance(QString::fromUtf16(entry.name)));
    // Only the face column grows with the dialog; style and size keep their natural widths.
    for (QWidget* part : std::initializer_list<QWidget*>{styleEdit_, styleList_})
        part->setFixedWidth(styleWidth + listExtra);
    for (QWidget* part : std::initializer_list<QWidget*>{sizeEdit_, sizeList_})
        part->setFixedWidth(fm.horizontalAdvance(QStringLiteral("0000")) + listExtra);
    for (QListWidget* list : {faceList_, styleList_, sizeList_}) list->setMinimumHeight(fm.height() * 8);
}

void FontDialog::LayOut() {
    auto* faceLabel = new QLabel(QStringLiteral("フォント名(&F):"), this);
    auto* styleLabel = new QLabel(QStringLiteral("スタイル(&Y):"), this);
    auto* sizeLabel = new QLabel(QStringLiteral("サイズ(&S):"), this);
    faceLabel->setBuddy(faceEdit_);
    // The style field only mirrors the list, so the mnemonic goes to the list.
    styleLabel->setBuddy(styleList_);
    sizeLabel->setBuddy(sizeEdit_);

    sample_->setAlignment(Qt::AlignCenter);
    // A long sample must clip rather than widen the dialog.
    sample_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* sampleLayout = new QVBoxLayout(sampleBox_);
    sampleLayout->addWidget(sample_);

    ok_->setDefault(true);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    buttons->addStretch();

    auto* grid = new QGridLayout(this);
    grid->addWidget(faceLabel, 0, 0);
    grid->addWidget(styleLabel, 0, 1);
    grid->addWidget(sizeLabel, 0, 2);
    grid->addWidget(faceEdit_, 1, 0);
    grid->addWidget(styleEdit_, 1, 1);
    grid->addWidget(sizeEdit_, 1, 2);
    grid->addWidget(faceList_, 2, 0);
    grid->addWidget(styleList_, 2, 1);
    grid->addWidget(sizeList_, 2, 2);
    grid->addLayout(buttons, 1, 3, 2, 1);
    grid->addWidget(sampleBox_, 3, 0, 1, 3);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(2, 1);
}

void FontDialog::ConnectParts() {
    setTabOrder(faceEdit_, faceList_);
    setTabOrder(faceList_, styleList_);
    setTabOrder(styleList_, sizeEdit_);
    setTabOrder(sizeEdit_, sizeList_);
    setTabOrder(sizeList_, ok_);
    setTabOrder(ok_, cancel_);

    connect(faceEdit_, &QLineEdit::textEdited, this, &FontDialog::FaceEdited);
    connect(faceList_, &QListWidget::currentItemChanged, this, &FontDialog::FaceListChanged);
    connect(styleList_, &QListWidget::currentRowChanged, this, &FontDialog::StyleListChanged);
    connect(sizeEdit_, &QLineEdit::textEdited, this, &FontDialog::SizeEdited);
    connect(sizeList_, &QListWidget::currentItemChanged, this, &FontDialog::SizeListChanged);
    connect(ok_, &QPushButton::clicked, this, &FontDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &FontDialog::reject);
}

void FontDialog::SetSizeLimits(int minSize, int maxSize) {
    minSize_ = minSize;
    maxSize_ = std::max(minSize, maxSize);
    // Room for the largest size, with CJK fallback glyphs that run taller than the Latin face.
    const double pixels = maxSize_ * logicalDpiY() / 72.0;
    sample_->setFixedHeight(static_cast<int>(std::ceil(pixels * 1.6)));
    sampleBox_->setMinimumWidth(static_cast<int>(std::ceil(pixels * 12)));
    FillSizes(ExistingFace(faceEdit_->text()));
}

void FontDialog::SetChoice(const FontChoice& font) {
    choice_ = font;
    syncing_ = true;
    faceEdit_->setText(font.face);
    const QString face = ExistingFace(font.face);
    const auto found = face.isEmpty() ? QList<QListWidgetItem*>{} : faceList_->findItems(face, Qt::MatchExactly);
    if (found.isEmpty()) {
        faceList_->setCurrentItem(nullptr);
        faceList_->clearSelection();
    } else {
        faceList_->setCurrentItem(found.front());
        faceList_->scrollToItem(found.front(), QAbstractItemView::PositionAtTop);
    }
    sizeEdit_->setText(QString::number(font.pointSize));
    syncing_ = false;

    FillStyles(face.isEmpty() ? font.face : face, font.bold, font.italic);
    FillSizes(face.isEmpty() ? font.face : face);

    QPalette palette = sample_->palette();
    if (font.color.isValid()) palette.setColor(QPalette::WindowText, font.color);
    sample_->setPalette(palette);
    QFont sample(face.isEmpty() ? font.face : face);
    sample.setPointSize(std::clamp(font.pointSize, minSize_, maxSize_));
    sample_->setFont(sample);
    UpdateSample();
    faceEdit_->selectAll();
}

void FontDialog::accept() {
    const QString face = ExistingFace(faceEdit_->text());
    if (face.isEmpty()) {
        const QString typed = faceEdit_->text().trimmed();
        Refuse(
            typed.isEmpty()
                ? QStringLiteral("フォント名を入力してください。")
                : QStringLiteral("「%1」というフォントはありません。\nフォント名の一覧から選んでください。").arg(typed),
            faceEdit_);
        return;
    }
    bool ok = false;
    const int size = sizeEdit_->text().trimmed().toInt(&ok);
    if (!ok || size < minSize_ || size > maxSize_) {
        Refuse(QStringLiteral("サイズは %1 から %2 までの整数で指定してください。").arg(minSize_).arg(maxSize_),
               sizeEdit_);
        return;
    }
    choice_.face = face;
    choice_.pointSize = size;
    choice_.bold = SelectedBold();
    choice_.italic = SelectedItalic();
    QDialog::accept();
}

void FontDialog::FaceEdited(const QString& text) {
    // Typing moves the list to the first family that begins with the text, without rewriting the field.
    const QString typed = text.trimmed();
    QListWidgetItem* match = nullptr;
    if (!typed.isEmpty()) {
        const QString exact = ExistingFace(typed);
        const auto items = faceList_->findItems(exact.isEmpty() ? typed : exact,
                                                exact.isEmpty() ? Qt::MatchStartsWith : Qt::MatchExactly);
        if (!items.isEmpty()) match = items.front();
    }
    syncing_ = true;
    faceList_->setCurrentItem(match);
    if (match)
        faceList_->scrollToItem(match);
    else
        faceList_->clearSelection();
    syncing_ = false;
    const QString family = match ? match->text() : typed;
    FillStyles(family, SelectedBold(), SelectedItalic());
    FillSizes(family);
    UpdateSample();
}

void FontDialog::FaceListChanged(QListWidgetItem* current) {
    if (syncing_ || !current) return;
    faceEdit_->setText(current->text());
    FillStyles(current->text(), SelectedBold(), SelectedItalic());
    FillSizes(current->text());
    UpdateSample();
}

void FontDialog::StyleListChanged(int row) {
    styleEdit_->setText(row >= 0 ? styleList_->item(row)->text() : QString());
    UpdateSample();
}

void FontDialog::SizeEdited(const QString& text) {
    SelectSizeRow(text);
    UpdateSample();
}

void FontDialog::SizeListChanged(QListWidgetItem* current) {
    if (syncing_ || !current) return;
    sizeEdit_->setText(current->text());
    UpdateSample();
}

bool FontDialog::SelectedBold() const {
    const QListWidgetItem* style = styleList_->currentItem();
    return style && style->data(BoldRole).toBool();
}

bool FontDialog::SelectedItalic() const {
    const QListWidgetItem* style = styleList_->currentItem();
    return style && style->data(ItalicRole).toBool();
}

QString FontDialog::ExistingFace(const QString& typed) const {
    const QString face = typed.trimmed();
    if (face.isEmpty()) return {};
    // The list's own spelling wins, so a face typed in another case comes back as the system writes it.
    QString caseless;
    for (int i = 0; i < faceList_->count(); ++i) {
        const QString family = faceList_->item(i)->text();
        if (family == face) return family;
        if (caseless.isEmpty() && family.compare(face, Qt::CaseInsensitive) == 0) caseless = family;
    }
    return caseless;
}

void FontDialog::FillStyles(const QString& family, bool bold, bool italic) {
    styleList_->blockSignals(true);
    styleList_->clear();
    int row = -1;
    int sameWeight = -1;
    for (const StyleEntry& entry : Styles) {
        if (!FamilyOffers(family, entry.bold, entry.italic)) continue;
        auto* item = new QListWidgetItem(QString::fromUtf16(entry.name), styleList_);
        item->setData(BoldRole, entry.bold);
        item->setData(ItalicRole, entry.italic);
        const int here = styleList_->count() - 1;
        if (entry.bold == bold && entry.italic == italic) row = here;
        if (entry.bold == bold && sameWeight < 0) sameWeight = here;
    }
    if (row < 0) row = sameWeight >= 0 ? sameWeight : 0;
    styleList_->setCurrentRow(row);
    styleList_->blockSignals(false);
    styleEdit_->setText(styleList_->currentItem() ? styleList_->currentItem()->text() : QString());
}

void FontDialog::FillSizes(const QString& family) {
    QList<int> sizes;
    if (QFontDatabase::hasFamily(family) && !QFontDatabase::isSmoothlyScalable(family))
        sizes = QFontDatabase::pointSizes(family);
    if (sizes.isEmpty()) sizes = QFontDatabase::standardSizes();
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());

    syncing_ = true;
    sizeList_->clear();
    for (int size : sizes)
        if (size >= minSize_ && size <= maxSize_) sizeList_->addItem(QString::number(size));
    syncing_ = false;
    SelectSizeRow(sizeEdit_->text());
}

void FontDialog::SelectSizeRow(const QString& text) {
    const auto items = sizeList_->findItems(text.trimmed(), Qt::MatchExactly);
    syncing_ = true;
    if (items.isEmpty()) {
        sizeList_->setCurrentItem(nullptr);
        sizeList_->clearSelection();
    } else {
        sizeList_->setCurrentItem(items.front());
        sizeList_->scrollToItem(items.front());
    }
    syncing_ = false;
}

void FontDialog::UpdateSample() {
    // Parts that are not (yet) valid keep what the sample showed before.
    QFont font = sample_->font();
    QString face = ExistingFace(faceEdit_->text());
    if (face.isEmpty() && faceList_->currentItem()) face = faceList_->currentItem()->text();
    if (!face.isEmpty()) font.setFamilies({face});
    bool ok = false;
    const int size = sizeEdit_->text().trimmed().toInt(&ok);
    if (ok && size >= minSize_ && size <= maxSize_) font.setPointSize(size);
    font.setBold(SelectedBold());
    font.setItalic(SelectedItalic());
    sample_->setFont(font);
}

void FontDialog::Refuse(const QString& message, QLineEdit* field) {
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

}  // namespace Ui
