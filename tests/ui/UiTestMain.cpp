// The entry of the dialog tests: one QApplication, every registered class.
#include "ui/QtTestRegistry.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return RunRegisteredQtTests(argc, argv);
}
