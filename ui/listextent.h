#pragma once
// The result list as FitHorizontalExtent sees it. Rows are measured the way a plain list box
// measures them: the default family at 8 points, whatever font the list shows them in.
#include "util/extent.h"

namespace Ui {

class TextList;

class ListExtent : public Tormvale::ExtentList {
public:
    explicit ListExtent(TextList* list) : list_(list) {}
    int RowCount() const override;
    std::u16string RowText(int row) const override;
    long long MeasureText(const std::u16string& text) const override;
    void SetHorizontalExtent(int extent) override;

private:
    TextList* list_;
};

}  // namespace Ui
