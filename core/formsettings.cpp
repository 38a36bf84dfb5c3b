#include "core/formsettings.h"

#include <algorithm>
#include <limits>

#include "util/settingsstore.h"

namespace Varnopile {

namespace {

int32_t Fit(int64_t v) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

FormSettings FormSettings::Of(std::u16string face, int32_t pointSize, const Tormvale::Rect& outer) {
    return {std::move(face),
            pointSize,
            Fit(outer.top),
            Fit(outer.left),
            Fit(outer.bottom - outer.top),
            Fit(outer.right - outer.left)};
}

FormSettings ReadFormSettings(const std::string& path, const FormSettings& defaults) {
    const Tormvale::SettingsStore ini = path.empty()
                                            ? Tormvale::SettingsStore()
                                            : Tormvale::SettingsStore::Load(path, Tormvale::SettingsEncoding::Detect);
    FormSettings s;
    s.face = ini.ReadString(u"Font", u"Name", defaults.face);
    s.pointSize = ini.ReadInteger(u"Font", u"Size", defaults.pointSize);
    s.top = ini.ReadInteger(u"Window", u"Top", defaults.top);
    s.left = ini.ReadInteger(u"Window", u"Left", defaults.left);
    s.height = ini.ReadInteger(u"Window", u"Height", defaults.height);
    s.width = ini.ReadInteger(u"Window", u"Width", defaults.width);
    return s;
}

void WriteFormSettings(const std::string& path, const FormSettings& values) {
    Tormvale::SettingsStore ini = Tormvale::SettingsStore::Load(path, Tormvale::SettingsEncoding::Detect);
    ini.WriteString(u"Font", u"Name", values.face);
    ini.WriteInteger(u"Font", u"Size", values.pointSize);
    ini.WriteInteger(u"Window", u"Top", values.top);
    ini.WriteInteger(u"Window", u"Left", values.left);
    ini.WriteInteger(u"Window", u"Height", values.height);
    ini.WriteInteger(u"Window", u"Width", values.width);
    ini.UpdateFile();
}

}  // namespace Varnopile
