// The smallest Qt Widgets window, the yardstick for the program's start-up and memory.
// With --text it also shows one line of Japanese, so that it pays for loading fonts as any
// window with text does.
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
    const bool withText = argc > 1 && std::strcmp(argv[1], "--text") == 0;
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    // Same client size as the program's window, so both map and paint the same area.
    window.resize(388, 368);
    if (withText) (new QLabel(QStringLiteral("クリップボードの文字列 ABC ｶﾀｶﾅ ひらがな"), &window))->move(8, 8);
    window.show();
    return app.exec();
}
