// The import's steps. The words are first put into a staging table inside
// the transaction, so that the duplicate checks are SQL the engine runs
// with its own text equality, set against set: an IN over a subquery is
// one pass over each table, where a lookup per word would scan NewWords
// once for every word. The staging table is dropped before the commit, so
// the data file never shows it.
#include "store/WordImport.h"

#include "engine/ado/Connection.h"
#include "engine/ado/Field.h"
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

namespace {

constexpr const char* kCreateStaging = "CREATE TABLE LexitrainImportStaging (Seq LONG, Word TEXT(255), "
                                       "Pronunciation TEXT(255), Description MEMO)";
constexpr const char* kDropStaging = "DROP TABLE LexitrainImportStaging";
// The three kinds of duplicate, each as a condition on a staging row.
constexpr const char* kAmongNewWords = "Word IN (SELECT Word FROM NewWords)";
constexpr const char* kInStudy = "Word IN (SELECT Word FROM Words)";
constexpr const char* kEarlierInList = "Seq NOT IN (SELECT Min(Seq) FROM LexitrainImportStaging GROUP BY Word)";
constexpr const char* kMoveIntoNewWords
    = "INSERT INTO NewWords (Word, Pronunciation, Description) "
      "SELECT Word, Pronunciation, Description FROM LexitrainImportStaging ORDER BY Seq";

// A Jet text literal; an empty text is Null, as the trainer stores it.
QString Literal(const QString& text)
{
    if (text.isEmpty())
        return QStringLiteral("Null");
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return u'\'' + quoted + u'\'';
}

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
    const auto execute = [&](const QString& sql) {
        platform::Variant affected;
        connection->Execute(sql, &affected, engine::adExecuteNoRecords);
        return affected.lVal();
    };
    const auto seqs = [&](const char* condition) {
        std::vector<qsizetype> found;
        auto rs = connection->Execute(
            QStringLiteral("SELECT Seq FROM LexitrainImportStaging WHERE %1 ORDER BY Seq").arg(condition));
        for (; !rs->IsEOF(); rs->MoveNext())
            found.push_back(rs->GetFields()->Item(0)->Value().lVal());
        return found;
    };

    connection->BeginTrans();
    try {
        execute(QString::fromLatin1(kCreateStaging));
        const qint64 total = qint64(m_rows.size());
        // Many rows to a statement: each statement costs a translation and a
        // prepare, whatever its size. 500 is SQLite's default limit on the
        // terms of a compound SELECT.
        constexpr qsizetype kRowsPerStatement = 500;
        for (qsizetype first = 0; first < qsizetype(m_rows.size()); first += kRowsPerStatement) {
            QString sql = QStringLiteral("INSERT INTO LexitrainImportStaging (Seq, Word, Pronunciation, Description) ");
            const qsizetype end = std::min(first + kRowsPerStatement, qsizetype(m_rows.size()));
            for (qsizetype i = first; i < end; ++i) {
                const WordListRow& row = m_rows[size_t(i)];
                if (i > first)
                    sql += QLatin1String(" UNION ALL ");
                sql += QStringLiteral("SELECT %1, %2, %3, %4")
                           .arg(i)
                           .arg(Literal(row.word), Literal(row.pronunciation), Literal(row.description));
            }
            execute(sql);
            if (progress)
                progress(end, total);
        }

        std::vector<SkipReason> reason(m_rows.size(), SkipReason::EarlierInList);
        std::vector<bool> skipped(m_rows.size(), false);
        // Reasons in rising order of weight: a word that is also in a table
        // is reported as such.
        for (const auto& [condition, why] :
            { std::pair { kEarlierInList, SkipReason::EarlierInList }, std::pair { kInStudy, SkipReason::InStudy },
                std::pair { kAmongNewWords, SkipReason::AmongNewWords } }) {
            for (const qsizetype seq : seqs(condition)) {
                skipped[size_t(seq)] = true;
                reason[size_t(seq)] = why;
            }
        }
        execute(QStringLiteral("DELETE FROM LexitrainImportStaging WHERE %1 OR %2 OR %3")
                    .arg(kAmongNewWords, kInStudy, kEarlierInList));
        result.added = execute(QString::fromLatin1(kMoveIntoNewWords));
        execute(QString::fromLatin1(kDropStaging));
        connection->CommitTrans();
        if (progress)
            progress(total, total);
        for (size_t i = 0; i < m_rows.size(); ++i)
            if (skipped[i])
                result.skipped.push_back({ m_files[m_fileOfRow[i]], m_rows[i], reason[i] });
    } catch (...) {
        try {
            connection->RollbackTrans();
        } catch (const platform::ComError&) {
            // The connection's close rolls back what is still open.
        }
        throw;
    }
}
