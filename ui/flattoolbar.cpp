#include "ui/flattoolbar.h"

#include <QEvent>
#include <QHelpEvent>
#include <QKeySequence>
#include <QToolTip>

namespace Ui {

namespace {
constexpr int TooltipShowMs = 2500;
constexpr int ButtonPadding = 14;
}  // namespace

FlatToolBar::FlatToolBar(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_StyledBackground, false); }

QToolButton* FlatToolBar::AddButton(const QString& objectName, const QString& caption, const QString& hint) {
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setText(caption);
    // Tool buttons do not take their caption's mnemonic by themselves.
    button->setShortcut(QKeySequence::mnemonic(caption));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(hint);
    button->setStatusTip(hint);
    button->installEventFilter(this);
    items_.push_back(button);
    return button;
}

QWidget* FlatToolBar::AddSeparator(const QString& objectName) {
    auto* separator = new QFrame(this);
    separator->setObjectName(objectName);
    separator->setFrameShape(QFrame::NoFrame);
    separator->setFixedWidth(SeparatorWidth);
    items_.push_back(separator);
    return separator;
}

int FlatToolBar::ItemWidth(const QWidget* item) const {
    if (auto* button = qobject_cast<const QToolButton*>(item)) {
        QString caption = button->text();
        caption.remove(QLatin1Char('&'));
        return button->fontMetrics().horizontalAdvance(caption) + ButtonPadding;
    }
    return SeparatorWidth;
}

int FlatToolBar::Layout(int width, bool apply) {
    int x = 0;
    int row = 0;
    for (QWidget* item : items_) {
        const int w = ItemWidth(item);
        if (x > 0 && x + w > width) {
            x = 0;
            ++row;
        }
        if (apply) item->setGeometry(x, row * RowHeight, w, RowHeight);
        x += w;
    }
    return (row + 1) * RowHeight;
}

int FlatToolBar::HeightForWidth(int width) const { return const_cast<FlatToolBar*>(this)->Layout(width, false); }

int FlatToolBar::Arrange(int width) { return Layout(width, true); }

bool FlatToolBar::event(QEvent* event) {
    // The bar and its separators show no tooltip of their own.
    if (event->type() == QEvent::ToolTip) {
        QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

bool FlatToolBar::eventFilter(QObject* watched, QEvent* event) {
    // A mnemonic clicks at once: Qt's own delayed click would let keys typed after it run first.
    if (event->type() == QEvent::Shortcut) {
        if (auto* button = qobject_cast<QToolButton*>(watched); button && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    if (event->type() == QEvent::ToolTip) {
        auto* button = qobject_cast<QToolButton*>(watched);
        auto* help = static_cast<QHelpEvent*>(event);
        if (button && !button->toolTip().isEmpty()) {
            QToolTip::showText(help->globalPos(), button->toolTip(), button, button->rect(), TooltipShowMs);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace Ui
