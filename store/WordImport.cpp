// The import's steps. Whether a word is a duplicate is decided with the
// engine's own text equality taken as a key (JetTextKey): the words of the
// lists are keyed once, and the words of NewWords and Words are each read in
// one pass and looked up among them, where a lookup per word would scan
// NewWords once for every word and a comparison in SQL would sort both
// sides. The accepted words then go into NewWords through one prepared
// command, in order, inside one transaction.
#include "store/WordImport.h"

#include "engine/ado/Command.h"
#include "engine/ado/Connection.h"
#include "engine/ado/Field.h"
#include "engine/ado/JetTextKey.h"
#include "engine/ado/Recordset.h"
#include "platform/ComError.h"
#include "platform/MessageBox.h"
#include "store/CWordStore.h"
#include "store/DelimitedWordList.h"
#include "store/WordListError.h"
#include "store/XmlWordList.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <bit>

namespace {

// Words go in up to 500 to a run of one prepared command: a statement per
// word pays SQLite's work per statement (the AutoNumber's counter among it)
// for every word. 500 is SQLite's default limit on the terms of a compound
// SELECT.
constexpr size_t kWordsPerRun = 500;

// A prepared command that adds the next count words to NewWords in order,
// with three parameters to each word.
std::shared_ptr<engine::Command> AddCommand(const std::shared_ptr<engine::Connection>& connection, size_t count)
{
    QString sql = QStringLiteral("INSERT INTO NewWords (Word, Pronunciation, Description) ");
    for (size_t i = 0; i < count; ++i)
        sql += i == 0 ? QStringLiteral("SELECT ?, ?, ?") : QStringLiteral(" UNION ALL SELECT ?, ?, ?");
    auto command = engine::Command::Create();
    command->SetActiveConnection(connection);
    command->SetCommandText(sql);
    command->SetCommandType(engine::adCmdText);
    command->SetPrepared(true);
    for (size_t i = 0; i < count; ++i)
        for (const long type : { engine::adVarWChar, engine::adVarWChar, engine::adLongVarWChar })
            command->GetParameters()->Append(command->CreateParameter(QString(), type, engine::adParamInput, 1 << 30));
    return command;
}

// A text as the trainer stores it: an empty text is Null.
platform::Variant Stored(const QString& text)
{
    return text.isEmpty() ? platform::Variant::Null() : platform::Variant::FromBstr(text);
}

// The words of the lists by their keys, in groups of equal words: an open
// addressing table of hashes, so that a lookup (one for each word of both
// tables) costs about one cache line where a map of nodes costs several.
class WordGroups {
public:
    static constexpr size_t kNone = size_t(-1);

    explicit WordGroups(size_t rows)
        : m_slots(std::bit_ceil(std::max<size_t>(2 * rows, 16)))
    {
        m_keys.reserve(rows);
    }
    // Adds the next row's key; returns its group, the first row whose key
    // is equal.
    size_t Add(std::string key)
    {
        const size_t row = m_keys.size();
        m_keys.push_back(std::move(key));
        Slot& slot = m_slots[Probe(m_keys.back())];
        if (slot.group == kNone)
            slot = { Hash(m_keys.back()), row };
        return slot.group;
    }
    // The group whose key is key, or kNone.
    size_t Find(const std::string& key) const { return m_slots[Probe(key)].group; }

private:
    struct Slot {
        size_t hash = 0;
        size_t group = kNone;
    };
    static size_t Hash(const std::string& key) { return std::hash<std::string>()(key); }
    // The slot holding key's group, or the empty one where it would go.
    size_t Probe(const std::string& key) const
    {
        const size_t hash = Hash(key);
        const size_t mask = m_slots.size() - 1;
        for (size_t at = hash & mask;; at = (at + 1) & mask) {
            const Slot& slot = m_slots[at];
            if (slot.group == kNone || (slot.hash == hash && m_keys[slot.group] == key))
                return at;
        }
    }

    std::vector<Slot> m_slots;
    std::vector<std::string> m_keys; // by row
};

QString ErrorText(const platform::ComError& e)
{
    return e.Description().value_or(platform::CodeMeaning(e.Error()));
}

// What a store call showed instead of the message box, as one line.
QString Shown(const platform::RecordingMessageSink& sink)
{
    QStringList lines;
    for (const auto& message : sink.Messages())
        for (const QString& line :
            message.text.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts))
            lines.append(line.trimmed());
    return lines.join(QStringLiteral("; "));
}

} // namespace

WordImport::WordImport(CWordStore& store)
    : m_store(store)
{
}

void WordImport::Check(const QString& file, const WordListRow& row) const
{
    if (row.word.size() > kMaxTextLength)
        throw WordListError(file, row.line,
            QStringLiteral("the word is longer than %1 characters (%2)").arg(kMaxTextLength).arg(row.word.size()));
    if (row.pronunciation.size() > kMaxTextLength)
        throw WordListError(file, row.line,
            QStringLiteral("the pronunciation is longer than %1 characters (%2)")
                .arg(kMaxTextLength)
                .arg(row.pronunciation.size()));
    // A NUL would end the statement early; no word list means one.
    for (const QString* text : { &row.word, &row.pronunciation, &row.description })
        if (text->contains(QChar(0)))
            throw WordListError(file, row.line, QStringLiteral("the text holds a NUL character"));
}

