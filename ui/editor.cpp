#include "ui/editor.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

namespace Ui {

TextEditor::TextEditor(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setWordWrapMode(QTextOption::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(false);
    setUndoRedoEnabled(true);
    connect(document(), &QTextDocument::contentsChanged, this, [this] {
        if (!loading_) edited_ = true;
    });
    // A layout drops its shaped glyphs once laid out, so placing the caret and every paint would
    // shape a 16 000-unit line again (~5 ms each); keep them for the blocks that change.
    connect(document(), &QTextDocument::contentsChange, this, [this](int from, int, int added) {
        for (QTextBlock b = document()->findBlock(from); b.isValid() && b.position() <= from + added; b = b.next())
            b.layout()->setCacheEnabled(true);
    });
}

void TextEditor::SetText(const std::u16string& text) {
    if (Text() == text) return;
    loaded_ = text;
    edited_ = false;
    crlf_ = text.find(u"\r\n") != std::u16string::npos;
    QString shown = QString::fromStdU16String(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QChar(u'\r'), QChar(u'\n'));
    loading_ = true;
    setPlainText(shown);
    loading_ = false;
}

std::u16string TextEditor::Text() const {
    if (!edited_) return loaded_;
    QString raw = document()->toRawText();
    // Blocks are separated by U+2029 in the raw text; the widget's own line separators by U+2028.
    const QString lineEnd = crlf_ ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString out;
    out.reserve(raw.size());
    for (const QChar c : raw) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) out += lineEnd;
        else out += c;
    }
    return out.toStdU16String();
}

void TextEditor::keyPressEvent(QKeyEvent* event) {
    // F1 belongs to the window's help handling, never to the text.
    if (event->key() == Qt::Key_F1) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

}  // namespace Ui
