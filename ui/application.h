#pragma once
#include <QApplication>

namespace Ui {

// The program's name, version and style. Failures that escape a handler are caught by the window
// that runs it (TMainForm), not here.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
};

}  // namespace Ui
