// Strict UTF-8 reading (no overlong forms, no encoded surrogates, nothing
// past U+10FFFF), each byte outside it escaped as a lone low surrogate.
#include "platform/FileName.h"

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at bytes[i], or 0.
int ValidSequence(const QByteArray& bytes, qsizetype i, char32_t& codePoint)
{
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    int length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
        min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(i + k) & 0x3F);
    }
    if (codePoint < min || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString DecodeFileName(const QByteArray& bytes)
{
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t codePoint = 0;
        const int length = ValidSequence(bytes, i, codePoint);
        if (length == 0) {
            name += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[i])));
            ++i;
            continue;
        }
        name += QString::fromUcs4(&codePoint, 1);
        i += length;
    }
    return name;
}

QByteArray EncodeFileName(const QString& name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const bool pairedLow = i > 0 && name[i - 1].isHighSurrogate();
        if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF && !pairedLow) {
            bytes += name.mid(runStart, i - runStart).toUtf8();
            bytes += char(c - kEscapeBase);
            runStart = i + 1;
        }
    }
    bytes += name.mid(runStart).toUtf8();
    return bytes;
}

bool FileExists(const QString& name)
{
    struct stat st { };
    return ::stat(EncodeFileName(name).constData(), &st) == 0;
}

bool IsLink(const QString& name)
{
    struct stat st { };
    return ::lstat(EncodeFileName(name).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsFolder(const QString& name)
{
    struct stat st { };
    return ::stat(EncodeFileName(name).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

qint64 FileSize(const QString& name)
{
    struct stat st { };
    return ::stat(EncodeFileName(name).constData(), &st) == 0 ? qint64(st.st_size) : -1;
}

QString AbsoluteFileName(const QString& name)
{
    if (name.startsWith(u'/'))
        return name;
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer))
        return name;
    const QString folder = DecodeFileName(QByteArray(buffer));
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

} // namespace platform
