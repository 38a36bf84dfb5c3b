#pragma once
// Screen readers learn what a widget is from its role: the window's own widget classes would
// otherwise all read as anonymous fillers.

namespace Ui {

// Gives the main window, the tool bar and its separators their roles. Safe to call more than once.
void InstallAccessibleRoles();

}  // namespace Ui
