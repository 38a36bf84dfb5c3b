#pragma once
// The status bar with its one simple panel. The hint is shown by a label rather than painted as
// a message, so that a screen reader reads the text a sighted user sees.
#include <QStatusBar>

class QLabel;

namespace Ui {

class HintBar : public QStatusBar {
    Q_OBJECT
public:
    explicit HintBar(QWidget* parent = nullptr);

    // An equal text changes nothing.
    void SetHint(const QString& hint);
    QString Hint() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* label_;
};

}  // namespace Ui
