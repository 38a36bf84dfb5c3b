#include "ui/rowdelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <algorithm>

namespace Ui {

RowDelegate::RowDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void RowDelegate::FontChanged(const QFont& font) {
    advances_.SetFont(font);
    rows_.clear();
}

QString RowDelegate::DisplayText(const QString& row) {
    // Written in place: appending unit by unit costs more than the rest of a row's layout.
    QString out(row.size(), Qt::Uninitialized);
    const QChar* in = row.constData();
    QChar* o = out.data();
    const qsizetype n = row.size();
    qsizetype k = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i].unicode();
        if (c >= 0x20 && c != 0x7F) {
            o[k++] = QChar(c);
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && in[i + 1] == u'\n') ++i;
            o[k++] = QChar(0x21B5);
        } else if (c == u'\t') {
            o[k++] = QChar(0x2192);
        } else if (c < 0x20) {
            o[k++] = QChar(0x2400 + c);
        } else {
            o[k++] = QChar(0x2421);
        }
    }
    out.truncate(k);
    return out;
}

const RowDelegate::Row& RowDelegate::Layout(int row, const QString& text) const {
    auto it = rows_.find(row);
    if (it != rows_.end() && (it->source.constData() == text.constData() || it->source == text)) return *it;
    Row r;
    r.source = text;
    r.display = DisplayText(text);
    r.offsets.resize(static_cast<std::size_t>(r.display.size()) + 1);
    int x = 0;
    auto& adv = const_cast<AdvanceCache&>(advances_);
    for (qsizetype i = 0; i < r.display.size(); ++i) {
        r.offsets[static_cast<std::size_t>(i)] = x;
        x += adv.Advance(r.display, i);
    }
    r.offsets.back() = x;
    return *rows_.insert(row, std::move(r));
}

void RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    if (advances_.Font() != option.font) const_cast<RowDelegate*>(this)->FontChanged(option.font);
    const Row& r = Layout(index.row(), text);
    if (r.display.isEmpty()) return;

    const int margin = 2;
    const int originX = option.rect.left() + margin;
    int visibleLeft = option.rect.left();
    int visibleRight = option.rect.right();
    if (auto* view = qobject_cast<const QAbstractItemView*>(widget)) {
        visibleLeft = std::max(visibleLeft, 0);
        visibleRight = std::min(visibleRight, view->viewport()->width());
    }
    const int from = visibleLeft - originX;
    const int to = visibleRight - originX;
    const auto begin = std::upper_bound(r.offsets.begin(), r.offsets.end() - 1, from);
    const qsizetype first = std::max<qsizetype>(0, (begin - r.offsets.begin()) - 1);
    const auto end = std::upper_bound(r.offsets.begin(), r.offsets.end() - 1, to);
    qsizetype last = std::min<qsizetype>(r.display.size(), (end - r.offsets.begin()) + 1);
    // Never split a surrogate pair at either edge.
    qsizetype start = first;
    if (start > 0 && r.display.at(start).isLowSurrogate()) --start;
    if (last < r.display.size() && r.display.at(last).isLowSurrogate()) ++last;
    if (last <= start) return;

    painter->save();
    painter->setFont(option.font);
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = (option.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const QFontMetrics fm(option.font);
    const int baseline = option.rect.top() + (option.rect.height() - fm.height()) / 2 + fm.ascent();
    painter->drawText(QPoint(originX + r.offsets[static_cast<std::size_t>(start)], baseline),
                      r.display.mid(start, last - start));
    painter->restore();
}

QSize RowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    const int height = ItemHeight > 0 ? ItemHeight : QFontMetrics(option.font).height() + 4;
    return QSize(Extent, height);
}

}  // namespace Ui
