// Reading and writing delimited word lists. libcsv is fed one line at a
// time, so that every row and every parse error carries the line it starts
// on; its white-space trimming is turned off, since a leading or trailing
// space in a word is the user's and must survive a round trip.
#include "store/DelimitedWordList.h"

#include "store/WordListError.h"

#include <QStringDecoder>
#include <csv.h>
#include <optional>

namespace {

enum Column { kWord = 0, kPronunciation = 1, kDescription = 2, kTable = 3, kIgnored = -1 };

int ColumnOfName(const QString& name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("word") || n == QLatin1String("front"))
        return kWord;
    if (n == QLatin1String("pronunciation"))
        return kPronunciation;
    if (n == QLatin1String("description") || n == QLatin1String("back"))
        return kDescription;
    if (n == QLatin1String("table"))
        return kTable;
    return kIgnored;
}

int NoSpace(unsigned char)
{
    return 0;
}

// What the callbacks build.
struct ParseState {
    QString fileName;
    std::vector<QStringList> rows;
    std::vector<int> rowLines;
    QStringList current;
    // The line the row being read began on; 0 between rows.
    int rowStart = 0;
    // The line being fed.
    int line = 0;
    // Set by a field that is not UTF-8; thrown once libcsv has returned.
    std::optional<WordListError> error;
};

void OnField(void* data, size_t size, void* opaque)
{
    auto& state = *static_cast<ParseState*>(opaque);
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(QByteArrayView(static_cast<const char*>(data), qsizetype(size)));
    if (decoder.hasError() && !state.error)
        state.error.emplace(state.fileName, state.rowStart, QStringLiteral("the text is not UTF-8"));
    state.current.append(std::move(text));
}

void OnRow(int, void* opaque)
{
    auto& state = *static_cast<ParseState*>(opaque);
    state.rows.push_back(std::move(state.current));
    state.rowLines.push_back(state.rowStart);
    // Rows are alike: room for as many fields as the last one had.
    state.current.clear();
    state.current.reserve(state.rows.back().size());
    state.rowStart = 0;
}

QString LibcsvError(int code)
{
    switch (code) {
    case CSV_EPARSE:
        return QStringLiteral("malformed line: a quote stands inside an unquoted field, or a quoted field is not "
                              "followed by a separator");
    case CSV_ENOMEM:
    case CSV_ETOOBIG:
        return QStringLiteral("a field is too large to read");
    default:
        return QStringLiteral("malformed line");
    }
}

// The '#'-prefixed lines that open a TSV file.
struct TsvHeader {
    char delimiter = '\t';
    QStringList columns;
    qsizetype bodyStart = 0; // offset of the first line after the header lines
    int lines = 0;
};

TsvHeader ReadTsvHeader(const QByteArray& bytes, qsizetype start)
{
    TsvHeader header;
    header.bodyStart = start;
    while (header.bodyStart < bytes.size() && bytes[header.bodyStart] == '#') {
        qsizetype end = bytes.indexOf('\n', header.bodyStart);
        if (end < 0)
            end = bytes.size();
        QString line = QString::fromUtf8(bytes.mid(header.bodyStart, end - header.bodyStart));
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype colon = line.indexOf(u':');
        const QString key = line.mid(1, colon - 1).trimmed().toLower();
        const QString value = colon < 0 ? QString() : line.mid(colon + 1);
        if (key == QLatin1String("separator")) {
            const QString v = value.trimmed().toLower();
            header.delimiter = v == QLatin1String("tab") ? '\t'
                : v == QLatin1String("comma")            ? ','
                : v == QLatin1String("semicolon")        ? ';'
                : v == QLatin1String("pipe")             ? '|'
                : v == QLatin1String("space")            ? ' '
                : v.size() == 1 && v[0].unicode() < 0x80 ? char(v[0].unicode())
                                                         : '\t';
        } else if (key == QLatin1String("columns")) {
            header.columns = value.split(QLatin1Char(header.delimiter));
        }
        header.bodyStart = end + 1;
        ++header.lines;
    }
    return header;
}

// A first row is a header when it names the word column and at least one
// other known column: a list whose first word is "Word" stays a list.
bool IsHeaderRow(const QStringList& fields)
{
    bool word = false;
    bool other = false;
    for (const QString& field : fields) {
        const int column = ColumnOfName(field);
        word = word || column == kWord;
        other = other || (column != kWord && column != kIgnored);
    }
    return word && other;
}

bool IsBlank(const QString& text)
{
    return text.trimmed().isEmpty();
}

} // namespace

