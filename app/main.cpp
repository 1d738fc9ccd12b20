// The program's entry point: everything happens in AfxWinMain, except in
// the hidden mode that shows a crashing copy's report in a message box.
#include "app/AfxWinMain.h"
#include "app/FatalErrorBox.h"

int main(int argc, char** argv)
{
    if (IsFatalErrorBoxRequest(argc, argv))
        return RunFatalErrorBox(argc, argv);
    return AfxWinMain(argc, argv);
}
