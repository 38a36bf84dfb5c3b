#pragma once
// A flat bar of caption-only buttons that wraps onto further rows when the window is too narrow
// for one, growing by a row height each time.
#include <QFrame>
#include <QToolButton>
#include <QWidget>
#include <vector>

namespace Ui {

class FlatToolBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int RowHeight = 27;
    static constexpr int SeparatorWidth = 8;

    explicit FlatToolBar(QWidget* parent = nullptr);

    QToolButton* AddButton(const QString& objectName, const QString& caption, const QString& hint);
    QWidget* AddSeparator(const QString& objectName);

    // Places the items for the given width and returns the bar's height.
    int Arrange(int width);
    int HeightForWidth(int width) const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int ItemWidth(const QWidget* item) const;
    int Layout(int width, bool apply);
    std::vector<QWidget*> items_;
};

}  // namespace Ui
