#include "ui/texteditor.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextLayout>
#include <array>

namespace Ui {

namespace {

// Every unit the text widget starts a new line at, and so cannot keep as text. U+2028 is not
// among them: the widget keeps it as a character. The two non-characters are Qt's frame marks.
constexpr std::array<std::u16string_view, 6> Breaks = {u"\r\n", u"\n", u"\r", u"\u2029", u"\uFDD0", u"\uFDD1"};
constexpr int CrLf = 1;  // kinds are 1-based indexes into Breaks; 0 means none recorded
constexpr int Lf = 2;

// A break's kind lives in the character format of the widget's own separator, so it goes
// wherever that separator goes: removed with it, and back with it on undo.
constexpr int BreakKindProperty = QTextFormat::UserProperty + 1;

QTextCharFormat BreakFormat(int kind) {
    QTextCharFormat format;
    format.setProperty(BreakKindProperty, kind);
    return format;
}

// The kind of break at position i of text and its length in units; 0 when there is none.
int BreakAt(QStringView text, qsizetype i, qsizetype* length) {
    for (int k = 0; k < static_cast<int>(Breaks.size()); ++k) {
        const std::u16string_view b = Breaks[static_cast<std::size_t>(k)];
        if (text.mid(i).startsWith(QStringView(b.data(), static_cast<qsizetype>(b.size())))) {
            *length = static_cast<qsizetype>(b.size());
            return k + 1;
        }
    }
    return 0;
}

}  // namespace

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

int TextEditor::TypedBreak() const { return crlf_ ? CrLf : Lf; }

void TextEditor::SetText(const std::u16string& text) {
    loaded_ = text;
    edited_ = false;
    crlf_ = text.find(u"\r\n") != std::u16string::npos;
    loading_ = true;
    setPlainText(QString());  // caret, scrolling and undo history start afresh
    document()->setUndoRedoEnabled(false);
    QTextCursor cursor(document());
    InsertExact(cursor, QStringView(text.data(), static_cast<qsizetype>(text.size())));
    document()->setUndoRedoEnabled(true);
    cursor.movePosition(QTextCursor::Start);
    setTextCursor(cursor);
    loading_ = false;
}

std::u16string TextEditor::Text() const {
    if (!edited_) return loaded_;
    return ExactText(0, document()->characterCount() - 1).toStdU16String();
}

QString TextEditor::ExactText(int from, int to) const {
    QString out;
    for (QTextBlock b = document()->findBlock(from); b.isValid() && b.position() <= to; b = b.next()) {
        // The separator before this block sits at position() - 1.
        if (b.position() > from) {
            int kind = b.charFormat().intProperty(BreakKindProperty);
            if (kind < 1 || kind > static_cast<int>(Breaks.size())) kind = TypedBreak();
            const std::u16string_view br = Breaks[static_cast<std::size_t>(kind - 1)];
            out.append(QStringView(br.data(), static_cast<qsizetype>(br.size())));
        }
        const int start = std::max(from, b.position()) - b.position();
        const int end = std::min(to, b.position() + b.length() - 1) - b.position();
        out.append(QStringView(b.text()).mid(start, end - start));
    }
    return out;
}

void TextEditor::InsertExact(QTextCursor& cursor, QStringView text) const {
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < text.size();) {
        qsizetype length = 0;
        const int kind = BreakAt(text, i, &length);
        if (kind == 0) {
            ++i;
            continue;
        }
        if (i > lineStart) cursor.insertText(text.mid(lineStart, i - lineStart).toString(), QTextCharFormat());
        cursor.insertBlock(QTextBlockFormat(), BreakFormat(kind));
        i += length;
        lineStart = i;
    }
    if (text.size() > lineStart) cursor.insertText(text.mid(lineStart).toString(), QTextCharFormat());
    cursor.endEditBlock();
}

QMimeData* TextEditor::createMimeDataFromSelection() const {
    const QTextCursor cursor = textCursor();
    auto* data = new QMimeData;
    data->setText(ExactText(cursor.selectionStart(), cursor.selectionEnd()));
    return data;
}

void TextEditor::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText() || isReadOnly()) return;
    QTextCursor cursor = textCursor();
    InsertExact(cursor, source->text());
    setTextCursor(cursor);
    ensureCursorVisible();
}

void TextEditor::keyPressEvent(QKeyEvent* event) {
    // F1 belongs to the window's help handling, never to the text.
    if (event->key() == Qt::Key_F1) {
        event->ignore();
        return;
    }
    // Enter and Shift+Enter alike start a new line with a break in the text's style; the widget
    // would otherwise put a U+2028 for Shift+Enter.
    if (!isReadOnly() &&
        (event->matches(QKeySequence::InsertParagraphSeparator) || event->matches(QKeySequence::InsertLineSeparator))) {
        event->accept();
        QTextCursor cursor = textCursor();
        cursor.insertBlock(QTextBlockFormat(), BreakFormat(TypedBreak()));
        setTextCursor(cursor);
        ensureCursorVisible();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

}  // namespace Ui
