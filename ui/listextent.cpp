#include "ui/listextent.h"

#include <QApplication>

#include "ui/advancecache.h"
#include "ui/textlist.h"

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

int ListExtent::RowCount() const { return list_->count(); }

std::u16string ListExtent::RowText(int row) const { return list_->item(row)->text().toStdU16String(); }

long long ListExtent::MeasureText(const std::u16string& text) const {
    return MeasuringAdvances().Width(QString::fromStdU16String(text));
}

void ListExtent::SetHorizontalExtent(int extent) { list_->SetHorizontalExtent(extent); }

}  // namespace Ui
