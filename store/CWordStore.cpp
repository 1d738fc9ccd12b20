// The word store: the study selections, the card accessors, paging, the
// review answers and the moves of words into study, all through the one
// connection and the one recordset that every selection shares.
// Getting at the data file's path and the start-up backup are in
// CWordStoreBackup.cpp.
#include "store/CWordStore.h"

#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "store/JetConnectionString.h"
#include "store/StudyQueries.h"

#include <QDate>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace {

// A word on its way from NewWords into Words.
struct WordEntry {
    QString word;
    QString pronunciation;
    QString description;
};

QString TodayText()
{
    const QDate today = platform::Clock::Now().date();
    return QString::asprintf("%04d-%02d-%02d", today.year(), today.month(), today.day());
}

// Doubles the apostrophes of a text put into a single-quoted SQL literal,
// so that "don't" is looked up as typed and no typed text can end the
// literal early and change the statement.
QString QuoteSqlText(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return quoted;
}

// Why "Remember" must not double the interval nOld (the field's 32 bits),
// or nothing when it may. The selections add the interval to the date; a
// row whose interval does not fit a signed 32-bit number, or whose due day
// falls after the last day of the calendar, makes that arithmetic fail for
// every row of every day's review, so such a row is never written. A
// negative interval (a hand-mended file) has no doubling that means
// anything. 0 and NULL still count as 1.
std::optional<QString> DoublingRefusal(unsigned long nOld)
{
    const qint64 nInterval = static_cast<std::int32_t>(static_cast<std::uint32_t>(nOld));
    if (nInterval < 0)
        return QStringLiteral("The review interval of this word (%1 days) is not a number of days; "
                              "the word was not changed.")
            .arg(nInterval);
    const qint64 nDoubled = 2 * std::max<qint64>(nInterval, 1);
    const QDate today = platform::Clock::Now().date();
    const QDate lastDay(9999, 12, 31); // the last day the selections' date arithmetic reaches
    if (nDoubled > std::numeric_limits<std::int32_t>::max() || today.addDays(nDoubled) > lastDay)
        return QStringLiteral("The review interval of this word (%1 days) cannot be doubled: the next review "
                              "would fall after 31 December 9999. The word was not changed.")
            .arg(nInterval);
    return std::nullopt;
}

}  // namespace

CWordStore::CWordStore() : m_nMode(modeNone) {}

CWordStore::~CWordStore() = default;

bool CWordStore::OpenDatabase()
{
    m_nMode = modeNone;
    QString strPath;
    if (!GetDataFilePath(QStringLiteral("db.mdb"), strPath)) {
        platform::ShowMessage(QStringLiteral("Error: Falied to get data file."), platform::MB_ICONERROR);
        return false;
    }
    return m_database.Open(JetConnectionString(strPath), QString(), QString());
}

void CWordStore::CloseDatabase()
{
    m_nMode = modeNone;
    m_database.Close();
}

unsigned long CWordStore::GetWordCount()
{
    // A selection that could not be opened at all leaves the recordset
    // closed, and counting a closed recordset raises an error that would
    // end the whole run. It is a failed selection, not an empty one: say
    // so with a count that is not 0, and the main loop tells the user.
    if (!m_recordset.IsOpen())
        return kNoSelection;
    return m_recordset.GetRecordCount();
}

bool CWordStore::OpenSelection(int nMode, const QString& strQuery)
{
    m_nMode = nMode;
    if (!m_recordset.Open(m_database.GetActiveConnection(), strQuery, CADORecordset::openQuery))
        return false;
    if (m_recordset.GetRecordCount() == 0)
        return false;
    return m_recordset.MoveFirst();
}

bool CWordStore::OpenReviewList() { return OpenSelection(modeReview, QString::fromUtf8(studyqueries::kReviewList)); }

bool CWordStore::OpenLearnList() { return OpenSelection(modeLearn, QString::fromUtf8(studyqueries::kLearnList)); }

QString CWordStore::GetNumberField(const QString& strField)
{
    if (m_recordset.IsEof())
        return QStringLiteral("-1");
    unsigned long nValue = 0;
    if (!m_recordset.GetFieldValue(strField, nValue))
        return QStringLiteral("-1");
    // Shown as a signed number, as the card always has.
    return QString::number(static_cast<int>(nValue));
}

QString CWordStore::GetTextField(const QString& strField)
{
    if (m_recordset.IsEof())
        return QStringLiteral("(Null)");
    QString strValue;
    if (!m_recordset.GetFieldValue(strField, strValue, QString()))
        return QStringLiteral("(Null)");
    return strValue;
}

QString CWordStore::GetID() { return GetNumberField(QStringLiteral("ID")); }
QString CWordStore::GetMemoryCycle() { return GetNumberField(QStringLiteral("MemoryCycle")); }
QString CWordStore::GetWord() { return GetTextField(QStringLiteral("Word")); }
QString CWordStore::GetPronunciation() { return GetTextField(QStringLiteral("Pronunciation")); }
QString CWordStore::GetDescription() { return GetTextField(QStringLiteral("Description")); }

bool CWordStore::MoveNext()
{
    if (!m_recordset.MoveNext())
        return false;
    if (m_recordset.IsEof()) {
        m_recordset.MovePrevious();
        return false;
    }
    return true;
}

bool CWordStore::MovePrevious()
{
    if (!m_recordset.MovePrevious())
        return false;
    if (m_recordset.IsBof()) {
        m_recordset.MoveNext();
        return false;
    }
    return true;
}

bool CWordStore::Remember()
{
    if (m_nMode != modeReview)
        return false;
    if (!UpdateMemoryCycle(false))
        return false;
    return m_recordset.MoveNext();
}

