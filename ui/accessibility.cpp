#include "ui/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFrame>

#include "ui/flattoolbar.h"
#include "ui/mainform.h"

namespace Ui {

namespace {

QAccessibleInterface* RoleFactory(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) return nullptr;
    if (className == QLatin1String(TMainForm::staticMetaObject.className()))
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (className == QLatin1String(FlatToolBar::staticMetaObject.className()))
        return new QAccessibleWidget(widget, QAccessible::ToolBar);
    if (className == QLatin1String("QFrame") && qobject_cast<FlatToolBar*>(widget->parentWidget()))
        return new QAccessibleWidget(widget, QAccessible::Separator);
    return nullptr;
}

}  // namespace

void InstallAccessibleRoles() {
    static const bool installed = [] {
        QAccessible::installFactory(RoleFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace Ui
