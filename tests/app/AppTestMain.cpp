// The entry of the application tests: one QApplication, every registered
// class.
#include "ui/QtTestRegistry.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return RunRegisteredQtTests(argc, argv);
}
