#include "ui/listbox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include "ui/rowdelegate.h"
#include "util/errors.h"

namespace Ui {

TextList::TextList(QWidget* parent) : QListWidget(parent), delegate_(new RowDelegate(this)) {
    setItemDelegate(delegate_);
    setSelectionMode(QAbstractItemView::SingleSelection);
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
}

void TextList::AddRow(const QString& text) {
    if (MaxRows && count() >= *MaxRows) throw Tormvale::ListInsertError(u"行を挿入できません");
    addItem(text);
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
    if (row == SelectedRow()) return;
    const QSignalBlocker block(this);
    if (row < 0 || row >= count()) {
        clearSelection();
        setCurrentRow(-1);
    } else {
        setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    }
    viewport()->update();
}

int TextList::SelectedRow() const {
    const QList<QListWidgetItem*> items = selectedItems();
    return items.isEmpty() ? -1 : row(items.first());
}

void TextList::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        delegate_->FontChanged(font());
        doItemsLayout();
    }
    QListWidget::changeEvent(event);
}

void TextList::mousePressEvent(QMouseEvent* event) {
    QListWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint())) emit Click();
}

void TextList::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit DblClick();
}

void TextList::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
                // Sideways keys scroll the row, as in a plain list box.
                QScrollBar* bar = horizontalScrollBar();
                bar->setValue(bar->value() + (event->key() == Qt::Key_Left ? -bar->singleStep() : bar->singleStep()));
                return;
            }
            QListWidget::keyPressEvent(event);
            if (count() > 0) {
                if (SelectedRow() < 0 && currentRow() >= 0) setCurrentRow(currentRow(), QItemSelectionModel::ClearAndSelect);
                emit Click();
            }
            return;
        default:
            break;
    }
    const QString text = event->text();
    const bool isCharacter = !text.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
                             event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab &&
                             event->key() != Qt::Key_Escape;
    if (!isCharacter) {
        QListWidget::keyPressEvent(event);
        return;
    }
    bool consumed = false;
    if (KeyPressHandler) {
        for (const QChar c : text) KeyPressHandler(c, &consumed);
    }
    event->accept();
    if (consumed || !TypeAhead) return;

    if (event->key() == Qt::Key_Backspace) {
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
            SelectRow(i);
            emit Click();
            return;
        }
    }
}

}  // namespace Ui
