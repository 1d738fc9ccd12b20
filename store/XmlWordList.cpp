// Reading and writing XML word lists through the engine's recordset
// persistence, so that what the trainer's recordsets read and write is
// also what the word lists are.
#include "store/XmlWordList.h"

#include "engine/ado/Field.h"
#include "engine/ado/Recordset.h"
#include "platform/ComError.h"
#include "store/WordListError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <optional>

namespace {

QString ErrorText(const platform::ComError& e)
{
    return e.Description().value_or(platform::CodeMeaning(e.Error()));
}

// A column's text: a string, or nothing for a Null; absent for a number, a
// date or anything else a word list does not hold.
std::optional<QString> TextOf(const platform::Variant& value)
{
    if (value.vt() == platform::VT_BSTR)
        return value.bstrVal();
    if (value.IsNull() || value.IsEmpty())
        return QString();
    return std::nullopt;
}

} // namespace

WordListContents ReadXmlWordList(const QString& filePath, const QString& fileName)
{
    WordListContents contents;
    std::shared_ptr<engine::Recordset> rs = engine::Recordset::Create();
    int row = 0;
    try {
        rs->Open(filePath, QStringLiteral("Provider=MSPersist;"), engine::adOpenForwardOnly, engine::adLockReadOnly,
            engine::adCmdFile);
        const std::shared_ptr<engine::Fields> fields = rs->GetFields();
        // Where each of word, pronunciation, description and table is.
        int columns[4] = { 0, 1, 2, -1 };
        const QString names[4] = { QStringLiteral("word"), QStringLiteral("pronunciation"),
            QStringLiteral("description"), QStringLiteral("table") };
        bool byName = false;
        for (long i = 0; i < fields->Count(); ++i)
            byName = byName || fields->Item(int(i))->Name().toLower() == names[0];
        if (byName) {
            for (int& c : columns)
                c = -1;
            for (long i = 0; i < fields->Count(); ++i) {
                const QString name = fields->Item(int(i))->Name();
                bool known = false;
                for (int k = 0; k < 4; ++k) {
                    if (name.toLower() == names[k]) {
                        columns[k] = int(i);
                        known = true;
                    }
                }
                if (!known)
                    contents.ignoredColumns.append(name);
            }
        } else {
            for (long i = 3; i < fields->Count(); ++i)
                contents.ignoredColumns.append(fields->Item(int(i))->Name());
        }

        while (!rs->IsEOF()) {
            ++row;
            WordListRow entry;
            entry.line = row;
            QString* targets[4] = { &entry.word, &entry.pronunciation, &entry.description, &entry.table };
            bool anyText = false;
            for (int k = 0; k < 4; ++k) {
                if (columns[k] < 0 || columns[k] >= fields->Count())
                    continue;
                const std::optional<QString> text = TextOf(fields->Item(columns[k])->Value());
                if (!text)
                    throw WordListError(fileName, row,
                        QStringLiteral("the %1 column holds a value that is not text")
                            .arg(fields->Item(columns[k])->Name()));
                *targets[k] = *text;
                anyText = anyText || (k < 3 && !text->trimmed().isEmpty());
            }
            if (anyText) {
                if (entry.word.trimmed().isEmpty())
                    throw WordListError(fileName, row, QStringLiteral("the row has no word"));
                contents.rows.push_back(std::move(entry));
            }
            rs->MoveNext();
        }
    } catch (const platform::ComError& e) {
        throw WordListError(fileName, row, ErrorText(e));
    }
    return contents;
}

QByteArray WriteXmlWordList(const std::vector<WordListRow>& rows, bool withTable)
{
    std::vector<engine::ColumnInfo> columns;
    columns.push_back({ QStringLiteral("Word"), engine::adVarWChar, 255 });
    columns.push_back({ QStringLiteral("Pronunciation"), engine::adVarWChar, 255 });
    columns.push_back({ QStringLiteral("Description"), engine::adLongVarWChar, 536870910 });
    if (withTable)
        columns.push_back({ QStringLiteral("Table"), engine::adVarWChar, 5 });
    // The data file keeps an empty text as Null; so does the list.
    const auto value = [](const QString& text) {
        return text.isEmpty() ? platform::Variant::Null() : platform::Variant::FromBstr(text);
    };
    std::vector<std::vector<platform::Variant>> values;
    values.reserve(rows.size());
    for (const WordListRow& row : rows) {
        std::vector<platform::Variant> v { value(row.word), value(row.pronunciation), value(row.description) };
        if (withTable)
            v.push_back(value(row.table));
        values.push_back(std::move(v));
    }
    const std::shared_ptr<engine::Recordset> rs = engine::Recordset::FromRows(columns, std::move(values), false);

    // The engine saves to a new file only.
    QTemporaryDir dir;
    if (!dir.isValid())
        throw WordListError(QString(), 0, QStringLiteral("cannot make a temporary folder for the XML file"));
    const QString path = dir.filePath(QStringLiteral("words.xml"));
    try {
        rs->Save(path, engine::adPersistXML);
    } catch (const platform::ComError& e) {
        throw WordListError(QString(), 0, ErrorText(e));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw WordListError(path, 0, file.errorString());
    return file.readAll();
}
