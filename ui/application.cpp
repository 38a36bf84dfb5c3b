#include "ui/application.h"

#include <QProxyStyle>

namespace Ui {

namespace {

// Tooltips appear after the pointer has rested 500 ms on a tool button.
class VarnopileStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay) return 500;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Varnopile"));
    setOrganizationName(QStringLiteral("Tormvale"));
    setApplicationVersion(QStringLiteral("2.1.9"));
    setDesktopFileName(QStringLiteral("varnopile"));
    setStyle(new VarnopileStyle(style()->name()));
}

}  // namespace Ui
