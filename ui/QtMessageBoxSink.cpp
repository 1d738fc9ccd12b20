// QMessageBox behind ShowMessage. Texts keep the CR LF line ends that the
// error reports use; the box is given plain LF so that no stray CR shows.
#include "ui/QtMessageBoxSink.h"

#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

namespace {

QMessageBox::Icon IconFor(unsigned flags)
{
    switch (flags & 0xF0) {
    case 0x10:
        return QMessageBox::Critical;
    case 0x20:
        return QMessageBox::Question;
    case 0x30:
        return QMessageBox::Warning;
    case 0x40:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int ShowQtMessageBox(const QString& text, unsigned flags)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(
        IconFor(flags), QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(), shown, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return platform::IDOK;
}

void InstallQtMessageBoxSink()
{
    platform::SetMessageSink(ShowQtMessageBox);
}

void RemoveQtMessageBoxSink()
{
    platform::SetMessageSink({});
}
