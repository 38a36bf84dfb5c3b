"""Walks the Varnopile window through AT-SPI as a screen reader does and checks what it can read.
Run by test_accessibility.sh with the accessibility bus up; argv: the clipboard text's six variants
as a file, one per line. Prints what it saw; exits 1 on the first thing it cannot read."""
import sys
import time

import pyatspi

VARIANTS = open(sys.argv[1], encoding="utf-8").read().split("\n")[:6]
LABELS = ["大文字→小文字", "小文字→大文字", "全角→半角", "半角→全角", "ひらがな→カタカナ", "カタカナ→ひらがな"]


def fail(what):
    print("FAIL: " + what, file=sys.stderr)
    sys.exit(1)


def wait_for(what, probe, seconds=10):
    end = time.time() + seconds
    while time.time() < end:
        value = probe()
        if value:
            return value
        time.sleep(0.1)
    fail(what)


def app():
    return next((a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "Varnopile"), None)


def find(node, role, name=None):
    for child in node:
        if child is None:
            continue
        if child.getRoleName() == role and (name is None or child.name == name):
            return child
        hit = find(child, role, name)
        if hit is not None:
            return hit
    return None


def has(node, state):
    return node.getState().contains(state)


def selected_rows(lst):
    return [i for i, row in enumerate(lst) if has(row, pyatspi.STATE_SELECTED)]


def show(node, extra=""):
    states = ",".join(pyatspi.stateToString(s) for s in node.getState().getStates())
    print("%s %r%s [%s]" % (node.getRoleName(), node.name, extra, states))


frame = wait_for("no frame named Varnopile", lambda: app() and find(app(), "frame", "Varnopile"), 20)
show(frame)
bar = find(frame, "tool bar", "ツールバー") or fail("no tool bar named ツールバー")
show(bar)
buttons = [(c.name, c.description) for c in bar if c.getRoleName() == "push button"]
expected = [("取得(G)", "クリップボードからデータを取得します。"), ("更新(A)", "エディタのデータをクリップボードに送ります。"),
            ("フォント", "リスト、エディタのフォントを変更します。"), ("終了(X)", "終了します。")]
if buttons != expected:
    fail("tool buttons read %r" % buttons)
print("push buttons %r" % buttons)
if [c.getRoleName() for c in bar].count("separator") != 2:
    fail("tool bar separators read as %r" % [c.getRoleName() for c in bar])

result, labels = find(frame, "list", "変換結果"), find(frame, "list", "変換の種類")
for lst, rows in ((result, VARIANTS), (labels, LABELS)):
    if lst is None:
        fail("a list is missing")
    show(lst)
    if [row.name for row in lst] != rows or {row.getRoleName() for row in lst} != {"list item"}:
        fail("%s rows read %r" % (lst.name, [row.name for row in lst]))
    if selected_rows(lst) != [0]:
        fail("%s selection reads %r" % (lst.name, selected_rows(lst)))
if not has(result, pyatspi.STATE_FOCUSED):
    fail("the result list does not have the focus at start")

editor = find(frame, "text", "エディタ") or fail("no text named エディタ")
show(editor)
text = lambda: editor.queryText().getText(0, -1)
if text() != VARIANTS[0] or not has(editor, pyatspi.STATE_MULTI_LINE) or not has(editor, pyatspi.STATE_EDITABLE):
    fail("the editor reads %r" % text())

# Picking a row the way an assistive tool does moves both lists and the editor.
labels.queryTable().addRowSelection(3)
wait_for("a pick by AT-SPI left the lists at %r %r" % (selected_rows(result), selected_rows(labels)),
         lambda: selected_rows(result) == [3] and selected_rows(labels) == [3] and text() == VARIANTS[3])
print("AT-SPI pick of row 3: both lists on [3], editor %r" % text())

status = find(frame, "status bar", "ヒント") or fail("no status bar named ヒント")
hint = find(status, "label") or fail("the status bar holds no label")
show(status)
print("READY", flush=True)  # the shell moves the pointer onto 終了 now
wait_for("the hint reads %r" % hint.name, lambda: hint.name == "終了します。")
print("status bar label reads %r under the pointer" % hint.name)
print("READY", flush=True)  # the shell moves the pointer onto the editor now
wait_for("the hint off the buttons reads %r" % hint.name, lambda: hint.name == "")
print("status bar label reads '' over the editor")
print("READY", flush=True)  # the shell presses F1 now

box = wait_for("no error box", lambda: find(app(), "alert") or find(app(), "dialog"))
words = [n.name for n in [box] + [find(box, "label")] if n is not None]
show(box)
if not any("状況依存型ヘルプがインストールされていません" in w for w in words):
    fail("the error box reads %r" % words)
print("error box reads %r" % words)