void WordImport::AddFile(const QString& path, std::optional<WordListFormat> format)
{
    const QString name = path;
    if (!format)
        format = WordListFormatOfFile(path);
    if (!format)
        throw WordListError(name, 0, QStringLiteral("unknown format; name it with --format csv|tsv|xml"));
    WordListContents contents;
    if (*format == WordListFormat::Xml) {
        if (!QFileInfo(path).isFile())
            throw WordListError(name, 0, QStringLiteral("no such file"));
        contents = ReadXmlWordList(path, name);
    } else {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw WordListError(name, 0, file.errorString());
        contents = ReadDelimitedWordList(file.readAll(), name, *format);
    }
    for (const WordListRow& row : contents.rows)
        Check(name, row);
    if (!contents.ignoredColumns.isEmpty())
        m_warnings.append(QStringLiteral("%1: ignored column(s): %2").arg(name, contents.ignoredColumns.join(", ")));
    const int fileIndex = int(m_files.size());
    m_files.append(name);
    m_rows.reserve(m_rows.size() + contents.rows.size());
    m_fileOfRow.reserve(m_rows.capacity());
    for (WordListRow& row : contents.rows) {
        m_rows.push_back(std::move(row));
        m_fileOfRow.push_back(fileIndex);
    }
}

WordImport::Result WordImport::Run(const Progress& progress)
{
    QString dataFile;
    m_store.GetDataFilePath(QStringLiteral("db.mdb"), dataFile);
    {
        platform::RecordingMessageSink shown;
        if (!m_store.BackupDataFile())
            throw WordListError(
                dataFile, 0, QStringLiteral("no backup could be written, nothing imported: %1").arg(Shown(shown)));
        if (!m_store.OpenDatabase())
            throw WordListError(dataFile, 0,
                QStringLiteral("cannot open the data file: %1").arg(m_store.m_database.GetErrorDescription()));
    }
    Result result;
    try {
        AddWords(result, progress);
    } catch (const platform::ComError& e) {
        m_store.CloseDatabase();
        throw WordListError(dataFile, 0, QStringLiteral("nothing imported: %1").arg(ErrorText(e)));
    }
    m_store.CloseDatabase();
    return result;
}

void WordImport::AddWords(Result& result, const Progress& progress)
{
    const std::shared_ptr<engine::Connection> connection = m_store.m_database.GetActiveConnection();
    // Equal words of the lists form a group, named by its first row.
    WordGroups groups(m_rows.size());
    std::vector<size_t> group(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i)
        group[i] = groups.Add(engine::JetTextKey(m_rows[i].word));
    std::vector<std::optional<SkipReason>> inTable(m_rows.size());

    connection->BeginTrans();
    try {
        // Study first, so that a word in both tables is reported as among
        // the new words, as the heavier reason.
        for (const auto& [table, why] :
            { std::pair { "Words", SkipReason::InStudy }, std::pair { "NewWords", SkipReason::AmongNewWords } }) {
            auto rs = connection->Execute(QStringLiteral("SELECT Word FROM %1").arg(QLatin1String(table)));
            const std::shared_ptr<engine::Field> word = rs->GetFields()->Item(0);
            for (; !rs->IsEOF(); rs->MoveNext()) {
                const platform::Variant value = word->Value();
                // A TEXT column holds only text or Null, but another tool can
                // store bytes there; those equal no word of a list.
                if (value.vt() != platform::VT_BSTR)
                    continue;
                const size_t found = groups.Find(engine::JetTextKey(value.bstrVal()));
                if (found != WordGroups::kNone)
                    inTable[found] = why;
            }
        }

        std::vector<std::optional<SkipReason>> reason(m_rows.size());
        for (size_t i = 0; i < m_rows.size(); ++i) {
            if (inTable[group[i]])
                reason[i] = inTable[group[i]];
            else if (group[i] != i)
                reason[i] = SkipReason::EarlierInList;
        }

        std::vector<size_t> accepted;
        for (size_t i = 0; i < m_rows.size(); ++i)
            if (!reason[i])
                accepted.push_back(i);
        const qint64 total = qint64(m_rows.size());
        std::shared_ptr<engine::Command> add;
        for (size_t first = 0; first < accepted.size(); first += kWordsPerRun) {
            const size_t count = std::min(kWordsPerRun, accepted.size() - first);
            if (!add || size_t(add->GetParameters()->Count()) != 3 * count)
                add = AddCommand(connection, count);
            const std::vector<std::shared_ptr<engine::Parameter>>& values = add->GetParameters()->All();
            for (size_t k = 0; k < count; ++k) {
                const WordListRow& row = m_rows[accepted[first + k]];
                values[3 * k]->SetValue(Stored(row.word));
                values[3 * k + 1]->SetValue(Stored(row.pronunciation));
                values[3 * k + 2]->SetValue(Stored(row.description));
            }
            platform::Variant affected;
            add->Execute(&affected, long(engine::adCmdText) | engine::adExecuteNoRecords);
            result.added += affected.lVal();
            if (progress)
                progress(qint64(accepted[first + count - 1] + 1), total);
        }
        connection->CommitTrans();
        if (progress)
            progress(total, total);
        for (size_t i = 0; i < m_rows.size(); ++i)
            if (reason[i])
                result.skipped.push_back({ m_files[m_fileOfRow[i]], m_rows[i], *reason[i] });
    } catch (...) {
        try {
            connection->RollbackTrans();
        } catch (const platform::ComError&) {
            // The connection's close rolls back what is still open.
        }
        throw;
    }
}
