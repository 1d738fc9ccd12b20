// The word store against real data files at a fixed clock: which cards
// each selection holds, what the answers do to the schedule, the card
// texts, paging, adding words and taking them into study without ever
// losing or doubling one.
#include "engine/ado/Connection.h"
#include "engine/ado/Field.h"
#include "engine/ado/Recordset.h"
#include "platform/Clock.h"
#include "platform/ExecutablePath.h"
#include "platform/MessageBox.h"
#include "store/CWordStore.h"
#include "store/DataFileSchema.h"
#include "store/RawDataFile.h"

#include <QDate>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

using platform::Variant;

namespace {

class WordStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        platform::Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0)));
        platform::SetExecutableFilePathForTesting(m_dir.filePath("lexitrain"));
        CreateDataFile(DataPath());
        m_store = std::make_unique<CWordStore>();
        ASSERT_TRUE(m_store->OpenDatabase());
        m_check = engine::Connection::Create();
        m_check->Open(ConnectionString());
    }

    void TearDown() override
    {
        m_check.reset();
        m_store.reset();
        platform::Clock::Reset();
        platform::ClearExecutableFilePathOverride();
    }

    QString DataPath() const { return m_dir.filePath("db.mdb"); }
    QString ConnectionString() const
    {
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False;")
            .arg(DataPath());
    }

    void Exec(const QString& jetSql) { m_check->Execute(jetSql, nullptr, engine::adExecuteNoRecords); }

    // Adds a card to Words; a date of "NULL" or a cycle of "NULL" leaves
    // the field empty.
    void AddCard(const QString& word, const QString& cycle, const QString& date)
    {
        Exec(QStringLiteral("INSERT INTO Words (Word, Pronunciation, Description, MemoryCycle, [Date]) "
                            "VALUES ('%1', 'p-%1', 'd-%1', %2, %3)")
                 .arg(word, cycle, date));
    }

    static QString DaysAgo(int days)
    {
        return QStringLiteral("#%1#").arg(QDate(2024, 3, 5).addDays(-days).toString("yyyy-MM-dd"));
    }

    Variant Scalar(const QString& jetSql)
    {
        auto rs = engine::Recordset::Create();
        rs->Open(jetSql, m_check, engine::adOpenStatic, engine::adLockOptimistic, engine::adCmdText);
        if (rs->IsEOF())
            return Variant();
        return rs->GetFields()->Item(0)->Value();
    }
    long Count(const QString& table) { return Scalar("SELECT COUNT(*) FROM " + table).lVal(); }
    // Changes the engine's SQL cannot make (triggers, renames), straight
    // through SQLite.
    void RawExec(const char* sql) { EXPECT_TRUE(RawDataFile(DataPath(), true).Exec(QString::fromUtf8(sql))) << sql; }
    // The Date field exactly as the data file holds it.
    QString RawDate(const QString& word)
    {
        const QStringList dates = RawDataFile(DataPath())
                                      .Column(QStringLiteral("SELECT Date FROM Words WHERE Word = '%1'")
                                                  .arg(QString(word).replace(u'\'', QStringLiteral("''")))
                                                  .toUtf8()
                                                  .constData());
        return dates.value(0);
    }
    QString Text(const QString& jetSql) { return Scalar(jetSql).bstrVal(); }

    // The words of the store's open selection, in its order, from the
    // current card on.
    QStringList WalkWords()
    {
        QStringList words;
        words << m_store->GetWord();
        while (m_store->MoveNext())
            words << m_store->GetWord();
        return words;
    }

    QTemporaryDir m_dir;
    platform::RecordingMessageSink m_messages;
    std::unique_ptr<CWordStore> m_store;
    std::shared_ptr<engine::Connection> m_check;
};

