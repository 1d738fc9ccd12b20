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
#include "store/JetConnectionString.h"
#include "store/RawDataFile.h"

#include <QDate>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
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
        m_check->Open(JetConnectionString(DataPath()));
    }

    void TearDown() override
    {
        m_check.reset();
        m_store.reset();
        platform::Clock::Reset();
        platform::ClearExecutableFilePathOverride();
    }

    QString DataPath() const { return m_dir.filePath("db.mdb"); }

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
        return rs->IsEOF() ? Variant() : rs->GetFields()->Item(0)->Value();
    }
    long Count(const QString& table) { return Scalar("SELECT COUNT(*) FROM " + table).lVal(); }
    // Changes the engine's SQL cannot make (triggers, renames), straight
    // through SQLite.
    void RawExec(const char* sql) { EXPECT_TRUE(RawDataFile(DataPath(), true).Exec(QString::fromUtf8(sql))) << sql; }

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

    EXPECT_EQ(RawDataFile(DataPath()).Column("SELECT Word || ' ' || ifnull(MemoryCycle, '-') FROM Words ORDER BY ID"),
        QStringList({ "zero 2", "null -", "one 2", "sixteen 32", "sixty-four 1" }));
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
    // Outside review, answers touch nothing.
    EXPECT_FALSE(m_store->Remember());
    EXPECT_FALSE(m_store->Forget());
    EXPECT_EQ(Scalar("SELECT MemoryCycle FROM Words WHERE Word = 'sixty-four'").lVal(), 1);
    EXPECT_EQ(m_store->GetWord(), "sixty-four");

    // The next day the remembered-once cards are not due; two days on they are.
    platform::Clock::Advance(24 * 3600);
    ASSERT_TRUE(m_store->OpenReviewList());
    EXPECT_EQ(WalkWords(), QStringList({ "sixty-four" }));
    platform::Clock::Advance(24 * 3600);
    ASSERT_TRUE(m_store->OpenReviewList());
    EXPECT_EQ(m_store->GetWordCount(), 4u);
    EXPECT_TRUE(m_messages.Messages().empty());
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
    EXPECT_GT(m_store->GetID().toInt(), 0);
    // Each step: forward or back, whether it moves, the card then shown.
    const std::tuple<bool, bool, const char*> steps[] = { { false, false, "bare" }, { true, true, "second" },
        { true, true, "third" }, { true, false, "third" }, { false, true, "second" } };
    for (const auto& [forward, moves, word] : steps) {
        EXPECT_EQ(forward ? m_store->MoveNext() : m_store->MovePrevious(), moves);
        EXPECT_EQ(m_store->GetWord(), word);
    }
}

