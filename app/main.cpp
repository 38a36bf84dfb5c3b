// Varnopile: start-up, one copy per user, the window, and exit code 0 on every ordinary path.
#include <QIcon>
#include <QSessionManager>
#include <cstdio>
#include <cstdlib>

#include "platform/displaycheck.h"
#include "platform/qtclipboard.h"
#include "platform/qtdesktopgeometry.h"
#include "ui/application.h"
#include "ui/mainform.h"
#include "ui/messageboxerrordisplay.h"
#include "ui/qtfontdialogservice.h"
#include "util/datafolder.h"
#include "util/instanceguard.h"

int main(int argc, char** argv) {
    const Platform::DisplayChoice display = Platform::ChooseDisplay();
    if (!display.usable) {
        std::fprintf(stderr, "%s\n", display.problem.c_str());
        return 1;
    }
    if (!display.platform.empty()) ::setenv("QT_QPA_PLATFORM", display.platform.c_str(), 1);
    if (!Tormvale::PrepareDataFolder("Varnopile", false)) return 0;
    if (Tormvale::AcquireInstanceGuard(Tormvale::GuardName) == Tormvale::GuardState::HeldElsewhere) return 0;

    Ui::Application app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/varnopile.png")));

    Platform::QtClipboardBackend clipboard;
    Platform::QtDesktopGeometry desktop;
    Ui::QtFontDialogService fontDialog;
    Ui::MessageBoxErrorDisplay errorDisplay;
    Ui::MainFormServices services;
    services.clipboard = &clipboard;
    services.desktop = &desktop;
    services.fontDialog = &fontDialog;
    services.errorDisplay = &errorDisplay;
    services.dataFolder = Tormvale::UserDataFolder;
    services.prepareDataFolder = [] { return Tormvale::PrepareDataFolder("Varnopile", false); };
    Ui::TMainForm form(services);
    // Asked at log-off whether we may end: save, and say no when the save fails.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form, [&form](QSessionManager& manager) {
        if (!form.CommitData()) manager.cancel();
    });
    form.show();
    app.exec();
    return 0;
}
