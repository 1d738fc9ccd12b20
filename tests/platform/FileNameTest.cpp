// File names from bytes to text and back: every name survives the round
// trip, a UTF-8 name reads as Qt reads it, and a byte that is no UTF-8
// (a Latin-1 letter, a cut sequence, an overlong form, an encoded
// surrogate) stands for itself.
#include "platform/FileName.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

TEST(FileNameTest, EveryNameSurvivesTheRoundTrip)
{
    const QByteArray names[] = {
        "/home/me/db.mdb",
        "/tmp/my;words/\"x\"",
        "/tmp/\xc3\xa9t\xc3\xa9",
        "/tmp/\xf0\x9f\x93\x9a books",
        "/tmp/caf\xe9",
        "/tmp/\xff\xfe",
        "/tmp/cut\xe2\x82",
        "/tmp/overlong\xc0\xaf",
        "/tmp/surrogate\xed\xa0\x80",
        "/tmp/past\xf4\x90\x80\x80",
        "/tmp/\xe9\xc3\xa9\xe9",
    };
    for (const QByteArray& name : names) {
        SCOPED_TRACE(name.toHex().toStdString());
        const QString text = platform::DecodeFileName(name);
        EXPECT_EQ(platform::EncodeFileName(text), name);
        if (QString::fromUtf8(name).toUtf8() == name)
            EXPECT_EQ(text, QFile::decodeName(name)); // valid UTF-8: as Qt reads it
        else
            EXPECT_NE(platform::DecodeFileName(name), QFile::decodeName(name));
    }
    // Each foreign byte is one character of the text.
    EXPECT_EQ(platform::DecodeFileName("caf\xe9"), QStringLiteral("caf") + QChar(0xDCE9));
    // A character beyond the 16-bit range, a surrogate pair, is text too.
    EXPECT_EQ(platform::EncodeFileName(QString::fromUtf8("\xf0\x9f\x93\x9a")), QByteArray("\xf0\x9f\x93\x9a"));
}

} // namespace
