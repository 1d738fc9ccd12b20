// The hidden mode that shows the fatal-error filter's report in a box. It
// runs in a process of its own, started by the filter of a process that
// is crashing, so it touches nothing of the program but the message sink:
// no data file, no backup, no store.
#include "app/FatalErrorBox.h"

#include "platform/MessageBox.h"
#include "ui/QtMessageBoxSink.h"

#include <QApplication>
#include <cstring>

bool IsFatalErrorBoxRequest(int argc, char** argv)
{
    return argc == 3 && std::strcmp(argv[1], kFatalErrorBoxOption) == 0;
}

void ShowFatalErrorText(int argc, char** argv)
{
    if (IsFatalErrorBoxRequest(argc, argv))
        platform::ShowMessage(QString::fromLocal8Bit(argv[2]), platform::MB_ICONERROR);
}

int RunFatalErrorBox(int argc, char** argv)
{
    // Qt is given the program's name only: the option and the text are
    // not for it to read.
    int qtArgc = 1;
    QApplication framework(qtArgc, argv);
    InstallQtMessageBoxSink();
    ShowFatalErrorText(argc, argv);
    RemoveQtMessageBoxSink();
    return 0;
}
