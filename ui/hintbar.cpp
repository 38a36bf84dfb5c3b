#include "ui/hintbar.h"

#include <QLabel>
#include <QPainter>
#include <QStyleOption>

namespace Ui {

HintBar::HintBar(QWidget* parent) : QStatusBar(parent), label_(new QLabel(this)) {
    label_->setTextFormat(Qt::PlainText);
    // A long hint is cut at the bar's end; it never widens the window.
    label_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    addWidget(label_, 1);
}

void HintBar::SetHint(const QString& hint) {
    if (label_->text() != hint) label_->setText(hint);
}

QString HintBar::Hint() const { return label_->text(); }

// One simple panel: the bar's background without the frames a status bar draws around its items.
void HintBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &option, &painter, this);
}

}  // namespace Ui
