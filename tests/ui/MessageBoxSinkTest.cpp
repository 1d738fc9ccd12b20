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
        const QString caption = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        for (const auto& c : cases) {
            // Caption, text, icon, and the buttons: OK alone.
            QStringList shown;
            WhenModal([&](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                QVERIFY(box);
                shown << box->windowTitle() << box->text() << QString::number(box->icon())
                      << QString::number(box->standardButtons()) << QString::number(box->buttons().size());
                Key(modal, Qt::Key_Return);
            });
            QCOMPARE(platform::ShowMessage(QStringLiteral("Error\r\nCode = 80004005\r\n"), c.flags), platform::IDOK);
            QCOMPARE(shown,
                QStringList({ caption, "Error\nCode = 80004005\n", QString::number(c.icon),
                    QString::number(QMessageBox::Ok), "1" }));
        }
        RemoveQtMessageBoxSink();
    }
};

static const QtTestRegistration<MessageBoxSinkTest> registration;

#include "MessageBoxSinkTest.moc"
