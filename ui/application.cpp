#include "application.h"

#include "errordisplay.h"

VarnopileApplication::VarnopileApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Varnopile"));
    setOrganizationName(QStringLiteral("Tormvale"));
    setApplicationVersion(QStringLiteral("2.1.9"));
    setDesktopFileName(QStringLiteral("varnopile"));
}

bool VarnopileApplication::notify(QObject* receiver, QEvent* event) {
    bool result = false;
    RunHandler([&] { result = QApplication::notify(receiver, event); });
    return result;
}
