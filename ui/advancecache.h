#pragma once
// Per-unit advances of one font, looked up once each. Summing them is what a plain text
// measure does anyway, and it keeps a 16 000-unit row from being shaped as a whole.
#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <array>
#include <memory>

namespace Ui {

class AdvanceCache {
public:
    explicit AdvanceCache(const QFont& font = QFont());
    void SetFont(const QFont& font);
    const QFont& Font() const { return font_; }

    // Advance of the unit at i; a surrogate pair counts on its high half, the low half is 0.
    // Inline for a unit already looked up: rows are measured unit by unit, 100 000 units a Get.
    int Advance(const QString& text, qsizetype i) {
        const char16_t u = text.at(i).unicode();
        if (!QChar::isSurrogate(u)) {
            const int a = (*table_)[u];
            if (a >= 0) return a;
        }
        return LookUp(text, i);
    }
    // Sum of the advances of the whole text.
    long long Width(const QString& text);

private:
    int LookUp(const QString& text, qsizetype i);

    QFont font_;
    std::unique_ptr<QFontMetrics> metrics_;
    std::unique_ptr<std::array<int, 65536>> table_;
};

}  // namespace Ui
