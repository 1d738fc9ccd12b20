// File names between the file system's bytes and the program's text. A
// Linux file name is any string of bytes; Qt 6 reads it as UTF-8 and puts
// U+FFFD in place of a byte that is no UTF-8, so a folder named in another
// encoding (a Latin-1 "caf\xe9") cannot be found again from its text. Here
// each such byte stands in the text for the lone surrogate U+DC00 + byte,
// which no UTF-8 text can hold, and goes back to the same byte: every name
// survives the round trip, and a valid UTF-8 name reads as Qt reads it.
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

QString DecodeFileName(const QByteArray& bytes);
QByteArray EncodeFileName(const QString& name);

// What the file system holds under a name, found through the name's own
// bytes (QFileInfo would look for the U+FFFD form). A link is followed,
// except by IsLink.
bool FileExists(const QString& name);
bool IsLink(const QString& name);
bool IsFolder(const QString& name);
qint64 FileSize(const QString& name); // -1 when there is no such file

// name made absolute against the current folder, without touching the
// file system otherwise; "." and ".." are left in place.
QString AbsoluteFileName(const QString& name);

} // namespace platform
