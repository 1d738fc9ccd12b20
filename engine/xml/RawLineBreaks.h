// Private to the XML persistence code: ADO writes TAB, CR and LF raw
// inside attribute values (a memo's line breaks, a name with a TAB), where
// an XML parser must turn each into a space (and a CR LF pair into one).
// So that such values read back as they were written, those three
// characters inside attribute values become character references before
// the parser sees the file; everything else passes unchanged.
#pragma once

#include <QByteArray>

namespace engine::xmlpersist {

// The file's bytes with raw TAB, CR and LF inside attribute values turned
// into character references. UTF-16 (told by its byte order mark or by its
// first '<') comes back as UTF-16 with a mark; any other encoding is taken
// as ASCII-compatible (UTF-8, or what the declaration names), where those
// characters and the markup are single bytes that never occur inside
// another character. Bytes that are no well-formed XML pass through for
// the parser to refuse.
QByteArray EscapeRawLineBreaks(const QByteArray& fileBytes);

} // namespace engine::xmlpersist
