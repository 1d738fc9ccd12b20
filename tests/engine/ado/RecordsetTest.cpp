// The recordset as the word store uses it: a snapshot fetched at open,
// moves with ADO's BOF/EOF rules, text that comes back exactly as it was
// written, and edits that reach the file at once, never overwriting a row
// that changed underneath.
#include "engine/EngineTestFiles.h"

using enginetest::DescriptionOf;
using enginetest::ErrorOf;
using enginetest::Hex;
using platform::Variant;

namespace {

class RecordsetTest : public enginetest::EngineTest { };

const char* const kNoCurrentRecord = "Either BOF or EOF is True, or the current record has been deleted. Requested "
                                     "operation requires a current record.";

TEST_F(RecordsetTest, TextOfEveryScriptComesBackAsWrittenAndNullStaysApartFromEmpty)
{
    const QString description = QString(QStringLiteral("Ünïcödé ✓ 汉字 ")).repeated(1024 * 1024 / 12);
    const QStringList words
        = { "学习", "ˈæp.əl", "🦊🚀 emoji", "שָׁלוֹם עֲלֵיכֶם", "مرحبا", "O'Brien's \"quoted\" 'word'" };
    {
        auto rs = Open(QStringLiteral("SELECT * FROM Words"));
        for (const QString& word : words) {
            rs->AddNew();
            Put(rs, QStringLiteral("Word"), Text(word));
            Put(rs, QStringLiteral("Pronunciation"), Text(word.right(3)));
            Put(rs, QStringLiteral("Description"), Text(description));
            rs->Update();
        }
    }
    auto rs = Open(QStringLiteral("SELECT * FROM Words ORDER BY ID"));
    ASSERT_EQ(rs->RecordCount(), words.size());
    for (const QString& word : words) {
        ASSERT_FALSE(rs->IsEOF());
        EXPECT_EQ(Get(rs, QStringLiteral("Word")).bstrVal(), word);
        EXPECT_EQ(Get(rs, QStringLiteral("Pronunciation")).bstrVal(), word.right(3));
        EXPECT_EQ(Get(rs, QStringLiteral("Description")).bstrVal(), description);
        EXPECT_EQ(rs->GetFields()->Item(QStringLiteral("Word"))->ActualSize(), word.size() * 2);
        rs->MoveNext();
    }
    EXPECT_TRUE(rs->IsEOF());
    // The lookup the store builds from user text finds the apostrophes too.
    auto lookup = Open(QStringLiteral("SELECT * FROM Words WHERE Word = 'O''Brien''s \"quoted\" ''word'''"));
    EXPECT_EQ(lookup->RecordCount(), 1);

    // Null and empty text stay apart.
    Exec(QStringLiteral("DELETE FROM Words"));
    rs = Open(QStringLiteral("SELECT * FROM Words"));
    rs->AddNew();
    Put(rs, QStringLiteral("Word"), Text(QString()));
    Put(rs, QStringLiteral("Pronunciation"), Variant::Null());
    rs->Update();
    EXPECT_EQ(Raw(QStringLiteral("SELECT quote(Word) || '/' || quote(Pronunciation) || '/' || quote(Description) FROM "
                                 "Words")),
        QStringLiteral("''/NULL/NULL"));
    auto again = Open(QStringLiteral("SELECT * FROM Words"));
    EXPECT_EQ(Get(again, QStringLiteral("Word")).vt(), platform::VT_BSTR);
    EXPECT_TRUE(Get(again, QStringLiteral("Word")).bstrVal().isEmpty());
    EXPECT_TRUE(Get(again, QStringLiteral("Pronunciation")).IsNull());
    EXPECT_TRUE(Get(again, QStringLiteral("Description")).IsNull());
    EXPECT_EQ(again->GetFields()->Item(QStringLiteral("Description"))->ActualSize(), 0);
}

TEST_F(RecordsetTest, MovesFollowAdosBofAndEofRules)
{
    auto empty = Open(QStringLiteral("SELECT * FROM Words"));
    EXPECT_TRUE(empty->IsEOF());
    EXPECT_TRUE(empty->IsBOF());
    EXPECT_EQ(empty->RecordCount(), 0);
    auto e = ErrorOf([&] { Get(empty, QStringLiteral("Word")); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::adErrNoCurrentRecord));
    EXPECT_EQ(DescriptionOf(e), QString::fromLatin1(kNoCurrentRecord));
    // ADO blames the field, not the recordset, for a value read or put with no row.
    EXPECT_EQ(e.Source().value_or(QString()), QStringLiteral("ADODB.Field"));
    e = ErrorOf([&] { Put(empty, QStringLiteral("Word"), Text(QStringLiteral("x"))); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::adErrNoCurrentRecord));
    EXPECT_EQ(e.Source().value_or(QString()), QStringLiteral("ADODB.Field"));

    for (const char* word : { "one", "two", "three" })
        AddWord(QString::fromUtf8(word));
    auto rs = Open(QStringLiteral("SELECT * FROM Words"));
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_FALSE(rs->IsBOF());
    EXPECT_EQ(Get(rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("one"));
    EXPECT_EQ(rs->AbsolutePosition(), 1);
    rs->MovePrevious();
    EXPECT_TRUE(rs->IsBOF());
    EXPECT_FALSE(rs->IsEOF());
    e = ErrorOf([&] { rs->MovePrevious(); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::adErrNoCurrentRecord));
    rs->MoveNext();
    EXPECT_EQ(Get(rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("one"));
    rs->MoveLast();
    EXPECT_EQ(Get(rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("three"));
    rs->MoveNext();
    EXPECT_TRUE(rs->IsEOF());
    EXPECT_EQ(rs->AbsolutePosition(), -3);
    e = ErrorOf([&] { rs->MoveNext(); });
    EXPECT_EQ(DescriptionOf(e), QString::fromLatin1(kNoCurrentRecord));
    rs->MovePrevious();
    EXPECT_EQ(Get(rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("three"));
    rs->Move(-2);
    EXPECT_EQ(Get(rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("one"));
    rs->Move(5);
    EXPECT_TRUE(rs->IsEOF());

    // Field names are Jet's: any case; a name the rowset lacks is ADO's error.
    rs->MoveFirst();
    EXPECT_EQ(Get(rs, QStringLiteral("wOrD")).bstrVal(), QStringLiteral("one"));
    e = ErrorOf([&] { Get(rs, QStringLiteral("Colour")); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::adErrItemNotFound));
    EXPECT_EQ(e.Source().value_or(QString()), QStringLiteral("ADODB.Fields"));
    e = ErrorOf([&] { rs->GetFields()->Item(99); });
    EXPECT_EQ(e.Source().value_or(QString()), QStringLiteral("ADODB.Fields"));
    // A move past the end is still the recordset's failure.
    rs->MoveLast();
    rs->MoveNext();
    e = ErrorOf([&] { rs->MoveNext(); });
    EXPECT_EQ(e.Source().value_or(QString()), QStringLiteral("ADODB.Recordset"));

    rs->Close();
    e = ErrorOf([&] { rs->MoveNext(); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::adErrObjectClosed));
    e = ErrorOf([&] { rs->RecordCount(); });
    EXPECT_EQ(DescriptionOf(e), QStringLiteral("Operation is not allowed when the object is closed."));
    e = ErrorOf([&] { rs->Close(); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::adErrObjectClosed));
}

TEST_F(RecordsetTest, ForwardOnlyCountsMinusOneAndOnlyRewinds)
{
    for (const char* word : { "a", "b", "c" })
        AddWord(QString::fromUtf8(word));
    auto rs = Open(QStringLiteral("SELECT * FROM Words"), engine::adOpenForwardOnly);
    EXPECT_EQ(rs->RecordCount(), -1);
    int walked = 0;
    while (!rs->IsEOF()) {
        rs->MoveNext();
        ++walked;
    }
    EXPECT_EQ(walked, 3);
    auto e = ErrorOf([&] { rs->MovePrevious(); });
    EXPECT_EQ(DescriptionOf(e), QStringLiteral("Rowset does not support fetching backward."));
    e = ErrorOf([&] { rs->Bookmark(); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::adErrFeatureNotAvailable));
    rs->MoveFirst();
    EXPECT_EQ(Get(rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("a"));
    EXPECT_EQ(rs->RecordCount(), -1);

    // Cursor and lock types outside ADO's lists are refused before an open.
    auto closed = engine::Recordset::Create();
    for (const long bad : { -2L, 4L })
        EXPECT_EQ(Hex(ErrorOf([&] { closed->SetCursorType(bad); }).Error()), Hex(platform::adErrInvalidArgument))
            << bad;
    for (const long bad : { -2L, 0L, 5L })
        EXPECT_EQ(Hex(ErrorOf([&] { closed->SetLockType(bad); }).Error()), Hex(platform::adErrInvalidArgument)) << bad;
    // ADO's own numbers, which callers may pass as plain numbers.
    const long cursorTypes[] = { engine::adOpenUnspecified, engine::adOpenForwardOnly, engine::adOpenKeyset,
        engine::adOpenDynamic, engine::adOpenStatic };
    for (long n = -1; n <= 3; ++n) {
        closed->SetCursorType(n);
        EXPECT_EQ(closed->CursorType(), cursorTypes[n + 1]) << n;
    }
    const long lockTypes[] = { engine::adLockUnspecified, 0, engine::adLockReadOnly, engine::adLockPessimistic,
        engine::adLockOptimistic, engine::adLockBatchOptimistic };
    for (long n = -1; n <= 4; ++n) {
        if (n != 0) {
            closed->SetLockType(n);
            EXPECT_EQ(closed->LockType(), lockTypes[n + 1]) << n;
        }
    }
}

TEST_F(RecordsetTest, UpdateWritesAtOnceAndRefusesARowChangedUnderneath)
{
    const int id = AddWord(QStringLiteral("apple"), QStringLiteral("2024-03-01"), 2);
    auto rs = Open(QStringLiteral("SELECT * FROM Words"));
    Put(rs, QStringLiteral("MemoryCycle"), Variant::FromI4(4));
    EXPECT_EQ(rs->EditMode(), engine::adEditInProgress);
    EXPECT_EQ(Get(rs, QStringLiteral("MemoryCycle")), Variant::FromI4(4));
    EXPECT_EQ(Raw(QStringLiteral("SELECT MemoryCycle FROM Words")), QStringLiteral("2")) << "nothing before Update";
    rs->Update();
    EXPECT_EQ(rs->EditMode(), engine::adEditNone);
    EXPECT_EQ(Raw(QStringLiteral("SELECT MemoryCycle FROM Words")), QStringLiteral("4"));

    // Someone else changes the row; our write must not overwrite theirs.
    RawExec(QStringLiteral("UPDATE Words SET Word = 'APPLE' WHERE ID = %1").arg(id));
    Put(rs, QStringLiteral("Description"), Text(QStringLiteral("a fruit")));
    auto e = ErrorOf([&] { rs->Update(); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::DB_E_CONCURRENCYVIOLATION));
    EXPECT_EQ(DescriptionOf(e),
        QStringLiteral("Row cannot be located for updating. Some values may have been "
                       "changed since it was last read."));
    EXPECT_EQ(Raw(QStringLiteral("SELECT Word || '/' || quote(Description) FROM Words")), QStringLiteral("APPLE/NULL"));
    rs->CancelUpdate();
    EXPECT_EQ(Get(rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("apple")) << "the snapshot keeps what it read";
    EXPECT_TRUE(Get(rs, QStringLiteral("Description")).IsNull());

    // Deleting it is refused the same way; after Resync (the row read
    // again) or Requery it can be changed.
    e = ErrorOf([&] { rs->Delete(); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::DB_E_CONCURRENCYVIOLATION));
    EXPECT_EQ(Raw(QStringLiteral("SELECT count(*) FROM Words")), QStringLiteral("1"));
    Put(rs, QStringLiteral("Pronunciation"), Text(QStringLiteral("dropped")));
    rs->Resync();
    EXPECT_EQ(rs->EditMode(), engine::adEditNone);
    EXPECT_EQ(Get(rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("APPLE"));
    EXPECT_TRUE(Get(rs, QStringLiteral("Pronunciation")).IsNull());
    Put(rs, QStringLiteral("MemoryCycle"), Variant::FromI4(8));
    rs->Update();
    EXPECT_EQ(Raw(QStringLiteral("SELECT Word || '/' || MemoryCycle FROM Words")), QStringLiteral("APPLE/8"));
    rs->Requery();
    EXPECT_EQ(Get(rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("APPLE"));
    Put(rs, QStringLiteral("Description"), Text(QStringLiteral("a fruit")));
    rs->Update();
    EXPECT_EQ(Raw(QStringLiteral("SELECT Description FROM Words")), QStringLiteral("a fruit"));

    // A row gone from the file is gone from the snapshot after Resync.
    RawExec(QStringLiteral("DELETE FROM Words"));
    rs->Resync();
    EXPECT_EQ(rs->RecordCount(), 0);
}

TEST_F(RecordsetTest, AddedRowShowsItsIdAndDefaultsAtTheFixedClock)
{
    auto rs = Open(QStringLiteral("SELECT * FROM Words"));
    rs->AddNew();
    EXPECT_EQ(rs->EditMode(), engine::adEditAdd);
    Put(rs, QStringLiteral("Word"), Text(QStringLiteral("first")));
    rs->Update();
    EXPECT_EQ(Get(rs, QStringLiteral("ID")), Variant::FromI4(1));
    EXPECT_EQ(Get(rs, QStringLiteral("MemoryCycle")), Variant::FromI4(1));
    const Variant date = Get(rs, QStringLiteral("Date"));
    ASSERT_EQ(date.vt(), platform::VT_DATE);
    EXPECT_EQ(platform::OleDateTime(date.date()).Format(QStringLiteral("%Y-%m-%d %H:%M:%S")),
        QStringLiteral("2024-03-05 10:30:15"));
    EXPECT_EQ(Raw(QStringLiteral("SELECT Date FROM Words")), QStringLiteral("2024-03-05 10:30:15"));
    EXPECT_EQ(rs->RecordCount(), 1);

    platform::Clock::Advance(60);
    rs->AddNew();
    Put(rs, QStringLiteral("Word"), Text(QStringLiteral("second")));
    rs->Update();
    EXPECT_EQ(Get(rs, QStringLiteral("ID")), Variant::FromI4(2));
    EXPECT_EQ(Raw(QStringLiteral("SELECT Date FROM Words WHERE ID = 2")), QStringLiteral("2024-03-05 10:31:15"));
    EXPECT_EQ(rs->RecordCount(), 2);

    // A cancelled AddNew writes nothing and returns to the row before it.
    rs->MoveFirst();
    rs->AddNew();
    Put(rs, QStringLiteral("Word"), Text(QStringLiteral("never")));
    rs->CancelUpdate();
    EXPECT_EQ(Get(rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("first"));
    EXPECT_EQ(Raw(QStringLiteral("SELECT count(*) FROM Words")), QStringLiteral("2"));

    // The ID is the engine's to assign.
    auto e = ErrorOf([&] { Put(rs, QStringLiteral("ID"), Variant::FromI4(40)); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::E_FAIL));
}

TEST_F(RecordsetTest, DeletingWhileWalkingVisitsEveryRowOnce)
{
    for (int i = 0; i < 7; ++i)
        AddWord(QStringLiteral("w%1").arg(i));
    auto rs = Open(QStringLiteral("SELECT * FROM Words"));
    QStringList visited;
    while (!rs->IsEOF()) {
        visited << Get(rs, QStringLiteral("Word")).bstrVal();
        rs->Delete();
        EXPECT_EQ(rs->EditMode(), engine::adEditDelete);
        EXPECT_EQ(Hex(ErrorOf([&] { Get(rs, QStringLiteral("Word")); }).Error()), Hex(platform::adErrNoCurrentRecord));
        rs->MoveNext();
    }
    EXPECT_EQ(visited, (QStringList { "w0", "w1", "w2", "w3", "w4", "w5", "w6" }));
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_TRUE(rs->IsBOF());
    EXPECT_EQ(Raw(QStringLiteral("SELECT count(*) FROM Words")), QStringLiteral("0"));

    // Every other row, then walking back: only the survivors are seen.
    for (int i = 0; i < 6; ++i)
        AddWord(QStringLiteral("v%1").arg(i));
    rs = Open(QStringLiteral("SELECT * FROM Words"));
    for (bool remove = true; !rs->IsEOF(); remove = !remove) {
        if (remove)
            rs->Delete();
        rs->MoveNext();
    }
    QStringList back;
    for (rs->MovePrevious(); !rs->IsBOF(); rs->MovePrevious())
        back << Get(rs, QStringLiteral("Word")).bstrVal();
    EXPECT_EQ(back, (QStringList { "v5", "v3", "v1" }));
    EXPECT_EQ(rs->RecordCount(), 3);
}

TEST_F(RecordsetTest, RequiredTooLongAndDuplicateValuesAreRefused)
{
    Exec(QStringLiteral("CREATE TABLE Tags (ID COUNTER PRIMARY KEY, Name TEXT(10) NOT NULL, Note TEXT(20))"));
    Exec(QStringLiteral("CREATE UNIQUE INDEX TagName ON Tags (Name)"));
    auto rs = Open(QStringLiteral("SELECT * FROM Tags"));
    rs->AddNew();
    Put(rs, QStringLiteral("Note"), Text(QStringLiteral("no name")));
    auto e = ErrorOf([&] { rs->Update(); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::E_FAIL));
    EXPECT_TRUE(DescriptionOf(e).contains(QStringLiteral("'Tags.Name' cannot contain a Null value")))
        << DescriptionOf(e).toStdString();
    Put(rs, QStringLiteral("Name"), Text(QStringLiteral("eleven char")));
    e = ErrorOf([&] { rs->Update(); });
    EXPECT_TRUE(DescriptionOf(e).contains(QStringLiteral("'Tags.Name' is too small")))
        << DescriptionOf(e).toStdString();
    Put(rs, QStringLiteral("Name"), Text(QStringLiteral("ten chars!")));
    rs->Update();
    EXPECT_EQ(Raw(QStringLiteral("SELECT Name FROM Tags")), QStringLiteral("ten chars!"));

    rs->AddNew();
    Put(rs, QStringLiteral("Name"), Text(QStringLiteral("ten chars!")));
    e = ErrorOf([&] { rs->Update(); });
    // Jet's own text, word for word: one space between its sentences, and
    // neither the field nor the index named.
    EXPECT_EQ(DescriptionOf(e),
        QStringLiteral("The changes you requested to the table were not successful because they would create "
                       "duplicate values in the index, primary key, or relationship. Change the data in the field "
                       "or fields that contain duplicate data, remove the index, or redefine the index to permit "
                       "duplicate entries and try again."));
    rs->CancelUpdate();
    EXPECT_EQ(Raw(QStringLiteral("SELECT count(*) FROM Tags")), QStringLiteral("1"));

    // An edit of an existing row that breaks a rule leaves the row as it was.
    rs->MoveFirst();
    Put(rs, QStringLiteral("Note"), Text(QString(21, QLatin1Char('x'))));
    e = ErrorOf([&] { rs->Update(); });
    EXPECT_TRUE(DescriptionOf(e).contains(QStringLiteral("'Tags.Note'")));
    rs->CancelUpdate();
    EXPECT_EQ(Raw(QStringLiteral("SELECT Note FROM Tags")), QStringLiteral("no name"));
}

TEST_F(RecordsetTest, CriteriaOfTheWrongTypeAreJetsTypeMismatch)
{
    AddWord(QStringLiteral("abc"), QStringLiteral("2024-03-01"), 4);
    // Text that is a number or a date is read as one where it meets one;
    // text that is none is Jet's error, not an empty result.
    const struct {
        const char* where;
        int rows; // -1: type mismatch
    } cases[] = { { "ID = 'abc'", -1 }, { "'abc' = ID", -1 }, { "MemoryCycle > 'x'", -1 }, { "ID IN (1, 'abc')", -1 },
        { "MemoryCycle BETWEEN 'a' AND 9", -1 }, { "[Date] = 'no date'", -1 }, { "Len(Word) = 'three'", -1 },
        { "ID = '1'", 1 }, { "MemoryCycle = ' 4 '", 1 }, { "MemoryCycle < '4.5'", 1 }, { "ID IN ('1', 2)", 1 },
        { "[Date] = '2024-03-01'", 1 }, { "[Date] > '3/1/2024'", 0 }, { "Len(Word) = '3'", 1 }, { "Word = 'ABC'", 1 },
        { "Word = '1'", 0 } };
    for (const auto& c : cases) {
        const QString sql = QStringLiteral("SELECT * FROM Words WHERE ") + QLatin1String(c.where);
        if (c.rows >= 0) {
            EXPECT_EQ(Open(sql)->RecordCount(), c.rows) << c.where;
            continue;
        }
        const auto e = ErrorOf([&] { Open(sql); });
        EXPECT_EQ(Hex(e.Error()), Hex(platform::DB_E_CANTCONVERTVALUE)) << c.where;
        EXPECT_EQ(DescriptionOf(e), QStringLiteral("Data type mismatch in criteria expression.")) << c.where;
    }
    auto e = ErrorOf([&] { Exec(QStringLiteral("DELETE FROM Words WHERE ID = 'abc'")); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::DB_E_CANTCONVERTVALUE));
    EXPECT_EQ(Raw(QStringLiteral("SELECT count(*) FROM Words")), QStringLiteral("1"));
    // A value only the rows show to be of the wrong type is the same error.
    e = ErrorOf([&] { Open(QStringLiteral("SELECT DateAdd('d', Word, [Date]) FROM Words")); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::DB_E_CANTCONVERTVALUE));
    EXPECT_EQ(DescriptionOf(e), QStringLiteral("Data type mismatch in criteria expression."));
}

TEST_F(RecordsetTest, ResultsThatCannotBeWrittenBackRefuseEdits)
{
    AddWord(QStringLiteral("a"));
    auto counted = Open(QStringLiteral("SELECT Count(*) AS n FROM Words"));
    EXPECT_EQ(Get(counted, QStringLiteral("n")), Variant::FromI4(1));
    auto e = ErrorOf([&] { Put(counted, QStringLiteral("n"), Variant::FromI4(2)); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::adErrFeatureNotAvailable));
    EXPECT_TRUE(DescriptionOf(e).contains(QStringLiteral("not updatable")));

    auto readOnly = Open(QStringLiteral("SELECT * FROM Words"), engine::adOpenStatic, engine::adLockReadOnly);
    e = ErrorOf([&] { readOnly->AddNew(); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::adErrFeatureNotAvailable));

    auto computed = Open(QStringLiteral("SELECT Word, MemoryCycle * 2 AS Twice FROM Words"));
    EXPECT_EQ(Get(computed, QStringLiteral("Twice")), Variant::FromI4(2));
    e = ErrorOf([&] { Put(computed, QStringLiteral("Twice"), Variant::FromI4(8)); });
    EXPECT_TRUE(DescriptionOf(e).contains(QStringLiteral("expression")));
    Put(computed, QStringLiteral("Word"), Text(QStringLiteral("b")));
    computed->Update();
    EXPECT_EQ(Raw(QStringLiteral("SELECT Word FROM Words")), QStringLiteral("b"));
}

TEST_F(RecordsetTest, TablesAndSavedQueriesOpenByName)
{
    AddWord(QStringLiteral("a"));
    AddWord(QStringLiteral("b"));
    auto table = engine::Recordset::Create();
    table->Open(QStringLiteral("Words"), Db(), engine::adOpenKeyset, engine::adLockOptimistic, engine::adCmdTable);
    EXPECT_EQ(table->RecordCount(), 2);
    Put(table, QStringLiteral("Word"), Text(QStringLiteral("A")));
    table->Update();
    EXPECT_EQ(Raw(QStringLiteral("SELECT Word FROM Words WHERE ID = 1")), QStringLiteral("A"));

    Exec(QStringLiteral("CREATE PROCEDURE LongCycles AS SELECT Word FROM Words WHERE MemoryCycle > 1"));
    Exec(QStringLiteral("UPDATE Words SET MemoryCycle = 4 WHERE Word = 'b'"));
    auto saved = engine::Recordset::Create();
    saved->Open(
        QStringLiteral("LongCycles"), Db(), engine::adOpenStatic, engine::adLockOptimistic, engine::adCmdStoredProc);
    ASSERT_EQ(saved->RecordCount(), 1);
    EXPECT_EQ(Get(saved, QStringLiteral("Word")).bstrVal(), QStringLiteral("b"));
    // A bare name is a table or a saved query, as ADO's adCmdUnknown finds it.
    EXPECT_EQ(Open(QStringLiteral("[Words]"))->RecordCount(), 2);
    EXPECT_EQ(Open(QStringLiteral("LongCycles"))->RecordCount(), 1);

    auto e = ErrorOf([&] {
        engine::Recordset::Create()->Open(
            QStringLiteral("Nowhere"), Db(), engine::adOpenStatic, engine::adLockOptimistic, engine::adCmdStoredProc);
    });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::DB_E_NOTABLE));
}

} // namespace
