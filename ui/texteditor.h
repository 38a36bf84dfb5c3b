#pragma once
// The multi-line editor. It gives back exactly the text it was given with exactly the user's
// edits: the text widget keeps lines without their breaks, so each line break (CR LF, LF, CR,
// U+2029) is remembered on the break itself and written back as it came. A break the user types
// follows the loaded text: CR LF when it has CR LF, else LF. Pasted text keeps its own breaks.
#include <QPlainTextEdit>
#include <string>

namespace Ui {

class TextEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextEditor(QWidget* parent = nullptr);

    // Replaces the whole text: caret, scroll position and undo history start afresh.
    void SetText(const std::u16string& text);
    std::u16string Text() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // The text between two document positions, each break as it is.
    QString ExactText(int from, int to) const;
    // Inserts text at the cursor, its breaks kept, as one step of the undo history.
    void InsertExact(QTextCursor& cursor, QStringView text) const;
    int TypedBreak() const;

    std::u16string loaded_;  // exactly what SetText was given
    bool edited_ = false;    // the document no longer holds loaded_
    bool crlf_ = false;      // line breaks typed are CR LF
    bool loading_ = false;
};

}  // namespace Ui