WordListContents ReadDelimitedWordList(const QByteArray& bytes, const QString& fileName, WordListFormat format)
{
    qsizetype start = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    char delimiter = format == WordListFormat::Tsv ? '\t' : ',';
    QStringList headerNames;
    int line = 0;
    if (format == WordListFormat::Tsv) {
        const TsvHeader header = ReadTsvHeader(bytes, start);
        delimiter = header.delimiter;
        headerNames = header.columns;
        start = header.bodyStart;
        line = header.lines;
    }

    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0)
        throw WordListError(fileName, 0, QStringLiteral("out of memory"));
    csv_set_delim(&parser, static_cast<unsigned char>(delimiter));
    csv_set_space_func(&parser, NoSpace);
    struct Finish {
        csv_parser& p;
        ~Finish() { csv_free(&p); }
    } finish { parser };

    ParseState state;
    state.fileName = fileName;
    for (qsizetype at = start; at < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', at);
        end = end < 0 ? bytes.size() : end + 1;
        state.line = ++line;
        const bool blank = end - at == 1 || (end - at == 2 && bytes[at] == '\r');
        if (state.rowStart == 0 && !blank)
            state.rowStart = line;
        const size_t size = size_t(end - at);
        if (csv_parse(&parser, bytes.constData() + at, size, OnField, OnRow, &state) != size)
            throw WordListError(fileName, line, LibcsvError(csv_error(&parser)));
        if (state.error)
            throw *state.error;
        at = end;
    }
    if (csv_fini(&parser, OnField, OnRow, &state) != 0)
        throw WordListError(fileName, state.rowStart,
            csv_error(&parser) == CSV_EPARSE ? QStringLiteral("malformed line: a quoted field is not closed")
                                             : LibcsvError(csv_error(&parser)));
    if (state.error)
        throw *state.error;

    WordListContents contents;
    size_t first = 0;
    if (headerNames.isEmpty() && !state.rows.empty() && IsHeaderRow(state.rows.front())) {
        headerNames = state.rows.front();
        first = 1;
    }
    // Where each column of the file goes.
    std::vector<int> columns;
    if (!headerNames.isEmpty()) {
        for (const QString& name : headerNames) {
            columns.push_back(ColumnOfName(name));
            if (columns.back() == kIgnored)
                contents.ignoredColumns.append(
                    name.trimmed().isEmpty() ? QStringLiteral("column %1").arg(columns.size()) : name.trimmed());
        }
    } else {
        columns = { kWord, kPronunciation, kDescription };
    }

    contents.rows.reserve(state.rows.size());
    for (size_t i = first; i < state.rows.size(); ++i) {
        const QStringList& fields = state.rows[i];
        WordListRow row;
        row.line = state.rowLines[i];
        bool anyText = false;
        for (qsizetype c = 0; c < fields.size(); ++c) {
            if (size_t(c) >= columns.size()) {
                // A column beyond the header or the three known ones.
                columns.push_back(kIgnored);
                contents.ignoredColumns.append(QStringLiteral("column %1").arg(c + 1));
            }
            switch (columns[size_t(c)]) {
            case kWord:
                row.word = fields[c];
                break;
            case kPronunciation:
                row.pronunciation = fields[c];
                break;
            case kDescription:
                row.description = fields[c];
                break;
            case kTable:
                row.table = fields[c];
                continue; // says where a word was, not what it is
            default:
                continue;
            }
            anyText = anyText || !IsBlank(fields[c]);
        }
        if (!anyText)
            continue;
        if (IsBlank(row.word))
            throw WordListError(fileName, row.line, QStringLiteral("the row has no word"));
        contents.rows.push_back(std::move(row));
    }
    return contents;
}

namespace {

void AppendField(QByteArray& out, const QString& text, char delimiter, bool quoteHash)
{
    const QByteArray utf8 = text.toUtf8();
    const bool quote = utf8.contains(delimiter) || utf8.contains('"') || utf8.contains('\n') || utf8.contains('\r')
        || (quoteHash && utf8.startsWith('#'));
    if (!quote) {
        out += utf8;
        return;
    }
    out += '"';
    for (const char c : utf8) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

void WriteDelimitedWordListHeader(QByteArray& out, WordListFormat format, bool withTable)
{
    if (format == WordListFormat::Tsv) {
        out += "#separator:tab\n#html:false\n#columns:Word\tPronunciation\tDescription";
        out += withTable ? "\tTable\n" : "\n";
    } else {
        out += "Word,Pronunciation,Description";
        out += withTable ? ",Table\r\n" : "\r\n";
    }
}

void WriteDelimitedWordListRow(QByteArray& out, WordListFormat format, const WordListRow& row, bool withTable)
{
    const bool tsv = format == WordListFormat::Tsv;
    const char delimiter = tsv ? '\t' : ',';
    // A TSV line that began with '#' would be read as a header line.
    AppendField(out, row.word, delimiter, tsv);
    out += delimiter;
    AppendField(out, row.pronunciation, delimiter, false);
    out += delimiter;
    AppendField(out, row.description, delimiter, false);
    if (withTable) {
        out += delimiter;
        AppendField(out, row.table, delimiter, false);
    }
    out += tsv ? "\n" : "\r\n";
}
