#include "ui/windowsettings.h"

#include <QFont>
#include <algorithm>

#include "platform/systemfonts.h"
#include "ui/outerbounds.h"
#include "ui/qtext.h"
#include "ui/texteditor.h"
#include "util/settingsstore.h"

namespace Ui {

void ReadSettings(const std::string& path, TextEditor* editor, const QFont& menuFont, OuterBounds& bounds) {
    const Tormvale::SettingsStore ini = path.empty()
                                            ? Tormvale::SettingsStore()
                                            : Tormvale::SettingsStore::Load(path, Tormvale::SettingsEncoding::Detect);

    QFont font = editor->font();
    const std::u16string face = ini.ReadString(u"Font", u"Name", menuFont.family().toStdU16String());
    if (!face.empty()) font.setFamily(ToQ(face));
    editor->setFont(font);
    const int size = ini.ReadInteger(u"Font", u"Size", Platform::PointSizeOf(menuFont));
    // Qt cannot show a size of 0 or less; an absurd size would only stall the editor.
    if (size > 0 && size <= 1000) {
        font.setPointSize(size);
        editor->setFont(font);
    }

    // Each default is the window's value at that moment; setting the top changes none of the others.
    Tormvale::Rect r;
    bounds.GetRect(r);
    const int32_t top = ini.ReadInteger(u"Window", u"Top", static_cast<int32_t>(r.top));
    const int32_t left = ini.ReadInteger(u"Window", u"Left", static_cast<int32_t>(r.left));
    const int32_t height = ini.ReadInteger(u"Window", u"Height", static_cast<int32_t>(r.bottom - r.top));
    const int32_t width = ini.ReadInteger(u"Window", u"Width", static_cast<int32_t>(r.right - r.left));
    bounds.Move(left, top, width, height, false);
}

void WriteSettings(const std::string& path, const QFont& editorFont, const OuterBounds& bounds) {
    if (path.empty()) return;
    // Read afresh so that whatever else the file holds survives; the six entries take our values.
    Tormvale::SettingsStore ini = Tormvale::SettingsStore::Load(path, Tormvale::SettingsEncoding::Detect);
    ini.WriteString(u"Font", u"Name", editorFont.family().toStdU16String());
    ini.WriteInteger(u"Font", u"Size", Platform::PointSizeOf(editorFont));
    Tormvale::Rect r;
    bounds.GetRect(r);
    auto fit = [](qint64 v) { return static_cast<int32_t>(std::clamp<qint64>(v, INT32_MIN, INT32_MAX)); };
    ini.WriteInteger(u"Window", u"Top", fit(r.top));
    ini.WriteInteger(u"Window", u"Left", fit(r.left));
    ini.WriteInteger(u"Window", u"Height", fit(r.bottom - r.top));
    ini.WriteInteger(u"Window", u"Width", fit(r.right - r.left));
    ini.UpdateFile();
}

}  // namespace Ui
