#pragma once
// The settings file's six entries: the editor's font and the window's outer bounds.
#include <string>

class QFont;

namespace Ui {

class OuterBounds;
class TextEditor;

// The reading half: the editor's face and size, then the window's top, left, height and width,
// each defaulting to the current value. Throws when the file exists but cannot be read; what was
// applied before stays.
void ReadSettings(const std::string& path, TextEditor* editor, const QFont& menuFont, OuterBounds& bounds);

// The writing half: the file loaded afresh, the six entries set, the whole file saved.
void WriteSettings(const std::string& path, const QFont& editorFont, const OuterBounds& bounds);

}  // namespace Ui
