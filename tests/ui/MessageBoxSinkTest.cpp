// The application's message boxes: caption, icon by flags, OK only.
#include "platform/MessageBox.h"
#include "ui/DialogDriver.h"
#include "ui/QtMessageBoxSink.h"
#include "ui/QtTestRegistry.h"

#include <QFileInfo>
#include <QMessageBox>

using namespace dialog_driver;

class MessageBoxSinkTest : public QObject {
    Q_OBJECT
private slots:
    void BoxesFollowTheFlags()
    {
        InstallQtMessageBoxSink();
        const struct {
            unsigned flags;
            QMessageBox::Icon icon;
        } cases[] = { { 16, QMessageBox::Critical }, { 32, QMessageBox::Question }, { 48, QMessageBox::Warning },
            { 64, QMessageBox::Information }, { 0, QMessageBox::NoIcon } };
        for (const auto& c : cases) {
            QString caption, text;
            QMessageBox::Icon icon = QMessageBox::Question;
            QList<QAbstractButton*> buttons;
            WhenModal([&](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                QVERIFY(box);
                caption = box->windowTitle();
                text = box->text();
                icon = box->icon();
                buttons = box->buttons();
                QCOMPARE(box->standardButtons(), QMessageBox::Ok);
                Key(modal, Qt::Key_Return);
            });
            QCOMPARE(platform::ShowMessage(QStringLiteral("Error\r\nCode = 80004005\r\n"), c.flags), platform::IDOK);
            QCOMPARE(caption, QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
            QCOMPARE(text, QStringLiteral("Error\nCode = 80004005\n"));
            QCOMPARE(icon, c.icon);
            QCOMPARE(buttons.size(), 1);
        }
        RemoveQtMessageBoxSink();
    }
};

static const QtTestRegistration<MessageBoxSinkTest> registration;

#include "MessageBoxSinkTest.moc"
