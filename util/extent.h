#pragma once
// Sizing a list's sideways scrolling to its widest row.
#include <string>

namespace Tormvale {

// What FitHorizontalExtent needs of a list control.
class ExtentList {
public:
    virtual ~ExtentList() = default;
    virtual int RowCount() const = 0;
    virtual std::u16string RowText(int row) const = 0;
    // Width in pixels of a text on the list's measuring surface.
    virtual long long MeasureText(const std::u16string& text) const = 0;
    virtual void SetHorizontalExtent(int extent) = 0;
};

// Sets the extent to exactly twice the widest row (0 without rows), saturating at INT_MAX.
void FitHorizontalExtent(ExtentList& list);

}  // namespace Tormvale
