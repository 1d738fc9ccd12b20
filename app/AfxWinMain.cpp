// The entry function. The QApplication stands for the framework: it is made
// by AfxWinInit's stand-in and destroyed by AfxWinTerm's. It is held outside
// the catch so that the report of an uncaught COM error can still be shown
// in a message box; it goes when the entry function returns.
#include "app/AfxWinMain.h"

#include "app/CLexitrainApp.h"
#include "app/TopLevelExceptionFilter.h"
#include "db/ComErrorReport.h"
#include "platform/ComError.h"
#include "platform/MessageBox.h"
#include "ui/QtMessageBoxSink.h"

#include <QApplication>
#include <optional>

int RunApplication(CLexitrainApp& app, const std::function<bool()>& winInit, const std::function<void()>& winTerm)
{
    try {
        if (winInit()) {
            // InitInstance does all the work and always returns false, so
            // there is never an event loop to run.
            app.InitInstance();
            app.ExitInstance();
        }
        winTerm();
    } catch (const platform::ComError& e) {
        platform::ShowMessage(FormatComErrorReport(QStringLiteral("Error"), e), platform::MB_ICONERROR);
        return 0;
    }
    return 0;
}

int AfxWinMain(int& argc, char** argv)
{
    InstallTopLevelExceptionFilter();
    std::optional<QApplication> framework;
    return RunApplication(
        theApp,
        [&] {
            framework.emplace(argc, argv);
            InstallQtMessageBoxSink();
            return true;
        },
        [&] {
            RemoveQtMessageBoxSink();
            framework.reset();
        });
}
