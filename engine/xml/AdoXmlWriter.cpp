// ADO's lexical form of a recordset file. The line length that decides a
// wrap counts characters, not bytes, as the raw UTF-8 of a value counts
// once per character in an editor's column and, as far as is known, in
// ADO's own count.
#include "engine/xml/AdoXmlWriter.h"

#include <cstring>

namespace engine::xmlpersist {

namespace {

void AppendEscaped(QByteArray& out, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '\'':
            out += "&#x27;";
            break;
        case '"':
            out += "&#x22;";
            break;
        case '&':
            out += "&#x26;";
            break;
        case '<':
            out += "&#x3c;";
            break;
        case '>':
            out += "&#x3e;";
            break;
        default:
            out += c;
            break;
        }
    }
}

} // namespace

void AdoXmlWriter::Line(int indent, const char* text)
{
    m_out.append(indent, '\t');
    m_out += text;
    m_out += "\r\n";
}

void AdoXmlWriter::StartTag(int indent, const char* qualifiedName)
{
    m_indent = indent;
    m_out.append(indent, '\t');
    m_out += '<';
    m_out += qualifiedName;
    m_lineLength = indent + 1 + static_cast<qsizetype>(std::strlen(qualifiedName));
    m_attributesOnLine = 0;
}

void AdoXmlWriter::Attribute(const QString& name, const QString& value)
{
    m_attribute.clear();
    m_attribute += name.toUtf8();
    m_attribute += "='";
    AppendEscaped(m_attribute, value);
    m_attribute += '\'';
    qsizetype length = 0; // in characters: the UTF-8 bytes that start one
    for (const char c : m_attribute)
        length += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    if (m_attributesOnLine > 0 && m_lineLength + 1 + length > kWrapWidth) {
        m_out += "\r\n";
        m_out.append(m_indent, '\t');
        m_lineLength = m_indent;
        m_attributesOnLine = 0;
    }
    m_out += ' ';
    m_out += m_attribute;
    m_lineLength += 1 + length;
    ++m_attributesOnLine;
}

void AdoXmlWriter::EndStartTag(bool empty)
{
    m_out += empty ? "/>\r\n" : ">\r\n";
}

QByteArray AdoXmlWriter::Finish()
{
    if (m_out.endsWith("\r\n"))
        m_out.chop(2);
    return std::move(m_out);
}

} // namespace engine::xmlpersist
