#pragma once
// A plain single-selection list of text rows, as the window's two lists need it: rows drawn on
// one line whatever they hold, a horizontal extent set from outside, clicks raised only by the
// user, and an optional type-ahead over the rows.
//
// Only the user's own gestures move the selection, each raising Click: a left press on a row, the
// movement keys, the type-ahead. Everything else Qt's views offer (blank clicks, other buttons,
// drags, Ctrl toggles, Ctrl+C and Ctrl+A) is off, so the two lists and the editor cannot drift
// apart. A selection moved from outside (an assistive tool) counts as the user's click; one
// removed from outside comes back.
#include <QElapsedTimer>
#include <QListWidget>
#include <functional>
#include <string>

namespace Ui {

class RowDelegate;

class TextList : public QListWidget {
    Q_OBJECT
public:
    explicit TextList(QWidget* parent = nullptr);
    ~TextList() override;

    void AddRow(const QString& text);

    // Width in pixels of a text as a plain list box measures it: per-unit advances of the default
    // family at 8 points, whatever font the list shows its rows in.
    long long MeasureText(const std::u16string& text) const;

    // The width over which the rows can be scrolled sideways, in pixels; 0 for none.
    void SetHorizontalExtent(int extent);
    int HorizontalExtent() const { return extent_; }

    // The height every row is drawn with; 0 lets the font decide.
    void SetItemHeight(int height);
    int ItemHeight() const;

    // Selects a row from the program: no click is raised. -1 clears the selection.
    void SelectRow(int row);
    int SelectedRow() const;

    // Keys typed as characters go to the handler first; a handler that sets *consumed keeps them
    // from the list.
    std::function<void(QChar key, bool* consumed)> KeyPressHandler;
    // Incremental search over the rows by typed characters, at most TypeAheadIntervalMs apart.
    bool TypeAhead = false;
    int TypeAheadIntervalMs = 500;

signals:
    void Click();
    void DblClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void keyboardSearch(const QString&) override {}
    void changeEvent(QEvent* event) override;

private:
    // The user picked a row: select it and raise the click.
    void UserSelect(int row);
    void MoveByKey(int key);
    void Typed(const QString& text, bool backspace);
    void Search(const QString& text);
    void SelectionChangedOutside();

    RowDelegate* delegate_;
    int extent_ = 0;
    QString searchText_;
    QElapsedTimer lastTyped_;
    int selected_ = -1;       // the row the program or the user chose last
    bool selecting_ = false;  // the selection is being changed by SelectRow
};

}  // namespace Ui