bool CWordStore::Forget()
{
    if (m_nMode != modeReview)
        return false;
    if (!UpdateMemoryCycle(true))
        return false;
    return m_recordset.MoveNext();
}

bool CWordStore::UpdateMemoryCycle(bool bForgotten)
{
    if (m_recordset.IsEof())
        return false;
    m_recordset.Edit();

    unsigned long nOld = 0;
    if (!m_recordset.GetFieldValue(QStringLiteral("MemoryCycle"), nOld)) {
        m_recordset.CancelUpdate();
        return false;
    }
    if (!bForgotten) {
        const std::optional<QString> strRefusal = DoublingRefusal(nOld);
        if (strRefusal) {
            m_recordset.CancelUpdate();
            platform::ShowMessage(*strRefusal, platform::MB_ICONERROR);
            return false;
        }
    }
    const bool bWritten = bForgotten
        ? m_recordset.SetFieldValue(QStringLiteral("MemoryCycle"), 1)
        : m_recordset.SetFieldValue(QStringLiteral("MemoryCycle"), static_cast<unsigned long>(2 * (nOld == 0 ? 1 : nOld)));
    if (!bWritten) {
        m_recordset.CancelUpdate();
        return false;
    }
    if (!m_recordset.SetFieldValue(QStringLiteral("date"), TodayText())) {
        m_recordset.CancelUpdate();
        return false;
    }
    if (!m_recordset.Update()) {
        m_recordset.CancelUpdate();
        // Refused most often because another running copy changed the
        // card since it was read: the card is then shown as the file now
        // holds it, not as it was.
        m_recordset.Resync();
        return false;
    }
    return true;
}

bool CWordStore::ModifyCurrentWord(QString strWord, QString strPronunciation, QString strDescription)
{
    m_recordset.Edit();
    if (!m_recordset.SetFieldValue(QStringLiteral("Word"), strWord)
        || !m_recordset.SetFieldValue(QStringLiteral("Pronunciation"), strPronunciation)
        || !m_recordset.SetFieldValue(QStringLiteral("Description"), strDescription)) {
        // The edit is left pending, as it always was; the next Update or
        // Open settles it.
        return false;
    }
    return m_recordset.Update();
}

bool CWordStore::WriteWordFields(const QString& strWord, const QString& strPronunciation,
                                 const QString& strDescription)
{
    return m_recordset.SetFieldValue(QStringLiteral("Word"), strWord)
        && m_recordset.SetFieldValue(QStringLiteral("Pronunciation"), strPronunciation)
        && m_recordset.SetFieldValue(QStringLiteral("Description"), strDescription);
}

bool CWordStore::AddNewWord(QString strWord, QString strPronunciation, QString strDescription)
{
    m_nMode = modeNone;
    // A NUL cannot stand inside the lookup's SQL text, and a word with one
    // in it is no word a user typed.
    if (strWord.contains(QChar(0))) {
        platform::ShowMessage(
            QStringLiteral("The word contains a NUL character (code 0), which a word cannot hold; it was not added."),
            platform::MB_ICONERROR);
        return false;
    }
    const QString strQuery = QString(studyqueries::kNewWordLookup).arg(QuoteSqlText(strWord));
    if (!m_recordset.Open(m_database.GetActiveConnection(), strQuery, CADORecordset::openQuery))
        return false;
    if (m_recordset.GetRecordCount() != 0)
        return false;
    if (!m_recordset.AddNew())
        return false;
    if (!WriteWordFields(strWord, strPronunciation, strDescription)) {
        m_recordset.CancelUpdate();
        return false;
    }
    const bool bUpdated = m_recordset.Update();
    m_recordset.Close();
    return bUpdated;
}

int CWordStore::AddWordsToList(int nCount)
{
    m_nMode = modeNone;
    if (nCount <= 0)
        return 0;

    // The whole move is one transaction: a word leaves NewWords only if it
    // arrives in Words, so a failure at any step (a read, a delete, the
    // open of Words, an append, the commit) rolls back to the state before
    // and no word is lost or doubled.
    if (!m_database.BeginTrans())
        return 0;
    const int nMoved = MoveWordsIntoStudy(nCount);
    if (nMoved > 0 && m_database.CommitTrans())
        return nMoved;
    m_database.RollbackTrans();
    return 0;
}

int CWordStore::MoveWordsIntoStudy(int nCount)
{
    if (!m_recordset.Open(m_database.GetActiveConnection(), QString(studyqueries::kFirstNewWords).arg(nCount),
                          CADORecordset::openQuery))
        return 0;
    if (m_recordset.GetRecordCount() == 0 || !m_recordset.MoveFirst())
        return 0;

    std::vector<WordEntry> entries;
    while (!m_recordset.IsEof()) {
        WordEntry entry;
        if (!m_recordset.GetFieldValue(QStringLiteral("Word"), entry.word, QString())
            || !m_recordset.GetFieldValue(QStringLiteral("Pronunciation"), entry.pronunciation, QString())
            || !m_recordset.GetFieldValue(QStringLiteral("Description"), entry.description, QString()))
            return 0;
        entries.push_back(entry);
        if (!m_recordset.Delete() || !m_recordset.MoveNext())
            return 0;
    }

    if (!m_recordset.Open(m_database.GetActiveConnection(), QString::fromUtf8(studyqueries::kAppendTarget),
                          CADORecordset::openQuery))
        return 0;
    for (const WordEntry& entry : entries) {
        if (!m_recordset.AddNew() || !WriteWordFields(entry.word, entry.pronunciation, entry.description)
            || !m_recordset.Update())
            return 0;
    }
    return static_cast<int>(entries.size());
}
