// The recordset wrapper's editing (the edit-status machine, Update and its
// cancel after a failure, Delete), search, bookmarks, filter and sort,
// clones, delimited text and XML persistence.
#include "DbTestFixture.h"
#include "db/CADORecordset.h"
#include "engine/ado/RecordBinding.h"

#include <QFile>
#include <algorithm>

namespace {
// Exposes the state that the wrapper keeps to itself.
class InspectableRecordset : public CADORecordset {
public:
    using CADORecordset::CADORecordset;
    int SearchDirection() const { return m_nSearchDirection; }
};

unsigned long IdOf(CADORecordset& rs)
{
    unsigned long id = 0;
    EXPECT_TRUE(rs.GetFieldValue(QStringLiteral("ID"), id));
    return id;
}
} // namespace

class RecordsetEditing : public DbTest {
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        OpenDatabase();
        ASSERT_TRUE(m_rs.Open(m_database.GetActiveConnection(), QStringLiteral("SELECT * FROM Words ORDER BY ID")));
    }
    InspectableRecordset m_rs;
};

TEST_F(RecordsetEditing, EditUpdateAndTheStatus)
{
    // Nothing pending: true at once.
    EXPECT_TRUE(m_rs.Update());
    EXPECT_EQ(m_rs.GetEditStatus(), CADORecordset::editNone);

    m_rs.Edit();
    EXPECT_EQ(m_rs.GetEditStatus(), CADORecordset::editInProgress);
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("MemoryCycle"), 16UL));
    ASSERT_TRUE(m_rs.Update());
    EXPECT_EQ(m_rs.GetEditStatus(), CADORecordset::editNone);
    EXPECT_TRUE(m_rs.Update());
    EXPECT_FALSE(m_rs.SetFieldValue(QStringLiteral("MemoryCycle"), 32UL)); // no edit pending

    CADORecordset check;
    ASSERT_TRUE(
        check.Open(m_database.GetActiveConnection(), QStringLiteral("SELECT MemoryCycle FROM Words WHERE ID = 1")));
    EXPECT_EQ(FieldValue<unsigned long>(check, "MemoryCycle"), 16u);

    // Edit then cancel: the change is dropped.
    m_rs.Edit();
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Word"), QStringLiteral("changed")));
    m_rs.CancelUpdate();
    EXPECT_EQ(m_rs.GetEditStatus(), CADORecordset::editNone);
    EXPECT_EQ(FieldValue<QString>(m_rs, "Word"), QStringLiteral("cat"));

    // A pending edit is cancelled by Close.
    m_rs.Edit();
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Word"), QStringLiteral("lost")));
    m_rs.Close();
    EXPECT_EQ(m_rs.GetEditStatus(), CADORecordset::editNone);
    ASSERT_TRUE(m_rs.Open(QString()));
    EXPECT_EQ(FieldValue<QString>(m_rs, "Word"), QStringLiteral("cat"));
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(RecordsetEditing, AddNewWithDefaultsAndDelete)
{
    ASSERT_TRUE(m_rs.AddNew());
    EXPECT_EQ(m_rs.GetEditStatus(), CADORecordset::editNew);
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Word"), QStringLiteral("bird")));
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Pronunciation"), QString()));
    ASSERT_TRUE(m_rs.Update());
    EXPECT_EQ(m_rs.GetEditStatus(), CADORecordset::editNone);
    EXPECT_EQ(IdOf(m_rs), 4u); // read back after the insert
    EXPECT_EQ(FieldValue<QString>(m_rs, "MemoryCycle"), QStringLiteral("1"));
    EXPECT_TRUE(m_rs.IsFieldNull(QStringLiteral("Pronunciation")));

    ASSERT_TRUE(m_rs.Open(QString()));
    EXPECT_EQ(m_rs.GetRecordCount(), 4u);
    ASSERT_TRUE(m_rs.MoveNext()); // dog
    m_rs.Edit(); // a pending edit ends with the row
    EXPECT_TRUE(m_rs.Delete());
    EXPECT_EQ(m_rs.GetEditStatus(), CADORecordset::editNone);
    ASSERT_TRUE(m_rs.Open(QString()));
    EXPECT_EQ(m_rs.GetRecordCount(), 3u);
    ASSERT_TRUE(m_rs.MoveNext());
    EXPECT_EQ(IdOf(m_rs), 3u);
    EXPECT_TRUE(m_messages.Messages().empty());

    // A refused AddNew still drops the edit that was pending before it.
    m_rs.Edit();
    ASSERT_TRUE(m_rs.Open(m_database.GetActiveConnection(), QStringLiteral("SELECT COUNT(*) AS N FROM Words")));
    m_rs.Edit();
    EXPECT_FALSE(m_rs.AddNew());
    ExpectReport(OnlyMessage(), QStringLiteral("CADORecordset Error"), m_rs.GetLastError());
    EXPECT_EQ(m_rs.GetEditStatus(), CADORecordset::editNone);
}

