// Varnopile: start-up, one copy per user, the window, and exit code 0 on every ordinary path.
#include <QIcon>
#include <QSessionManager>
#include <cstdio>

#include "application.h"
#include "displaycheck.h"
#include "errordisplay.h"
#include "fontdialog.h"
#include "mainform.h"
#include "qtclipboard.h"
#include "qtdesktop.h"
#include "tormvale/datafolder.h"
#include "tormvale/instanceguard.h"

int main(int argc, char** argv) {
    if (!Platform::DisplayAvailable()) {
        std::fprintf(stderr,
                     "varnopile: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY leads to a "
                     "running display server)\n");
        return 1;
    }
    if (!Tormvale::PrepareDataFolder("Varnopile", false)) return 0;
    if (Tormvale::AcquireInstanceGuard(Tormvale::GuardName) == Tormvale::GuardState::HeldElsewhere) return 0;

    VarnopileApplication app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/varnopile.png")));

    Platform::QtClipboardBackend clipboard;
    Platform::QtDesktopGeometry desktop;
    Platform::QtFontDialogService fontDialog;
    MainFormServices services;
    services.clipboard = &clipboard;
    services.desktop = &desktop;
    services.fontDialog = &fontDialog;
    services.dataFolder = Tormvale::UserDataFolder;
    TMainForm form(services);
    // Asked at log-off whether we may end: save, and say no when the save fails.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form, [&form](QSessionManager& manager) {
        bool saved = false;
        RunHandler([&] { saved = form.FormCloseQuery(); });
        if (!saved) manager.cancel();
    });
    form.show();
    app.exec();
    return 0;
}
