#include "ui/advancecache.h"

namespace Ui {

AdvanceCache::AdvanceCache(const QFont& font) { SetFont(font); }

void AdvanceCache::SetFont(const QFont& font) {
    font_ = font;
    metrics_ = std::make_unique<QFontMetrics>(font);
    if (!table_) table_ = std::make_unique<std::array<int, 65536>>();
    table_->fill(-1);
}

int AdvanceCache::LookUp(const QString& text, qsizetype i) {
    const char16_t u = text.at(i).unicode();
    if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return metrics_->horizontalAdvance(text.mid(i, 2));
    if (QChar::isLowSurrogate(u) && i > 0 && text.at(i - 1).isHighSurrogate()) return 0;
    int& a = (*table_)[u];
    if (a < 0) a = metrics_->horizontalAdvance(QChar(u));
    return a;
}

long long AdvanceCache::Width(const QString& text) {
    long long w = 0;
    for (qsizetype i = 0; i < text.size(); ++i) w += Advance(text, i);
    return w;
}

}  // namespace Ui