TEST_F(RecordsetEditing, FailedUpdateIsReportedAndCancelled)
{
    ASSERT_TRUE(m_rs.AddNew());
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Pronunciation"), QStringLiteral("no word")));
    EXPECT_FALSE(m_rs.Update()); // Word is required
    ExpectReport(OnlyMessage(), QStringLiteral("CADORecordset Error"), m_rs.GetLastError());
    EXPECT_EQ(m_rs.GetLastErrorString(),
        QStringLiteral("Query = SELECT * FROM Words ORDER BY ID\r\n") + m_messages.Messages()[0].text);
    EXPECT_EQ(m_rs.GetEditStatus(), CADORecordset::editNone);
    EXPECT_EQ(m_rs.GetRecordCount(), 3u);
    ASSERT_TRUE(m_rs.Open(QString()));
    EXPECT_EQ(m_rs.GetRecordCount(), 3u);
}

TEST_F(RecordsetEditing, FindAndFindNextWalkTheMatches)
{
    // Text compares without regard to case: 'cat' matches rows 1 and 3.
    ASSERT_TRUE(m_rs.Find(QStringLiteral("Word = 'cat'")));
    EXPECT_EQ(IdOf(m_rs), 1u);
    // FindNext goes on from the row found, wherever the cursor went since.
    ASSERT_TRUE(m_rs.MoveNext());
    ASSERT_TRUE(m_rs.MoveNext());
    ASSERT_TRUE(m_rs.FindNext());
    EXPECT_EQ(IdOf(m_rs), 3u);
    EXPECT_FALSE(m_rs.FindNext());
    EXPECT_TRUE(m_rs.IsEof());

    ASSERT_TRUE(m_rs.FindFirst(QStringLiteral("MemoryCycle > 1")));
    EXPECT_EQ(IdOf(m_rs), 2u);

    // Backward from the last row.
    ASSERT_TRUE(m_rs.MoveNext());
    ASSERT_TRUE(m_rs.Find(QStringLiteral("Word = 'cat'"), CADORecordset::searchBackward));
    EXPECT_EQ(IdOf(m_rs), 3u);
    ASSERT_TRUE(m_rs.FindNext());
    EXPECT_EQ(IdOf(m_rs), 1u);
    EXPECT_FALSE(m_rs.FindNext());
    EXPECT_TRUE(m_rs.IsBof());

    // No match: false, at EOF.
    ASSERT_TRUE(m_rs.MoveFirst());
    EXPECT_FALSE(m_rs.Find(QStringLiteral("Word = 'horse'")));
    EXPECT_TRUE(m_rs.IsEof());

    // An unknown direction searches nothing and resets the direction.
    ASSERT_TRUE(m_rs.Find(QStringLiteral("Word = 'dog'"), CADORecordset::searchBackward));
    EXPECT_EQ(m_rs.SearchDirection(), CADORecordset::searchBackward);
    EXPECT_FALSE(m_rs.Find(QStringLiteral("Word = 'dog'"), 0));
    EXPECT_EQ(m_rs.SearchDirection(), CADORecordset::searchForward);
    EXPECT_EQ(IdOf(m_rs), 2u); // not moved

    // Bad criteria reach the caller.
    EXPECT_THROW(m_rs.Find(QStringLiteral("Word ==== ")), platform::ComError);
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(RecordsetEditing, BookmarksFilterSortAndClone)
{
    EXPECT_FALSE(m_rs.SetBookmark()); // none saved
    ASSERT_TRUE(m_rs.MoveNext());
    m_rs.GetBookmark();
    ASSERT_TRUE(m_rs.MoveNext());
    ASSERT_TRUE(m_rs.SetBookmark());
    EXPECT_EQ(IdOf(m_rs), 2u);

    ASSERT_TRUE(m_rs.SetFilter(QStringLiteral("MemoryCycle >= 2")));
    EXPECT_EQ(m_rs.GetRecordCount(), 2u);
    ASSERT_TRUE(m_rs.SetFilter(QString()));
    EXPECT_EQ(m_rs.GetRecordCount(), 3u);
    ASSERT_TRUE(m_rs.SetSort(QStringLiteral("MemoryCycle DESC")));
    ASSERT_TRUE(m_rs.MoveFirst());
    EXPECT_EQ(IdOf(m_rs), 3u);

    CADORecordset copy;
    ASSERT_TRUE(m_rs.Clone(copy));
    EXPECT_EQ(copy.GetRecordCount(), 3u);
    ASSERT_TRUE(copy.MoveFirst());
    EXPECT_EQ(IdOf(copy), 1u); // the clone has its own sort and position

    // Closing drops the sort: the query's own order comes back.
    m_rs.Close();
    ASSERT_TRUE(m_rs.Open(QString()));
    EXPECT_EQ(IdOf(m_rs), 1u);
    ASSERT_TRUE(m_rs.MoveNext());
    EXPECT_EQ(IdOf(m_rs), 2u);

    EXPECT_FALSE(m_rs.SetFilter(QStringLiteral("NoSuchField = 1")));
    ExpectReport(OnlyMessage(), QStringLiteral("CADORecordset Error"), m_rs.GetLastError());
}

TEST_F(RecordsetEditing, GetStringWithItsDefaults)
{
    ASSERT_TRUE(m_rs.Open(
        m_database.GetActiveConnection(), QStringLiteral("SELECT ID, Word, Pronunciation FROM Words ORDER BY ID")));
    EXPECT_EQ(m_rs.GetString(), QStringLiteral("1\tcat\tkat\r2\tdog\t\r3\tCat\tkat\r"));
    ASSERT_TRUE(m_rs.Open(QString()));
    EXPECT_EQ(m_rs.GetString(QStringLiteral(";"), QStringLiteral("|"), 2), QStringLiteral("1;cat;kat|2;dog;|"));
}

TEST_F(RecordsetEditing, SaveToXmlThenOpenFromXml)
{
    const QString file = m_dir.filePath(QStringLiteral("words.xml"));
    ASSERT_TRUE(m_rs.SaveToXML(file));
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_FALSE(m_rs.SaveToXML(file)); // refuses to overwrite
    ExpectReport(OnlyMessage(), QStringLiteral("CADORecordset Error"), m_rs.GetLastError());
    m_messages.Clear();

    CADORecordset fromFile;
    ASSERT_TRUE(fromFile.OpenFromXML(file));
    EXPECT_EQ(fromFile.GetRecordCount(), 3u); // walked: a file gives no count
    QStringList words;
    while (!fromFile.IsEof()) {
        words << FieldValue<QString>(fromFile, "Word");
        ASSERT_TRUE(fromFile.MoveNext());
    }
    EXPECT_EQ(words, QStringList({ "cat", "dog", "Cat" }));
    QString dateText;
    ASSERT_TRUE(fromFile.MoveFirst());
    ASSERT_TRUE(fromFile.GetFieldValue(QStringLiteral("Date"), dateText, QStringLiteral("%Y-%m-%d")));
    EXPECT_EQ(dateText, QStringLiteral("2010-05-16"));
    // Forward-only: no way back.
    ASSERT_TRUE(fromFile.MoveNext());
    EXPECT_FALSE(fromFile.MovePrevious());
    ExpectReport(OnlyMessage(), QStringLiteral("CADORecordset Error"), fromFile.GetLastError());
    m_messages.Clear();

    // An open recordset is closed before the file is read.
    ASSERT_TRUE(m_rs.IsOpen());
    ASSERT_TRUE(m_rs.OpenFromXML(file));
    EXPECT_EQ(m_rs.GetRecordCount(), 3u);
    EXPECT_EQ(IdOf(m_rs), 1u);
    EXPECT_TRUE(m_messages.Messages().empty());

    // A missing file, on a recordset that holds nothing yet.
    CADORecordset fresh;
    EXPECT_FALSE(fresh.OpenFromXML(m_dir.filePath(QStringLiteral("missing.xml"))));
    ExpectReport(OnlyMessage(), QStringLiteral("CADORecordset Error"), fresh.GetLastError());
    EXPECT_EQ(fresh.GetLastError(), 0x800A0BBAu); // the file, not "already open"
}

namespace {
// A structure bound to Words: Word (ordinal 2) and MemoryCycle (ordinal 6).
struct WordRecord : engine::RecordBinding {
    char16_t word[51] = {};
    std::int32_t cycle = 0;
    long wordStatus = 0;
    long cycleStatus = 0;

    std::vector<engine::FieldBinding> Bindings() override
    {
        return { { 2, engine::adVarWChar, word, sizeof word, &wordStatus, true },
            { 6, engine::adInteger, &cycle, sizeof cycle, &cycleStatus, true } };
    }
    void SetWord(const QString& text)
    {
        std::fill(std::begin(word), std::end(word), u'\0');
        std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), text.size(), word);
    }
};
} // namespace

