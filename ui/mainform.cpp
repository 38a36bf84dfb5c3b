#include "mainform.h"

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) { setWindowTitle("Varnopile"); }
