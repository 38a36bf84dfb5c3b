#pragma once
// The multi-line editor. It gives back exactly the text it was given: the text widget keeps only
// LF, so the loaded text's own line breaks are remembered and restored when the text is read.
#include <QPlainTextEdit>
#include <string>

namespace Ui {

class TextEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextEditor(QWidget* parent = nullptr);

    // Replaces the whole text, but only when it differs: an equal text keeps caret, selection,
    // scroll position and undo history.
    void SetText(const std::u16string& text);
    std::u16string Text() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::u16string loaded_;     // exactly what SetText was given
    bool edited_ = false;       // the document no longer holds loaded_
    bool crlf_ = false;         // line breaks typed or read back are CR LF
    bool loading_ = false;
};

}  // namespace Ui