TEST_F(RecordsetEditing, BoundRecordFollowsTheRowsAndAddsOne)
{
    WordRecord record;
    // Without a binding the added row has nowhere to come from.
    EXPECT_FALSE(m_rs.AddNew(record));
    ExpectReport(OnlyMessage(), QStringLiteral("CADORecordset Error"), 0x80004003u);
    m_messages.Clear();

    ASSERT_TRUE(m_rs.BindRecord(record));
    EXPECT_EQ(QString::fromUtf16(record.word), QStringLiteral("cat"));
    EXPECT_EQ(record.cycle, 1);
    ASSERT_TRUE(m_rs.MoveNext());
    EXPECT_EQ(QString::fromUtf16(record.word), QStringLiteral("dog"));
    EXPECT_EQ(record.cycle, 2);

    record.SetWord(QStringLiteral("fish"));
    record.cycle = 3;
    ASSERT_TRUE(m_rs.AddNew(record));
    ASSERT_TRUE(m_rs.Open(QString()));
    EXPECT_EQ(m_rs.GetRecordCount(), 4u);
    CADORecordset added;
    ASSERT_TRUE(added.Open(
        m_database.GetActiveConnection(), QStringLiteral("SELECT MemoryCycle FROM Words WHERE Word = 'fish'")));
    EXPECT_EQ(FieldValue<unsigned long>(added, "MemoryCycle"), 3u);
    EXPECT_TRUE(m_messages.Messages().empty());

    // A binding to a field the rows lack reaches the caller.
    struct BadRecord : engine::RecordBinding {
        std::int32_t value = 0;
        std::vector<engine::FieldBinding> Bindings() override
        {
            return { { 99, engine::adInteger, &value, sizeof value, nullptr, true } };
        }
    } bad;
    EXPECT_THROW(m_rs.BindRecord(bad), platform::ComError);
}
