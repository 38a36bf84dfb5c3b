#pragma once
#include <QApplication>

// Catches what a handler lets escape, shows it, and lets the loop go on.
class VarnopileApplication : public QApplication {
    Q_OBJECT
public:
    VarnopileApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
