// The entry of the application tests: one QApplication, every registered
// class. A crashing child of these tests starts this executable again in
// the fatal-error filter's hidden mode; that copy writes the box it would
// show, flags and text, to standard error (the crash test's pipe) instead.
#include "app/FatalErrorBox.h"
#include "platform/MessageBox.h"
#include "ui/QtTestRegistry.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    if (IsFatalErrorBoxRequest(argc, argv)) {
        platform::SetMessageSink([](const QString& text, unsigned flags) {
            std::fprintf(stderr, "box %u: %s\n", flags, text.toLocal8Bit().constData());
            return platform::IDOK;
        });
        ShowFatalErrorText(argc, argv);
        return 0;
    }
    QApplication app(argc, argv);
    return RunRegisteredQtTests(argc, argv);
}
