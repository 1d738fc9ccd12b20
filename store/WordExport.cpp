// The export reads each table through one snapshot recordset in ID order
// and writes the text formats in pieces of about a megabyte, so that a
// large list never sits in memory twice.
#include "store/WordExport.h"

#include "engine/ado/Connection.h"
#include "engine/ado/Field.h"
#include "engine/ado/Recordset.h"
#include "platform/ComError.h"
#include "platform/MessageBox.h"
#include "store/CWordStore.h"
#include "store/DelimitedWordList.h"
#include "store/WordListError.h"
#include "store/XmlWordList.h"

#include <QIODevice>

namespace {

QString Text(const platform::Variant& value)
{
    return value.vt() == platform::VT_BSTR ? value.bstrVal() : QString();
}

} // namespace

WordExport::WordExport(CWordStore& store)
    : m_store(store)
{
}

qint64 WordExport::Write(QIODevice& out, Table table, WordListFormat format)
{
    QString dataFile;
    m_store.GetDataFilePath(QStringLiteral("db.mdb"), dataFile);
    {
        platform::RecordingMessageSink shown;
        if (!m_store.OpenDatabase())
            throw WordListError(dataFile, 0,
                QStringLiteral("cannot open the data file: %1").arg(m_store.m_database.GetErrorDescription()));
    }
    const bool withTable = table == Table::All;
    std::vector<std::pair<QString, QString>> sources; // table, its name in the list
    if (table != Table::Study)
        sources.emplace_back(QStringLiteral("NewWords"), QStringLiteral("new"));
    if (table != Table::New)
        sources.emplace_back(QStringLiteral("Words"), QStringLiteral("study"));

    const auto flush = [&](QByteArray& buffer) {
        if (out.write(buffer) != buffer.size())
            throw WordListError(QString(), 0, QStringLiteral("cannot write the list: %1").arg(out.errorString()));
        buffer.clear();
    };

    qint64 count = 0;
    QByteArray buffer;
    std::vector<WordListRow> xmlRows;
    try {
        const std::shared_ptr<engine::Connection> connection = m_store.m_database.GetActiveConnection();
        if (format != WordListFormat::Xml)
            WriteDelimitedWordListHeader(buffer, format, withTable);
        for (const auto& [tableName, listName] : sources) {
            auto rs = connection->Execute(
                QStringLiteral("SELECT Word, Pronunciation, Description FROM %1 ORDER BY ID").arg(tableName));
            const std::shared_ptr<engine::Fields> fields = rs->GetFields();
            const auto word = fields->Item(0), pronunciation = fields->Item(1), description = fields->Item(2);
            for (; !rs->IsEOF(); rs->MoveNext()) {
                WordListRow row;
                row.word = Text(word->Value());
                row.pronunciation = Text(pronunciation->Value());
                row.description = Text(description->Value());
                if (withTable)
                    row.table = listName;
                ++count;
                if (format == WordListFormat::Xml) {
                    xmlRows.push_back(std::move(row));
                    continue;
                }
                WriteDelimitedWordListRow(buffer, format, row, withTable);
                if (buffer.size() > (1 << 20))
                    flush(buffer);
            }
        }
    } catch (const platform::ComError& e) {
        m_store.CloseDatabase();
        throw WordListError(dataFile, 0, e.Description().value_or(platform::CodeMeaning(e.Error())));
    }
    m_store.CloseDatabase();
    if (format == WordListFormat::Xml)
        buffer = WriteXmlWordList(xmlRows, withTable);
    flush(buffer);
    return count;
}
