// Raw TAB, CR and LF inside attribute values to character references. The
// scan only has to know where attribute values are: inside a tag, between
// quotes; comments, CDATA sections, processing instructions and
// declarations are passed over whole. A value's raw line breaks follow it
// as white space inside the tag, so that the parser counts the lines of
// the file as they are. It runs over bytes for
// ASCII-compatible files and over UTF-16 code units otherwise, and copies
// nothing when a file has none of the three inside a value.
#include "engine/xml/RawLineBreaks.h"

#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <type_traits>

namespace engine::xmlpersist {

namespace {

template <typename Text> Text EscapeRawLineBreaksInValues(const Text& in)
{
    const auto at = [&in](qsizetype i) -> char16_t {
        if constexpr (std::is_same_v<Text, QByteArray>)
            return static_cast<unsigned char>(in.at(i));
        else
            return in.at(i).unicode();
    };
    const auto startsAt = [&](qsizetype i, std::string_view s) {
        if (i + static_cast<qsizetype>(s.size()) > in.size())
            return false;
        for (std::size_t k = 0; k < s.size(); ++k) {
            if (at(i + static_cast<qsizetype>(k)) != static_cast<char16_t>(s[k]))
                return false;
        }
        return true;
    };
    enum class State {
        Content, // between tags: text, white space
        Tag, // inside a start or end tag, outside any value
        Value, // inside an attribute value opened by `quote`
        Skipped, // inside a comment, CDATA, PI or declaration, until `skipEnd`
    };
    State state = State::Content;
    char16_t quote = 0;
    Text lineBreaks; // the raw CR and LF of the value being read
    std::string_view skipEnd; // what ends the skipped construct
    Text out;
    qsizetype copied = 0; // input before this is already in out
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char16_t c = at(i);
        switch (state) {
        case State::Content:
            if (c == u'<') {
                state = State::Skipped;
                if (startsAt(i, "<!--"))
                    skipEnd = "-->";
                else if (startsAt(i, "<![CDATA["))
                    skipEnd = "]]>";
                else if (startsAt(i, "<?"))
                    skipEnd = "?>";
                else if (startsAt(i, "<!"))
                    skipEnd = ">"; // a DOCTYPE, refused by the reader anyway
                else
                    state = State::Tag;
            }
            break;
        case State::Tag:
            if (c == u'\'' || c == u'"') {
                state = State::Value;
                quote = c;
            } else if (c == u'>') {
                state = State::Content;
            }
            break;
        case State::Value:
            if (c == quote) {
                state = State::Tag;
                if (!lineBreaks.isEmpty()) {
                    // The value's line breaks, moved behind it where they
                    // are white space inside the tag, keep the parser's
                    // line numbers (and with them those in errors) true.
                    out += in.sliced(copied, i + 1 - copied);
                    out += lineBreaks;
                    lineBreaks.clear();
                    copied = i + 1;
                }
            } else if (c == u'\t' || c == u'\r' || c == u'\n') {
                if (out.isEmpty())
                    out.reserve(in.size() + in.size() / 8);
                out += in.sliced(copied, i - copied);
                const char* reference = c == u'\t' ? "&#x9;" : c == u'\r' ? "&#xd;" : "&#xa;";
                if constexpr (std::is_same_v<Text, QByteArray>)
                    out += reference;
                else
                    out += QLatin1String(reference);
                if (c != u'\t')
                    lineBreaks += in.at(i);
                copied = i + 1;
            }
            break;
        case State::Skipped:
            if (startsAt(i, skipEnd)) {
                i += static_cast<qsizetype>(skipEnd.size()) - 1;
                state = State::Content;
            }
            break;
        }
    }
    if (copied == 0)
        return in;
    out += in.sliced(copied);
    return out;
}

} // namespace

QByteArray EscapeRawLineBreaks(const QByteArray& raw)
{
    const auto startsWith = [&raw](std::initializer_list<unsigned char> bytes) {
        if (raw.size() < static_cast<qsizetype>(bytes.size()))
            return false;
        qsizetype i = 0;
        for (const unsigned char b : bytes) {
            if (static_cast<unsigned char>(raw[i++]) != b)
                return false;
        }
        return true;
    };
    std::optional<QStringConverter::Encoding> utf16;
    if (startsWith({ 0xFF, 0xFE, 0x00, 0x00 }) || startsWith({ 0x00, 0x00, 0xFE, 0xFF }))
        return raw; // UTF-32: left to the parser as it is
    if (startsWith({ 0xFF, 0xFE }) || startsWith({ 0x3C, 0x00 }))
        utf16 = QStringConverter::Utf16LE;
    else if (startsWith({ 0xFE, 0xFF }) || startsWith({ 0x00, 0x3C }))
        utf16 = QStringConverter::Utf16BE;
    if (!utf16)
        return EscapeRawLineBreaksInValues(raw);
    // The byte order mark is kept as U+FEFF and written back once: a file
    // with a second mark then reads the same with or without the escapes.
    QStringDecoder decode(*utf16, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decode(raw);
    if (decode.hasError())
        return raw; // the parser gives the error
    const QString escaped = EscapeRawLineBreaksInValues(text);
    if (escaped.size() == text.size())
        return raw;
    QStringEncoder encode(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    return encode(escaped.startsWith(QChar(0xFEFF)) ? escaped.mid(1) : escaped);
}

} // namespace engine::xmlpersist
