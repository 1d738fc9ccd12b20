// QMessageBox behind ShowMessage. Texts keep the CR LF line ends that the
// error reports use; the box is given plain LF so that no stray CR shows.
#include "ui/QtMessageBoxSink.h"

#include "platform/ExecutablePath.h"
#include "platform/MessageBox.h"

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
    // The executable's name as the program reads it (Qt's own reading of
    // the path loses a folder name that is not UTF-8, and with it the name).
    const QString caption = QFileInfo(platform::ExecutableFilePath().value_or(QString())).completeBaseName();
    QMessageBox box(IconFor(flags), caption, shown, QMessageBox::Ok);
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
