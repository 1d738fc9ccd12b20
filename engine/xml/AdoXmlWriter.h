// Private to the XML persistence code: the lexical form of ADO's recordset
// files, character for character. Single-quoted attribute values with the
// five markup characters as lower-case hex character references (never
// &amp;), every other character raw UTF-8 (TAB, CR and LF too), CR LF line
// ends, TAB indentation, and long start tags wrapped between attributes
// onto a line of the same indentation and one space. What the elements
// mean is the caller's; this only lays them out.
#pragma once

#include <QByteArray>
#include <QString>

namespace engine::xmlpersist {

class AdoXmlWriter {
public:
    // ADO wraps a start tag before an attribute that would take its line
    // past this many characters (a TAB counting as one). Its exact rule is
    // not known; every wrapped line seen was at least 108 characters long
    // and would have reached at least 126 with the next attribute.
    static constexpr qsizetype kWrapWidth = 125;

    // A whole line of markup, written as it is.
    void Line(int indent, const char* text);

    // Opens a start tag; attributes follow, then EndStartTag.
    void StartTag(int indent, const char* qualifiedName);
    void Attribute(const QString& name, const QString& value);
    void Attribute(const char* name, const QString& value) { Attribute(QString::fromLatin1(name), value); }
    // Ends the start tag: "/>" for an element without content.
    void EndStartTag(bool empty);

    // The document, without a line end after the closing root tag.
    QByteArray Finish();

private:
    QByteArray m_out;
    QByteArray m_attribute; // the attribute being written, reused for each
    int m_indent = 0; // of the start tag being written
    qsizetype m_lineLength = 0; // characters on the current line so far
    int m_attributesOnLine = 0;
};

} // namespace engine::xmlpersist
