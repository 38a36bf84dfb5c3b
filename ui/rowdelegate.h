#pragma once
// Draws a row on one line, line breaks and tabs as marks, and only the part that can be seen:
// a row can hold 32 000 units, and shaping all of it on every paint would stall the window.
#include <QHash>
#include <QStyledItemDelegate>
#include <vector>

#include "ui/advancecache.h"

namespace Ui {

class RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    int Extent = 0;
    int ItemHeight = 0;
    void FontChanged(const QFont& font);

    // What a row looks like on screen: one display unit per source unit, CR LF as one mark.
    static QString DisplayText(const QString& row);

private:
    struct Row {
        QString source;
        QString display;
        std::vector<int> offsets;  // offsets[i] = x of display unit i; one entry past the end
    };
    const Row& Layout(int row, const QString& text) const;

    AdvanceCache advances_;
    mutable QHash<int, Row> rows_;
};

}  // namespace Ui
