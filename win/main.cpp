// Varnopile.exe: one copy per user, the data folder, the window, and exit code 0 on every path.
#include <windows.h>
// windows.h first: the common controls' header needs its types.
#include <commctrl.h>

#include "core/mainformrules.h"
#include "util/datafolder.h"
#include "util/instanceguard.h"
#include "win/application.h"
#include "win/clipboardbackend.h"
#include "win/desktopgeometry.h"
#include "win/errorbox.h"
#include "win/mainform.h"

namespace {

// The show state whoever started us asked for.
int StartupShowState() {
    STARTUPINFOW info{};
    info.cb = sizeof info;
    GetStartupInfoW(&info);
    return (info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow : SW_SHOWDEFAULT;
}

void Run(HINSTANCE instance) {
    Win::Application application(instance);
    Win::ErrorBox::SetApplicationWindow(application.Handle());

    if (!Tormvale::PrepareDataFolder("Varnopile", false)) return;
    if (Tormvale::AcquireInstanceGuard(Tormvale::GuardName) == Tormvale::GuardState::HeldElsewhere) return;

    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    Win::ClipboardBackend clipboard(application.Handle());
    Win::DesktopGeometry desktop;
    Varnopile::MainFormRules::Services services;
    services.clipboard = &clipboard;
    services.desktop = &desktop;
    services.dataFolder = Tormvale::UserDataFolder;
    services.prepareDataFolder = [] { return Tormvale::PrepareDataFolder("Varnopile", false); };

    Win::TMainForm form(services);
    form.Show(StartupShowState());
    application.Run(form);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    try {
        Run(instance);
    } catch (...) {
        // Whatever escaped the handlers ends the program as an ordinary end would.
    }
    return 0;
}
