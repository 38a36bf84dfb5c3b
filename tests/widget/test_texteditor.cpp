// The editor gives back the loaded text with exactly the user's edits: random texts with every
// kind of line break, random edits through real keys, checked against the same edits on a string.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <random>

#include "tests/widget/formfixture.h"
#include "ui/texteditor.h"

using namespace Testing;

namespace {

// The string side: one entry per caret step, a break of two units (CR LF) being one step.
struct Model {
    std::vector<std::u16string> units;
    int pos = 0, anchor = 0;

    void EraseSelection() {
        const auto [a, b] = std::minmax(pos, anchor);
        units.erase(units.begin() + a, units.begin() + b);
        pos = anchor = a;
    }
    void Insert(const std::u16string& u) {
        EraseSelection();
        units.insert(units.begin() + pos, u);
        anchor = ++pos;
    }
    std::u16string Text() const {
        std::u16string s;
        for (const auto& u : units) s += u;
        return s;
    }
};

const std::u16string Breaks[] = {u"\r\n", u"\n", u"\r", u"\u2028", u"\u2029"};
const std::u16string Letters[] = {u"a", u"b", u" ", u"\t", u"あ", u"ア"};

}  // namespace

TEST(Editor, RandomEditsThroughKeysMatchTheSameEditsOnTheString) {
    std::mt19937 rng(20261209);
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    for (int round = 0; round < 300; ++round) {
        Ui::TextEditor editor;  // a fresh undo history each round
        Model m;
        for (int n = pick(12); n > 0; --n) {
            const std::u16string& u = pick(3) ? Letters[pick(6)] : Breaks[pick(5)];
            // CR then LF would read as one CR LF.
            if (u == u"\n" && !m.units.empty() && m.units.back() == u"\r") continue;
            m.units.push_back(u);
        }
        const std::u16string loaded = m.Text();
        const bool crlf = loaded.find(u"\r\n") != std::u16string::npos;
        editor.SetText(loaded);
        std::string log;
        for (int step = 0; step < 10; ++step) {
            const int size = static_cast<int>(m.units.size());
            switch (pick(7)) {
                case 0: {  // place the caret
                    QTest::keyClick(&editor, Qt::Key_Home, Qt::ControlModifier);
                    m.pos = m.anchor = pick(size + 1);
                    for (int i = 0; i < m.pos; ++i) QTest::keyClick(&editor, Qt::Key_Right);
                    log += "@" + std::to_string(m.pos);
                    break;
                }
                case 1: {  // select to the right
                    const int n = pick(4) + 1;
                    for (int i = 0; i < n; ++i) QTest::keyClick(&editor, Qt::Key_Right, Qt::ShiftModifier);
                    m.pos = std::min(m.pos + n, size);
                    log += "S" + std::to_string(n);
                    break;
                }
                case 2: {  // Enter, keypad Enter or Shift+Enter: a break in the text's style
                    const Qt::Key k = pick(2) ? Qt::Key_Return : Qt::Key_Enter;
                    QTest::keyClick(&editor, k, pick(2) ? Qt::ShiftModifier : Qt::NoModifier);
                    m.Insert(crlf ? u"\r\n" : u"\n");
                    log += "E";
                    break;
                }
                case 3:
                    QTest::keyClick(&editor, Qt::Key_Backspace);
                    if (m.pos == m.anchor && m.pos > 0) m.anchor = m.pos - 1;
                    m.EraseSelection();
                    log += "B";
                    break;
                case 4:
                    QTest::keyClick(&editor, Qt::Key_Delete);
                    if (m.pos == m.anchor && m.pos < size) m.anchor = m.pos + 1;
                    m.EraseSelection();
                    log += "D";
                    break;
                default: {
                    const std::u16string& letter = Letters[pick(6)];
                    TypeText(&editor, QString::fromStdU16String(letter));
                    m.Insert(letter);
                    log += "T";
                }
            }
        }
        SCOPED_TRACE(QString::fromStdU16String(loaded).toUtf8().toPercentEncoding().toStdString() + " " + log);
        ASSERT_EQ(editor.Text(), m.Text());
        // Undone to the start, the loaded text comes back; redone, the edited one.
        const std::u16string edited = editor.Text();
        while (editor.document()->isUndoAvailable()) QTest::keyClick(&editor, Qt::Key_Z, Qt::ControlModifier);
        ASSERT_EQ(editor.Text(), loaded);
        while (editor.document()->isRedoAvailable())
            QTest::keyClick(&editor, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        ASSERT_EQ(editor.Text(), edited);
    }
}

TEST(Editor, CutAndPasteCarryTheBreaksAsTheyAre) {
    Ui::TextEditor editor;
    editor.show();
    editor.SetText(u"a\rb\u2029c\nd");
    editor.setFocus();
    QTest::keyClick(&editor, Qt::Key_Right);
    for (int i = 0; i < 4; ++i) QTest::keyClick(&editor, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&editor, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdU16String(), u"\rb\u2029c");
    EXPECT_EQ(editor.Text(), u"a\nd");
    QTest::keyClick(&editor, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&editor, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor.Text(), u"a\nd\rb\u2029c");
}
