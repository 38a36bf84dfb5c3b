#include "ui/textlist.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

#include "ui/advancecache.h"
#include "ui/rowdelegate.h"

namespace Ui {

namespace {

// One cache for the life of the program: the measuring font never changes, and a Get measures
// up to 100 000 units.
AdvanceCache& MeasuringAdvances() {
    static AdvanceCache cache = [] {
        QFont font(QApplication::font().family());
        font.setPointSize(8);
        return AdvanceCache(font);
    }();
    return cache;
}

}  // namespace

TextList::TextList(QWidget* parent) : QListWidget(parent), delegate_(new RowDelegate(this)) {
    setItemDelegate(delegate_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setUniformItemSizes(true);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    setTabKeyNavigation(false);
    delegate_->FontChanged(font());
    // Rows go only when the program empties the list; a selection goes with them.
    connect(model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] { selected_ = -1; });
    connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { selected_ = -1; });
    // Looked at once the outside change is complete: an assistive tool clears, then selects.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!selecting_) QMetaObject::invokeMethod(this, &TextList::SelectionChangedOutside, Qt::QueuedConnection);
    });
}

// The model and the selection model outlive this part of the object: QWidget's destructor clears
// them, and their signals must not reach a list that is already gone.
TextList::~TextList() {
    disconnect(model(), nullptr, this, nullptr);
    disconnect(selectionModel(), nullptr, this, nullptr);
}

void TextList::AddRow(const QString& text) { addItem(text); }

long long TextList::MeasureText(const std::u16string& text) const {
    return MeasuringAdvances().Width(QString::fromStdU16String(text));
}

void TextList::SetHorizontalExtent(int extent) {
    extent_ = std::max(0, extent);
    delegate_->Extent = extent_;
    doItemsLayout();
}

void TextList::SetItemHeight(int height) {
    delegate_->ItemHeight = height;
    doItemsLayout();
}

int TextList::ItemHeight() const { return delegate_->ItemHeight; }

void TextList::SelectRow(int row) {
    if (row < 0 || row >= count()) row = -1;
    selected_ = row;
    if (row == SelectedRow() && row == currentRow() && selectedItems().size() == (row < 0 ? 0 : 1)) return;
    const QSignalBlocker block(this);
    selecting_ = true;
    if (row < 0) {
        clearSelection();
        setCurrentRow(-1);
    } else {
        setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    }
    selecting_ = false;
    viewport()->update();
}

int TextList::SelectedRow() const {
    const QList<QListWidgetItem*> items = selectedItems();
    return items.isEmpty() ? -1 : row(items.first());
}

void TextList::UserSelect(int row) {
    SelectRow(row);
    emit Click();
}

void TextList::SelectionChangedOutside() {
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes()) rows << index.row();
    const auto added = std::find_if(rows.begin(), rows.end(), [this](int r) { return r != selected_; });
    if (added != rows.end()) {
        UserSelect(*added);
    } else {
        const int keep = selected_;
        selected_ = -2;  // force SelectRow to put it back
        SelectRow(keep);
    }
}

void TextList::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        delegate_->FontChanged(font());
        doItemsLayout();
    }
    QListWidget::changeEvent(event);
}

// The application has already given the list the focus when a press arrives.
void TextList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid()) UserSelect(index.row());
    }
    event->accept();
}

void TextList::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

void TextList::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

// The second press of a double click arrives as this event alone: it selects as a press does.
void TextList::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    if (event->button() == Qt::LeftButton) emit DblClick();
}

void TextList::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            event->accept();
            MoveByKey(event->key());
            return;
        case Qt::Key_Left:
        case Qt::Key_Right: {
            // Sideways keys scroll the row, as in a plain list box.
            event->accept();
            QScrollBar* bar = horizontalScrollBar();
            bar->setValue(bar->value() + (event->key() == Qt::Key_Left ? -bar->singleStep() : bar->singleStep()));
            return;
        }
        default:
            break;
    }
    const QString text = event->text();
    const bool isCharacter =
        !text.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
        event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab && event->key() != Qt::Key_Escape;
    if (isCharacter) {
        event->accept();
        Typed(text, event->key() == Qt::Key_Backspace);
        return;
    }
    // Every other key belongs to the window. The view's own (copy, select all, Ctrl+Space) would
    // write the clipboard or change the selection behind the program's back.
    event->ignore();
}

void TextList::inputMethodEvent(QInputMethodEvent* event) {
    event->accept();
    if (!event->commitString().isEmpty()) Typed(event->commitString(), false);
}

void TextList::MoveByKey(int key) {
    if (count() == 0) return;
    const int last = count() - 1;
    const int from = SelectedRow() >= 0 ? SelectedRow() : currentRow();
    const int rowHeight = std::max(1, sizeHintForRow(0));
    const int page = std::max(1, viewport()->height() / rowHeight - 1);
    int to = 0;
    switch (key) {
        case Qt::Key_Up:
            to = from - 1;
            break;
        case Qt::Key_Down:
            to = from + 1;
            break;
        case Qt::Key_Home:
            to = 0;
            break;
        case Qt::Key_End:
            to = last;
            break;
        case Qt::Key_PageUp:
            to = from - page;
            break;
        case Qt::Key_PageDown:
            to = from + page;
            break;
        default:
            return;
    }
    if (from < 0 && key != Qt::Key_End) to = 0;
    UserSelect(std::clamp(to, 0, last));
}

void TextList::Typed(const QString& text, bool backspace) {
    bool consumed = false;
    if (KeyPressHandler) {
        for (const QChar c : text) KeyPressHandler(c, &consumed);
    }
    if (consumed || !TypeAhead) return;

    if (backspace) {
        searchText_.chop(1);
        lastTyped_.start();
        if (searchText_.isEmpty()) {
            if (count() > 0) SelectRow(0);
            emit Click();
        } else {
            Search(searchText_);
        }
        return;
    }
    if (!lastTyped_.isValid() || lastTyped_.elapsed() >= TypeAheadIntervalMs) searchText_.clear();
    lastTyped_.start();
    searchText_ += text;
    Search(searchText_);
}

void TextList::Search(const QString& text) {
    for (int i = 0; i < count(); ++i) {
        if (item(i)->text().startsWith(text, Qt::CaseInsensitive)) {
            UserSelect(i);
            return;
        }
    }
}

}  // namespace Ui
