// The entry of the application tests: one QApplication, every registered
// class. A crashing child of these tests starts this executable again in
// the fatal-error filter's hidden mode; that copy runs the program's own
// hidden mode, and as soon as its box is up writes what the box shows
// (icon, caption, the name Qt was given, text) to standard error, the crash
// test's pipe, and closes it.
#include "app/FatalErrorBox.h"
#include "ui/QtTestRegistry.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

namespace {

void ReportAndCloseTheBox()
{
    auto* watch = new QTimer(qApp);
    QObject::connect(watch, &QTimer::timeout, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        std::fprintf(stderr, "box %d %s [%s]: %s\n", int(box->icon()), qPrintable(box->windowTitle()),
            qPrintable(QCoreApplication::applicationName()), qPrintable(box->text()));
        box->accept();
    });
    watch->start(5);
}

} // namespace

int main(int argc, char** argv)
{
    if (IsFatalErrorBoxRequest(argc, argv)) {
        // Qt's own warnings (a missing runtime folder, ...) stay off the pipe.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        qAddPreRoutine(ReportAndCloseTheBox);
        return RunFatalErrorBox(argc, argv);
    }
    QApplication app(argc, argv);
    return RunRegisteredQtTests(argc, argv);
}