TEST_F(WordStoreTest, SelectionsFollowTheSchedule)
{
    EXPECT_FALSE(m_store->OpenReviewList());
    EXPECT_EQ(m_store->GetWordCount(), 0u);
    EXPECT_FALSE(m_store->OpenLearnList());
    EXPECT_EQ(m_store->GetWordCount(), 0u);

    AddCard("due-yesterday", "1", DaysAgo(1));
    AddCard("not-yet", "2", DaysAgo(1));
    AddCard("long-overdue", "32", DaysAgo(40));
    AddCard("today-zero", "0", DaysAgo(0));
    AddCard("today-two", "2", DaysAgo(0));
    AddCard("learned-today", "1", DaysAgo(0));
    AddCard("learned-this-evening", "1", "#2024-03-05 18:30:00#");
    AddCard("due-with-time", "1", "#2024-03-04 23:59:59#");
    AddCard("no-date", "1", "NULL");
    AddCard("no-cycle", "NULL", DaysAgo(3));

    ASSERT_TRUE(m_store->OpenReviewList());
    EXPECT_EQ(m_store->m_nMode, CWordStore::modeReview);
    EXPECT_EQ(m_store->GetWordCount(), 3u);
    QStringList due = WalkWords();
    due.sort();
    EXPECT_EQ(due, QStringList({ "due-with-time", "due-yesterday", "long-overdue" }));

    ASSERT_TRUE(m_store->OpenLearnList());
    EXPECT_EQ(m_store->m_nMode, CWordStore::modeLearn);
    QStringList learned = WalkWords();
    learned.sort();
    EXPECT_EQ(learned, QStringList({ "learned-this-evening", "learned-today" }));
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(WordStoreTest, RememberDoublesAndForgottenResets)
{
    AddCard("zero", "0", DaysAgo(100));
    AddCard("null", "NULL", DaysAgo(100));
    AddCard("one", "1", DaysAgo(100));
    AddCard("sixteen", "16", DaysAgo(100));
    AddCard("sixty-four", "64", DaysAgo(100));
    // A NULL interval is never due, so it is answered through a plain
    // selection in review mode, as the dialog would answer it.
    ASSERT_TRUE(m_store->OpenReviewList());
    EXPECT_EQ(m_store->GetWordCount(), 4u);
    while (m_store->GetWord() != "(Null)") {
        if (m_store->GetWord() == "sixty-four")
            ASSERT_TRUE(m_store->Forget());
        else
            ASSERT_TRUE(m_store->Remember());
    }
    // Past the last card: the placeholders, and answers refused.
    EXPECT_EQ(m_store->GetID(), "-1");
    EXPECT_EQ(m_store->GetMemoryCycle(), "-1");
    EXPECT_EQ(m_store->GetPronunciation(), "(Null)");
    EXPECT_FALSE(m_store->Remember());
    EXPECT_FALSE(m_store->Forget());

    EXPECT_EQ(Scalar("SELECT MemoryCycle FROM Words WHERE Word = 'zero'").lVal(), 2);
    EXPECT_EQ(Scalar("SELECT MemoryCycle FROM Words WHERE Word = 'one'").lVal(), 2);
    EXPECT_EQ(Scalar("SELECT MemoryCycle FROM Words WHERE Word = 'sixteen'").lVal(), 32);
    EXPECT_EQ(Scalar("SELECT MemoryCycle FROM Words WHERE Word = 'sixty-four'").lVal(), 1);
    EXPECT_EQ(Count("Words WHERE Year([Date]) = 2024 AND Month([Date]) = 3 AND Day([Date]) = 5"), 4);

    // The null interval, reached in review mode over a plain selection.
    ASSERT_TRUE(m_store->m_recordset.Open(m_store->m_database.GetActiveConnection(),
        "SELECT * FROM Words WHERE Word = 'null'", CADORecordset::openQuery));
    EXPECT_EQ(m_store->GetMemoryCycle(), "0");
    ASSERT_TRUE(m_store->Remember());
    EXPECT_EQ(Scalar("SELECT MemoryCycle FROM Words WHERE Word = 'null'").lVal(), 2);

    // Answered today: nothing is due again today; the forgotten card is
    // in today's learn selection.
    EXPECT_FALSE(m_store->OpenReviewList());
    EXPECT_EQ(m_store->GetWordCount(), 0u);
    ASSERT_TRUE(m_store->OpenLearnList());
    EXPECT_EQ(WalkWords(), QStringList({ "sixty-four" }));

    // The next day the remembered-once cards are not due; two days on they are.
    platform::Clock::Advance(24 * 3600);
    ASSERT_TRUE(m_store->OpenReviewList());
    EXPECT_EQ(WalkWords(), QStringList({ "sixty-four" }));
    platform::Clock::Advance(24 * 3600);
    ASSERT_TRUE(m_store->OpenReviewList());
    EXPECT_EQ(m_store->GetWordCount(), 4u);
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(WordStoreTest, AnswersOutsideReviewTouchNothing)
{
    AddCard("learned-today", "1", DaysAgo(0));
    ASSERT_TRUE(m_store->OpenLearnList());
    EXPECT_FALSE(m_store->Remember());
    EXPECT_FALSE(m_store->Forget());
    EXPECT_EQ(Scalar("SELECT MemoryCycle FROM Words").lVal(), 1);
    EXPECT_EQ(m_store->GetWord(), "learned-today");
}

TEST_F(WordStoreTest, CardTextsAndPaging)
{
    Exec("INSERT INTO Words (Word, MemoryCycle, [Date]) VALUES ('bare', 1, #2024-03-05#)");
    AddCard("second", "1", DaysAgo(0));
    AddCard("third", "1", DaysAgo(0));
    ASSERT_TRUE(m_store->OpenLearnList());
    ASSERT_EQ(m_store->GetWord(), "bare");
    EXPECT_EQ(m_store->GetPronunciation(), "");
    EXPECT_EQ(m_store->GetDescription(), "");
    EXPECT_EQ(m_store->GetMemoryCycle(), "1");
    const QString firstId = m_store->GetID();
    EXPECT_GT(firstId.toInt(), 0);

    EXPECT_FALSE(m_store->MovePrevious());
    EXPECT_EQ(m_store->GetID(), firstId);
    EXPECT_TRUE(m_store->MoveNext());
    EXPECT_TRUE(m_store->MoveNext());
    EXPECT_EQ(m_store->GetWord(), "third");
    EXPECT_FALSE(m_store->MoveNext());
    EXPECT_EQ(m_store->GetWord(), "third");
    EXPECT_TRUE(m_store->MovePrevious());
    EXPECT_EQ(m_store->GetWord(), "second");
}

TEST_F(WordStoreTest, AddNewWordRefusesOnlyDuplicatesInNewWords)
{
    AddCard("dog", "1", DaysAgo(3));
    EXPECT_TRUE(m_store->AddNewWord("cat", "kæt", "a small animal\r\nthat purrs"));
    EXPECT_EQ(m_store->m_nMode, CWordStore::modeNone);
    EXPECT_FALSE(m_store->AddNewWord("cat", "other", "other"));
    EXPECT_TRUE(m_store->AddNewWord("dog", "dɒɡ", ""));
    EXPECT_TRUE(m_store->AddNewWord("don't", "", "apostrophes are text"));
    EXPECT_FALSE(m_store->AddNewWord("don't", "", ""));
    EXPECT_TRUE(m_store->AddNewWord("x' OR '1'='1", "", ""));
    EXPECT_TRUE(m_store->AddNewWord("学习 📚", "xuéxí", "שלום"));
    // The database's text equality ignores case in every script, as Jet's does.
    EXPECT_FALSE(m_store->AddNewWord("CAT", "", ""));
    EXPECT_TRUE(m_store->AddNewWord("été", "ete", ""));
    EXPECT_FALSE(m_store->AddNewWord("ÉTÉ", "", ""));
    EXPECT_TRUE(m_store->AddNewWord("Москва", "", ""));
    EXPECT_FALSE(m_store->AddNewWord("МОСКВА", "", ""));
    EXPECT_TRUE(m_store->AddNewWord("αβγ", "", ""));
    EXPECT_FALSE(m_store->AddNewWord("ΑΒΓ", "", ""));
    EXPECT_EQ(Count("NewWords"), 8);
    EXPECT_TRUE(Scalar("SELECT Pronunciation FROM NewWords WHERE Word = 'don''t'").IsNull());
    EXPECT_TRUE(Scalar("SELECT Description FROM NewWords WHERE Word = 'dog'").IsNull());
    EXPECT_EQ(Text("SELECT Description FROM NewWords WHERE Word = 'cat'"), "a small animal\r\nthat purrs");
    EXPECT_EQ(Text("SELECT Pronunciation FROM NewWords WHERE Word = '学习 📚'"), "xuéxí");
    EXPECT_TRUE(m_messages.Messages().empty());

    // A NUL inside a word is refused with a message that says so, never
    // with the SQL parser's report.
    EXPECT_FALSE(m_store->AddNewWord(QStringLiteral("nul") + QChar(0) + QStringLiteral("word"), "", ""));
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_TRUE(m_messages.Messages()[0].text.contains("NUL character")) << m_messages.Messages()[0].text.toStdString();
    EXPECT_EQ(m_messages.Messages()[0].flags, platform::MB_ICONERROR);
    EXPECT_EQ(Count("NewWords"), 8);
}

TEST_F(WordStoreTest, AddWordsToListMovesWordsIntoTodaysStudy)
{
    EXPECT_EQ(m_store->AddWordsToList(0), 0);
    EXPECT_EQ(m_store->AddWordsToList(-2), 0);
    EXPECT_EQ(m_store->AddWordsToList(5), 0);

    ASSERT_TRUE(m_store->AddNewWord("one", "wʌn", "1"));
    ASSERT_TRUE(m_store->AddNewWord("two", "", "2"));
    ASSERT_TRUE(m_store->AddNewWord("three", "θriː", ""));
    EXPECT_EQ(m_store->AddWordsToList(5), 3);
    EXPECT_EQ(m_store->m_nMode, CWordStore::modeNone);
    EXPECT_EQ(Count("NewWords"), 0);
    EXPECT_EQ(Count("Words"), 3);
    EXPECT_EQ(Count("Words WHERE MemoryCycle = 1"), 3);
    EXPECT_EQ(m_store->AddWordsToList(5), 0);

    ASSERT_TRUE(m_store->OpenLearnList());
    QStringList learned = WalkWords();
    learned.sort();
    EXPECT_EQ(learned, QStringList({ "one", "three", "two" }));
    EXPECT_FALSE(m_store->OpenReviewList());
    platform::Clock::Advance(24 * 3600);
    ASSERT_TRUE(m_store->OpenReviewList());
    EXPECT_EQ(m_store->GetWordCount(), 3u);
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(WordStoreTest, AddWordsToListTakesOnlyTheCountAsked)
{
    for (const char* w : { "a", "b", "c", "d", "e" })
        ASSERT_TRUE(m_store->AddNewWord(w, "", ""));
    EXPECT_EQ(m_store->AddWordsToList(2), 2);
    EXPECT_EQ(Count("NewWords"), 3);
    EXPECT_EQ(Count("Words"), 2);
    EXPECT_EQ(Count("Words INNER JOIN NewWords ON Words.Word = NewWords.Word"), 0);
}

TEST_F(WordStoreTest, AFailedMoveLosesNoWord)
{
    for (const char* w : { "first", "boom", "last" })
        ASSERT_TRUE(m_store->AddNewWord(w, "", ""));
    // A fault in the middle of the append phase: the data file refuses
    // the second word.
    RawExec("CREATE TRIGGER refuse BEFORE INSERT ON Words WHEN NEW.Word = 'boom' "
            "BEGIN SELECT RAISE(ABORT, 'disk trouble'); END;");
    EXPECT_EQ(m_store->AddWordsToList(3), 0);
    EXPECT_FALSE(m_messages.Messages().empty()); // the layer's report
    EXPECT_EQ(Count("NewWords"), 3);
    EXPECT_EQ(Count("Words"), 0);

    // The append target cannot be opened (Words is gone): the deletes from
    // NewWords are undone and nothing is counted.
    RawExec("DROP TRIGGER refuse; ALTER TABLE Words RENAME TO Elsewhere;");
    m_messages.Clear();
    EXPECT_EQ(m_store->AddWordsToList(3), 0);
    EXPECT_FALSE(m_messages.Messages().empty());
    EXPECT_EQ(Count("NewWords"), 3);
    EXPECT_EQ(Count("Elsewhere"), 0);
    RawExec("ALTER TABLE Elsewhere RENAME TO Words;");

    // With the fault gone, the same request moves every word once.
    Exec("DELETE FROM NewWords WHERE Word = 'boom'");
    EXPECT_EQ(m_store->AddWordsToList(3), 2);
    EXPECT_EQ(Count("NewWords"), 0);
    EXPECT_EQ(Count("Words"), 2);
}

// Intervals whose doubling the schedule cannot use are refused with a
// message and leave the row as it was; the rest double as always.
TEST_F(WordStoreTest, RememberRefusesAnIntervalTheScheduleCannotUse)
{
    struct Case {
        const char* word;
        qint64 cycle;
        QDate today;
        qint64 expected; // -1: refused
    };
    const QDate day(2024, 3, 5);
    const Case cases[] = {
        { "just-fits", 1000000, day, 2000000 }, // due in the year 7499
        { "past-9999", 1500000, day, -1 }, // due in 10237
        { "a-day-late", 16, QDate(9999, 12, 1), -1 }, // due on 10000-01-02
        { "half-of-32-bits", 1 << 29, day, -1 }, { "two-to-the-30", 1 << 30, day, -1 },
        { "largest", 2147483647, day, -1 }, { "negative", -5, day, -1 }, { "most-negative", -2147483648LL, day, -1 },
        { "last-day-exactly", 15, QDate(9999, 12, 1), 30 }, // due on 9999-12-31
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        m_messages.Clear();
        Exec("DELETE FROM Words");
        AddCard(c.word, QString::number(c.cycle), "#2000-01-01#");
        platform::Clock::SetFixed(QDateTime(c.today, QTime(10, 0, 0)));
        m_store->m_nMode = CWordStore::modeReview;
        ASSERT_TRUE(m_store->m_recordset.Open(
            m_store->m_database.GetActiveConnection(), "SELECT * FROM Words", CADORecordset::openQuery));
        if (c.expected < 0) {
            EXPECT_FALSE(m_store->Remember());
            ASSERT_EQ(m_messages.Messages().size(), 1u);
            EXPECT_TRUE(m_messages.Messages()[0].text.contains(QString::number(c.cycle)))
                << m_messages.Messages()[0].text.toStdString();
            EXPECT_EQ(m_messages.Messages()[0].flags, platform::MB_ICONERROR);
            EXPECT_EQ(Scalar("SELECT MemoryCycle FROM Words").lVal(), c.cycle);
            EXPECT_EQ(Count("Words WHERE [Date] = #2000-01-01#"), 1);
            EXPECT_EQ(m_store->GetWord(), c.word); // not moved on
        } else {
            EXPECT_TRUE(m_store->Remember());
            EXPECT_TRUE(m_messages.Messages().empty());
            EXPECT_EQ(Scalar("SELECT MemoryCycle FROM Words").lVal(), c.expected);
        }
    }
}

// Another running copy changed the card between reading and answering:
// the answer is refused (nothing applied twice), and the card is then the
// row as the file now holds it.
TEST_F(WordStoreTest, RefusedAnswerShowsTheCardAsTheFileNowHoldsIt)
{
    AddCard("stale", "4", DaysAgo(10));
    AddCard("next", "4", DaysAgo(10));
    ASSERT_TRUE(m_store->OpenReviewList());
    ASSERT_EQ(m_store->GetWord(), "stale");
    Exec("UPDATE Words SET MemoryCycle = 8, Description = 'answered elsewhere' WHERE Word = 'stale'");

    EXPECT_FALSE(m_store->Remember());
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_TRUE(m_messages.Messages()[0].text.contains("Row cannot be located for updating"));
    EXPECT_EQ(m_store->GetWord(), "stale");
    EXPECT_EQ(m_store->GetMemoryCycle(), "8");
    EXPECT_EQ(m_store->GetDescription(), "answered elsewhere");
    EXPECT_EQ(Scalar("SELECT MemoryCycle FROM Words WHERE Word = 'stale'").lVal(), 8);

    // Answering the card as it now is works, once.
    EXPECT_TRUE(m_store->Remember());
    EXPECT_EQ(Scalar("SELECT MemoryCycle FROM Words WHERE Word = 'stale'").lVal(), 16);
    EXPECT_EQ(m_store->GetWord(), "next");
}

// Another process holding the write lock: a move waits for it (the lock is
// taken when the move begins, so the wait applies), and a move that still
// cannot get it fails as a move, with the layer's report, moving nothing
// and ending nothing.
TEST_F(WordStoreTest, MoveWaitsForAnotherWriterThenFailsCleanly)
{
    for (const char* w : { "a", "b", "c" })
        ASSERT_TRUE(m_store->AddNewWord(w, "", ""));
    // The store's connection, opened again with a one-second wait.
    m_store->CloseDatabase();
    m_store->m_database.SetConnectionTimeout(1);
    ASSERT_TRUE(m_store->OpenDatabase());

    const auto holdWriteLock = [&](int millis) {
        int ready[2];
        if (::pipe(ready) != 0)
            return pid_t(-1);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(ready[0]);
            const RawDataFile writer(DataPath(), true);
            writer.Exec("BEGIN IMMEDIATE");
            (void)!::write(ready[1], "r", 1);
            ::usleep(useconds_t(millis) * 1000);
            writer.Exec("COMMIT");
            ::_exit(0);
        }
        ::close(ready[1]);
        char c;
        (void)!::read(ready[0], &c, 1);
        ::close(ready[0]);
        return child;
    };

    pid_t holder = holdWriteLock(300);
    ASSERT_GT(holder, 0);
    int moved = -1;
    EXPECT_NO_THROW(moved = m_store->AddWordsToList(2));
    EXPECT_EQ(moved, 2);
    EXPECT_TRUE(m_messages.Messages().empty());
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(Count("Words"), 2);

    holder = holdWriteLock(3000);
    ASSERT_GT(holder, 0);
    EXPECT_NO_THROW(moved = m_store->AddWordsToList(2));
    EXPECT_EQ(moved, 0);
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_TRUE(m_messages.Messages()[0].text.startsWith("CADODataBase Error"))
        << m_messages.Messages()[0].text.toStdString();
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(Count("NewWords"), 1);
    EXPECT_EQ(Count("Words"), 2);
}

TEST_F(WordStoreTest, ModifyRewritesOnlyTheCurrentCardAndCloseEndsTheConnection)
{
    AddCard("first", "1", DaysAgo(0));
    AddCard("second", "1", DaysAgo(0));
    ASSERT_TRUE(m_store->OpenLearnList());
    const QString other = m_store->GetWord();
    ASSERT_TRUE(m_store->MoveNext());
    const QString target = m_store->GetWord();
    ASSERT_TRUE(m_store->ModifyCurrentWord("it's new", "", "ünïcode ✓"));
    // The cursor stays on the card, which shows the new texts.
    EXPECT_EQ(m_store->GetWord(), "it's new");
    EXPECT_EQ(m_store->GetPronunciation(), "");
    EXPECT_EQ(m_store->GetDescription(), "ünïcode ✓");
    EXPECT_EQ(Count("Words WHERE Word = 'it''s new' AND Pronunciation IS NULL AND Description = 'ünïcode ✓'"
                    " AND MemoryCycle = 1"),
        1);
    EXPECT_EQ(Count("Words WHERE Word = '" + other + "' AND Pronunciation = 'p-" + other + "'"), 1);
    EXPECT_EQ(Count("Words WHERE Word = '" + target + "'"), 0);
    EXPECT_TRUE(m_messages.Messages().empty());

    m_store->CloseDatabase();
    EXPECT_EQ(m_store->m_nMode, CWordStore::modeNone);
    EXPECT_FALSE(m_store->m_database.IsOpen());
    EXPECT_FALSE(m_store->OpenLearnList());
    // Closing twice is harmless, and the file opens again.
    m_store->CloseDatabase();
    ASSERT_TRUE(m_store->OpenDatabase());
    ASSERT_TRUE(m_store->OpenLearnList());
    EXPECT_EQ(m_store->GetWordCount(), 2u);
}

// The due rule counts calendar days, so the edges are midnight, month and
// year ends and leap days. Each row: the clock, a card's date and interval,
// whether the card is due and whether it is in the learn selection; an
// answer to a due card then writes the clock's calendar day.
TEST_F(WordStoreTest, CalendarEdgesDecideTheSelectionsAndTheDateWritten)
{
    struct Case {
        const char* clock;
        const char* date;
        int cycle;
        bool due;
        bool learn;
    };
    const Case cases[] = {
        { "2024-03-01 00:00:00", "2024-02-29 23:59:59", 1, true, false },
        { "2024-02-29 23:59:59", "2024-02-29 00:00:00", 1, false, true },
        { "2024-02-29 23:59:59", "2024-02-28 23:59:59", 1, true, false },
        { "2024-03-01 00:00:00", "2024-03-01 00:00:00", 1, false, true },
        { "2024-03-01 00:00:00", "2024-03-01 00:00:00", 2, false, false },
        { "2024-01-01 00:00:00", "2023-12-31 23:59:59", 1, true, false },
        { "2023-12-31 23:59:59", "2023-12-30 00:00:00", 2, false, false },
        { "2024-01-01 00:00:01", "2023-12-30 00:00:00", 2, true, false },
        { "2023-03-01 00:00:00", "2023-02-27 12:00:00", 2, true, false },
        { "2023-02-28 23:59:59", "2023-02-27 12:00:00", 2, false, false },
        { "2024-02-29 12:00:00", "2024-01-29 00:00:00", 31, true, false },
        { "2024-02-28 12:00:00", "2024-01-29 00:00:00", 31, false, false },
        { "2024-03-05 10:00:00", "2023-03-05 10:00:00", 1, true, false }, // same day a year ago
        { "2024-04-05 10:00:00", "2024-03-05 10:00:00", 1, true, false }, // same day a month ago
        { "2100-03-01 00:00:00", "2100-02-28 00:00:00", 1, true, false }, // 2100 has no leap day
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(QStringLiteral("clock %1, card %2 + %3").arg(c.clock, c.date).arg(c.cycle).toStdString());
        Exec("DELETE FROM Words");
        const QDateTime clock = QDateTime::fromString(c.clock, "yyyy-MM-dd HH:mm:ss");
        platform::Clock::SetFixed(clock);
        AddCard("card", QString::number(c.cycle), QStringLiteral("#%1#").arg(c.date));

        EXPECT_EQ(m_store->OpenLearnList(), c.learn);
        EXPECT_EQ(m_store->GetWordCount(), c.learn ? 1u : 0u);
        EXPECT_EQ(m_store->OpenReviewList(), c.due);
        EXPECT_EQ(m_store->GetWordCount(), c.due ? 1u : 0u);
        if (!c.due)
            continue;
        // Remember on even rows, Forgotten on odd ones.
        const bool remember = i % 2 == 0;
        ASSERT_TRUE(remember ? m_store->Remember() : m_store->Forget());
        EXPECT_EQ(Scalar("SELECT MemoryCycle FROM Words").lVal(), remember ? 2 * c.cycle : 1);
        EXPECT_EQ(RawDate("card"), clock.date().toString("yyyy-MM-dd") + " 00:00:00");
        // Answered today: not due again today, and in today's learn
        // selection only when forgotten.
        EXPECT_FALSE(m_store->OpenReviewList());
        EXPECT_EQ(m_store->OpenLearnList(), !remember || 2 * c.cycle == 1);
    }
    EXPECT_TRUE(m_messages.Messages().empty());
}

} // namespace