TEST_F(WordStoreTest, AddNewWordRefusesOnlyDuplicatesInNewWords)
{
    AddCard("dog", "1", DaysAgo(3));
    // Each word, its pronunciation and description, and whether it is
    // added. The database's text equality ignores case in every script, as
    // Jet's does.
    const std::tuple<const char*, const char*, const char*, bool> words[]
        = { { "cat", "kæt", "a small animal\r\nthat purrs", true }, { "cat", "other", "other", false },
              { "dog", "dɒɡ", "", true }, { "don't", "", "apostrophes are text", true }, { "don't", "", "", false },
              { "x' OR '1'='1", "", "", true }, { "学习 📚", "xuéxí", "שלום", true }, { "CAT", "", "", false },
              { "été", "ete", "", true }, { "ÉTÉ", "", "", false }, { "Москва", "", "", true },
              { "МОСКВА", "", "", false }, { "αβγ", "", "", true }, { "ΑΒΓ", "", "", false } };
    for (const auto& [word, pronunciation, description, added] : words) {
        EXPECT_EQ(m_store->AddNewWord(word, pronunciation, description), added) << word;
        EXPECT_EQ(m_store->m_nMode, CWordStore::modeNone);
    }
    EXPECT_EQ(Count("NewWords"), 8);
    EXPECT_TRUE(Scalar("SELECT Pronunciation FROM NewWords WHERE Word = 'don''t'").IsNull());
    EXPECT_TRUE(Scalar("SELECT Description FROM NewWords WHERE Word = 'dog'").IsNull());
    EXPECT_EQ(Scalar("SELECT Description FROM NewWords WHERE Word = 'cat'").bstrVal(), "a small animal\r\nthat purrs");
    EXPECT_EQ(Scalar("SELECT Pronunciation FROM NewWords WHERE Word = '学习 📚'").bstrVal(), "xuéxí");
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
    ASSERT_TRUE(m_store->AddNewWord("four", "", ""));
    EXPECT_EQ(m_store->AddWordsToList(3), 3); // the first three, no more
    EXPECT_EQ(Count("NewWords WHERE Word = 'four'"), 1);
    EXPECT_EQ(Count("Words INNER JOIN NewWords ON Words.Word = NewWords.Word"), 0);
    Exec("DELETE FROM NewWords");
    EXPECT_EQ(m_store->m_nMode, CWordStore::modeNone);
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

// A fault at each step of a move: the data file refusing the second word's
// append, the append target gone (both with the layer's report), a word
// whose fields cannot be read as text (bytes from another tool) after a
// word already taken. Each time the deletes are undone and nothing is
// counted.
TEST_F(WordStoreTest, AFailedMoveLosesNoWord)
{
    for (const char* w : { "first", "boom", "last" })
        ASSERT_TRUE(m_store->AddNewWord(w, "", ""));
    const std::tuple<const char*, const char*, bool> faults[] = {
        { "CREATE TRIGGER refuse BEFORE INSERT ON Words WHEN NEW.Word = 'boom' "
          "BEGIN SELECT RAISE(ABORT, 'disk trouble'); END;",
            "DROP TRIGGER refuse;", true },
        { "ALTER TABLE Words RENAME TO Elsewhere;", "ALTER TABLE Elsewhere RENAME TO Words;", true },
        { "UPDATE NewWords SET Description = x'00ff' WHERE Word = 'boom';",
            "UPDATE NewWords SET Description = NULL WHERE Word = 'boom';", false },
    };
    for (const auto& [make, undo, reported] : faults) {
        SCOPED_TRACE(make);
        RawExec(make);
        m_messages.Clear();
        EXPECT_EQ(m_store->AddWordsToList(3), 0);
        EXPECT_EQ(m_messages.Messages().empty(), !reported);
        RawExec(undo);
        EXPECT_EQ(Count("NewWords"), 3);
        EXPECT_EQ(Count("Words"), 0);
    }
    // With the faults gone, the same request moves every word once.
    EXPECT_EQ(m_store->AddWordsToList(3), 3);
    EXPECT_EQ(Count("NewWords"), 0);
    EXPECT_EQ(Count("Words"), 3);
}

// Intervals whose doubling the schedule cannot use are refused with a
// message and leave the row as it was; the rest double as always.
TEST_F(WordStoreTest, RememberRefusesAnIntervalTheScheduleCannotUse)
{
    const QDate day(2024, 3, 5);
    const struct {
        const char* word;
        qint64 cycle;
        QDate today;
        qint64 expected; // -1: refused
    } cases[] = {
        { "just-fits", 1000000, day, 2000000 }, // due in the year 7499
        { "past-9999", 1500000, day, -1 }, // due in 10237
        { "a-day-late", 16, QDate(9999, 12, 1), -1 }, // due on 10000-01-02
        { "half-of-32-bits", 1 << 29, day, -1 }, { "two-to-the-30", 1 << 30, day, -1 },
        { "largest", 2147483647, day, -1 }, { "negative", -5, day, -1 }, { "most-negative", -2147483648LL, day, -1 },
        { "last-day-exactly", 15, QDate(9999, 12, 1), 30 }, // due on 9999-12-31
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        m_messages.Clear();
        Exec("DELETE FROM Words");
        AddCard(c.word, QString::number(c.cycle), "#2000-01-01#");
        platform::Clock::SetFixed(QDateTime(c.today, QTime(10, 0, 0)));
        m_store->m_nMode = CWordStore::modeReview;
        ASSERT_TRUE(m_store->m_recordset.Open(
            m_store->m_database.GetActiveConnection(), "SELECT * FROM Words", CADORecordset::openQuery));
        const bool refused = c.expected < 0;
        EXPECT_EQ(m_store->Remember(), !refused);
        EXPECT_EQ(Scalar("SELECT MemoryCycle FROM Words").lVal(), refused ? c.cycle : c.expected);
        EXPECT_EQ(Count("Words WHERE [Date] = #2000-01-01#"), refused ? 1 : 0);
        ASSERT_EQ(m_messages.Messages().size(), refused ? 1u : 0u);
        if (refused) {
            EXPECT_TRUE(m_messages.Messages()[0].text.contains(QString::number(c.cycle)))
                << m_messages.Messages()[0].text.toStdString();
            EXPECT_EQ(m_messages.Messages()[0].flags, platform::MB_ICONERROR);
            EXPECT_EQ(m_store->GetWord(), c.word); // not moved on
        }
    }

    // A date the answer cannot write (the selection's Date an expression):
    // the answer is refused, and its doubled interval is not left pending
    // for the move to the next card to write.
    Exec("DELETE FROM Words");
    AddCard("fixed-date", "4", DaysAgo(9));
    AddCard("next", "4", DaysAgo(9));
    m_messages.Clear();
    m_store->m_nMode = CWordStore::modeReview;
    ASSERT_TRUE(m_store->m_recordset.Open(m_store->m_database.GetActiveConnection(),
        "SELECT ID, Word, MemoryCycle, [Date] + 0 AS [Date] FROM Words ORDER BY ID", CADORecordset::openQuery));
    EXPECT_FALSE(m_store->Remember());
    EXPECT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_store->GetWord(), "fixed-date");
    EXPECT_TRUE(m_store->MoveNext());
    EXPECT_EQ(Scalar("SELECT MemoryCycle FROM Words WHERE Word = 'fixed-date'").lVal(), 4);
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

// Another writer holding the write lock: a move waits for it (the lock is
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
    const RawDataFile writer(DataPath(), true);

    ASSERT_TRUE(writer.Exec("BEGIN IMMEDIATE"));
    std::thread commitSoon([&] {
        ::usleep(300 * 1000);
        writer.Exec("COMMIT");
    });
    int moved = -1;
    EXPECT_NO_THROW(moved = m_store->AddWordsToList(2));
    commitSoon.join();
    EXPECT_EQ(moved, 2);
    EXPECT_TRUE(m_messages.Messages().empty());
    EXPECT_EQ(Count("Words"), 2);

    ASSERT_TRUE(writer.Exec("BEGIN IMMEDIATE"));
    EXPECT_NO_THROW(moved = m_store->AddWordsToList(2));
    writer.Exec("COMMIT");
    EXPECT_EQ(moved, 0);
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_TRUE(m_messages.Messages()[0].text.startsWith("CADODataBase Error"))
        << m_messages.Messages()[0].text.toStdString();
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
    ASSERT_TRUE(m_store->ModifyCurrentWord("it's new", "", "ünïcode ✓"));
    // The cursor stays on the card, which shows the new texts.
    EXPECT_EQ(m_store->GetWord(), "it's new");
    EXPECT_EQ(m_store->GetPronunciation(), "");
    EXPECT_EQ(m_store->GetDescription(), "ünïcode ✓");
    EXPECT_EQ(RawDataFile(DataPath())
                  .Column("SELECT Word || '|' || ifnull(Pronunciation, '-') || '|' || Description "
                          "|| '|' || MemoryCycle FROM Words ORDER BY Word = 'it''s new'"),
        QStringList({ other + "|p-" + other + "|d-" + other + "|1", "it's new|-|ünïcode ✓|1" }));
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
// year ends and leap days; a card with no date or no interval is never in
// either selection. Each row: the clock, a card's date and interval,
// whether the card is due and whether it is in the learn selection; an
// answer to a due card then writes the clock's calendar day.
TEST_F(WordStoreTest, SelectionsFollowTheCalendarAndTheAnswerWritesTheDay)
{
    struct Case {
        const char* clock;
        const char* date;
        const char* cycle;
        bool due;
        bool learn;
    };
    const Case cases[] = {
        { "2024-03-05 10:00:00", "2024-01-25 00:00:00", "32", true, false }, // long overdue
        { "2024-03-05 10:00:00", "2024-03-05 00:00:00", "0", false, false },
        { "2024-03-05 10:00:00", "2024-03-05 18:30:00", "1", false, true }, // learned this evening
        { "2024-03-05 10:00:00", "NULL", "1", false, false },
        { "2024-03-05 10:00:00", "2024-03-02 00:00:00", "NULL", false, false },
        { "2024-03-01 00:00:00", "2024-02-29 23:59:59", "1", true, false },
        { "2024-02-29 23:59:59", "2024-02-29 00:00:00", "1", false, true },
        { "2024-02-29 23:59:59", "2024-02-28 23:59:59", "1", true, false },
        { "2024-03-01 00:00:00", "2024-03-01 00:00:00", "1", false, true },
        { "2024-03-01 00:00:00", "2024-03-01 00:00:00", "2", false, false },
        { "2024-01-01 00:00:00", "2023-12-31 23:59:59", "1", true, false },
        { "2023-12-31 23:59:59", "2023-12-30 00:00:00", "2", false, false },
        { "2024-01-01 00:00:01", "2023-12-30 00:00:00", "2", true, false },
        { "2023-03-01 00:00:00", "2023-02-27 12:00:00", "2", true, false },
        { "2023-02-28 23:59:59", "2023-02-27 12:00:00", "2", false, false },
        { "2024-02-29 12:00:00", "2024-01-29 00:00:00", "31", true, false },
        { "2024-02-28 12:00:00", "2024-01-29 00:00:00", "31", false, false },
        { "2024-03-05 10:00:00", "2023-03-05 10:00:00", "1", true, false }, // same day a year ago
        { "2024-04-05 10:00:00", "2024-03-05 10:00:00", "1", true, false }, // same day a month ago
        { "2100-03-01 00:00:00", "2100-02-28 00:00:00", "1", true, false }, // 2100 has no leap day
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(QStringLiteral("clock %1, card %2 + %3").arg(c.clock, c.date, c.cycle).toStdString());
        Exec("DELETE FROM Words");
        const QDateTime clock = QDateTime::fromString(c.clock, "yyyy-MM-dd HH:mm:ss");
        platform::Clock::SetFixed(clock);
        const QString date = c.date;
        AddCard("card", c.cycle, date == "NULL" ? date : "#" + date + "#");
        const int cycle = QString(c.cycle).toInt();

        EXPECT_EQ(m_store->OpenLearnList(), c.learn);
        EXPECT_EQ(m_store->m_nMode, CWordStore::modeLearn);
        EXPECT_EQ(m_store->GetWordCount(), c.learn ? 1u : 0u);
        EXPECT_EQ(m_store->OpenReviewList(), c.due);
        EXPECT_EQ(m_store->m_nMode, CWordStore::modeReview);
        EXPECT_EQ(m_store->GetWordCount(), c.due ? 1u : 0u);
        if (!c.due)
            continue;
        // Remember on even rows, Forgotten on odd ones.
        const bool remember = i % 2 == 0;
        ASSERT_TRUE(remember ? m_store->Remember() : m_store->Forget());
        EXPECT_EQ(Scalar("SELECT MemoryCycle FROM Words").lVal(), remember ? 2 * cycle : 1);
        EXPECT_EQ(RawDataFile(DataPath()).Column("SELECT Date FROM Words").value(0),
            clock.date().toString("yyyy-MM-dd") + " 00:00:00");
        // Answered today: not due again today, and in today's learn
        // selection only when forgotten.
        EXPECT_FALSE(m_store->OpenReviewList());
        EXPECT_EQ(m_store->OpenLearnList(), !remember || 2 * cycle == 1);
    }
    EXPECT_TRUE(m_messages.Messages().empty());
}

} // namespace
