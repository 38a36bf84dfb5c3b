// Varnopile: start-up, one copy per user, the window, and exit code 0 on every ordinary path.
#include <QSessionManager>
#include <cstdio>

#include "application.h"
#include "displaycheck.h"
#include "mainform.h"
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

    MainFormServices services;
    services.dataFolder = Tormvale::UserDataFolder;
    TMainForm form(services);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form, [&form](QSessionManager& manager) {
        if (!form.FormCloseQuery()) manager.cancel();
    });
    form.show();
    app.exec();
    return 0;
}
