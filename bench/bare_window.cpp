// The smallest Qt Widgets window, the yardstick for the program's start-up and memory.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    // Same client size as the program's window, so both map and paint the same area.
    window.resize(388, 368);
    window.show();
    return app.exec();
}
