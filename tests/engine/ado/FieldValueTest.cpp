// Field values: the VT type each ADO type reads as, the conversions Jet
// makes when a value is put into a field of another type, and the values
// it refuses without writing anything; the fields' descriptions; long
// values in chunks.
#include "engine/EngineTestFiles.h"
#include "engine/sqlite/ValueConversion.h"

using enginetest::ErrorOf;
using enginetest::Hex;
using platform::Variant;

namespace {

class FieldValueTest : public enginetest::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        Exec(QStringLiteral("CREATE TABLE Kinds (ID COUNTER PRIMARY KEY, L LONG, S SHORT, B BYTE, R REAL, D DOUBLE, "
                            "C CURRENCY, T DATETIME, Y YESNO, X TEXT(50), M MEMO, N NUMERIC(10,2), G LONGBINARY)"));
        Exec(QStringLiteral("INSERT INTO Kinds (L, S, B, R, D, C, T, Y, X, M, N) VALUES (70000, -12, 200, 2.5, "
                            "0.1, 12.3456, #2010-05-17 08:30:00#, True, 'text', 'memo', 123.45)"));
    }
};

TEST_F(FieldValueTest, EachTypeReadsAsItsVariantType)
{
    auto rs = Open(QStringLiteral("SELECT * FROM Kinds"));
    auto fields = rs->GetFields();
    // Each value with the VT type of its ADO type.
    platform::DECIMAL n;
    n.Lo64 = 12345;
    n.scale = 2;
    const std::pair<const char*, Variant> values[] = { { "L", Variant::FromI4(70000) }, { "S", Variant::FromI2(-12) },
        { "B", Variant::FromUI1(200) }, { "R", Variant::FromR4(2.5f) }, { "D", Variant::FromR8(0.1) },
        { "C", Variant::FromCy(123456) }, { "T", Variant::FromDate(platform::OleDateTime(2010, 5, 17, 8, 30, 0).m_dt) },
        { "Y", Variant::FromBool(true) }, { "X", Text(QStringLiteral("text")) }, { "M", Text(QStringLiteral("memo")) },
        { "N", Variant::FromDecimal(n) }, { "G", Variant::Null() } };
    for (const auto& [name, value] : values)
        EXPECT_EQ(Get(rs, QString::fromLatin1(name)), value) << name;

    // Each field's type, as ADO numbers it, and size; only the primary key
    // is a key column, and the only one not nullable; only the numeric
    // column has a precision and scale.
    const struct {
        const char* name;
        long type;
        long size;
        bool key;
        int precision = 0;
        int scale = 0;
    } described[] = { { "ID", 3, 4, true }, { "L", 3, 4, false }, { "S", 2, 2, false }, { "B", 17, 1, false },
        { "R", 4, 4, false }, { "D", 5, 8, false }, { "C", 6, 8, false }, { "T", 7, 8, false }, { "Y", 11, 2, false },
        { "X", 202, 50, false }, { "M", 203, 536870910, false }, { "N", 131, 19, false, 10, 2 } };
    for (const auto& d : described) {
        const auto field = fields->Item(QString::fromLatin1(d.name));
        EXPECT_EQ(field->Type(), d.type) << d.name;
        EXPECT_EQ(field->DefinedSize(), d.size) << d.name;
        EXPECT_EQ(bool(field->Attributes() & engine::adFldKeyColumn), d.key) << d.name;
        EXPECT_EQ(bool(field->Attributes() & engine::adFldIsNullable), !d.key) << d.name;
        EXPECT_EQ(field->Precision(), d.precision) << d.name;
        EXPECT_EQ(field->NumericScale(), d.scale) << d.name;
    }
    // A Byte worked out by an expression keeps its type and size.
    const auto computedByte
        = Open(QStringLiteral("SELECT Max(B) AS P FROM Kinds"))->GetFields()->Item(QStringLiteral("P"));
    EXPECT_EQ(computedByte->Type(), 17);
    EXPECT_EQ(computedByte->DefinedSize(), 1);
    // A column read through a join is not written back, and stays nullable.
    EXPECT_TRUE(Open(QStringLiteral("SELECT A.X FROM Kinds AS A INNER JOIN Kinds AS B ON A.ID = B.ID"))
                    ->GetFields()
                    ->Item(QStringLiteral("X"))
                    ->Attributes()
        & engine::adFldIsNullable);
    EXPECT_TRUE(fields->Item(QStringLiteral("M"))->Attributes() & engine::adFldLong);
    EXPECT_TRUE(fields->Item(QStringLiteral("X"))->Attributes() & engine::adFldUpdatable);
    EXPECT_EQ(fields->Item(QStringLiteral("C"))->ActualSize(), 8);
    EXPECT_EQ(fields->Item(QStringLiteral("X"))->ActualSize(), 8);
    EXPECT_EQ(fields->Count(), 13);
    EXPECT_EQ(fields->Item(Variant::FromI2(1))->Name(), QStringLiteral("L"));
    EXPECT_EQ(Hex(ErrorOf([&] { fields->Item(Variant::FromI2(13)); }).Error()), Hex(platform::adErrItemNotFound));

    // Zero is a value of every numeric type, never an empty or Null one.
    Exec(QStringLiteral("INSERT INTO Kinds (L, S, B, R, D, C, Y) VALUES (0, 0, 0, 0, 0, 0, False)"));
    rs = Open(QStringLiteral("SELECT * FROM Kinds WHERE L = 0"));
    for (const auto& [name, zero] : { std::pair { "L", Variant::FromI4(0) }, { "S", Variant::FromI2(0) },
             { "B", Variant::FromUI1(0) }, { "R", Variant::FromR4(0.0f) }, { "D", Variant::FromR8(0.0) },
             { "C", Variant::FromCy(0) }, { "Y", Variant::FromBool(false) } })
        EXPECT_EQ(Get(rs, QString::fromLatin1(name)), zero) << name;
}

TEST_F(FieldValueTest, ComputedColumnsHaveTheTypesJetGivesThem)
{
    // Each expression's Type and the VT of its value, whatever SQLite
    // happened to store (a date is text there, a Long may be any integer).
    using namespace engine;
    using namespace platform;
    const struct {
        const char* expression;
        long type;
        VARTYPE vt;
        const char* from = "Kinds";
    } cases[] = { { "Now()", adDate, VT_DATE }, { "Date()", adDate, VT_DATE }, { "#1/2/2000#", adDate, VT_DATE },
        { "DateSerial(2000, 1, 2)", adDate, VT_DATE }, { "DateAdd('d', 1, T)", adDate, VT_DATE },
        { "CDate('2000-01-02')", adDate, VT_DATE }, { "IIf(L > 0, T, #1/2/2000#)", adDate, VT_DATE },
        { "T + 1", adDate, VT_DATE }, { "T - #1/2/2000#", adDouble, VT_R8 },
        // A column named with its table or alias, the second table of a
        // join or of a list, has its own type.
        { "Kinds.T + 1", adDate, VT_DATE },
        { "B.T + 1", adDate, VT_DATE, "Kinds AS A INNER JOIN Kinds AS B ON A.ID = B.ID" },
        { "K.T + 1", adDate, VT_DATE, "Kinds AS A, Kinds K" }, { "L * 2", adInteger, VT_I4 },
        { "S + B", adSmallInt, VT_I2 }, { "L + S", adInteger, VT_I4 }, { "D / 4", adDouble, VT_R8 },
        { "N / 4", adNumeric, VT_DECIMAL }, { "L / 2", adDouble, VT_R8 }, { "7 \\ 2", adInteger, VT_I4 },
        { "C * 2", adCurrency, VT_CY }, { "R * R", adSingle, VT_R4 }, { "X & '!'", adVarWChar, VT_BSTR },
        { "L & ''", adVarWChar, VT_BSTR }, { "Year(T)", adSmallInt, VT_I2 },
        { "DateDiff('d', T, Now())", adInteger, VT_I4 }, { "Len(X)", adInteger, VT_I4 },
        { "CInt(2.6)", adSmallInt, VT_I2 }, { "CLng(2.6)", adInteger, VT_I4 }, { "CDbl(2)", adDouble, VT_R8 },
        { "CStr(12)", adVarWChar, VT_BSTR }, { "Nz(X, 'none')", adVarWChar, VT_BSTR },
        { "IIf(Y, L, S)", adInteger, VT_I4 }, { "IIf(Y, Y, Y)", adBoolean, VT_BOOL }, { "L = 70000", adInteger, VT_I4 },
        { "True", adInteger, VT_I4 }, { "Max(T)", adDate, VT_DATE }, { "Count(*)", adInteger, VT_I4 } };
    for (const auto& c : cases) {
        auto rs
            = Open(QStringLiteral("SELECT %1 AS E FROM %2").arg(QLatin1String(c.expression), QLatin1String(c.from)));
        const auto field = rs->GetFields()->Item(QStringLiteral("E"));
        EXPECT_EQ(field->Type(), c.type) << c.expression;
        EXPECT_EQ(field->Value().vt(), c.vt) << c.expression;
    }
    auto rs = Open(QStringLiteral("SELECT DateSerial(2000, 1, 2) AS D1, X & '!' AS Shout, * FROM Kinds"));
    EXPECT_EQ(platform::OleDateTime(Get(rs, QStringLiteral("D1")).date()).Format(QStringLiteral("%Y-%m-%d")),
        QStringLiteral("2000-01-02"));
    EXPECT_EQ(Get(rs, QStringLiteral("Shout")).bstrVal(), QStringLiteral("text!"));
    EXPECT_EQ(rs->GetFields()->Item(QStringLiteral("L"))->Type(), engine::adInteger);
    // A date expression over no rows is still a date.
    rs = Open(QStringLiteral("SELECT Now() AS N FROM Kinds WHERE L < 0"));
    EXPECT_EQ(rs->GetFields()->Item(QStringLiteral("N"))->Type(), engine::adDate);
}

TEST_F(FieldValueTest, TrueIsMinusOneWhateverWroteTheYesNoValue)
{
    // A second row whose Yes another tool wrote as SQLite's 1.
    RawExec(QStringLiteral("INSERT INTO Kinds (L, Y) VALUES (2, 1)"));
    const struct {
        const char* query;
        QStringList values;
    } cases[] = { { "SELECT True FROM Kinds WHERE L = 70000", { "-1" } },
        { "SELECT False FROM Kinds WHERE L = 70000", { "0" } },
        { "SELECT CInt(True) FROM Kinds WHERE L = 70000", { "-1" } },
        { "SELECT Y + 0 FROM Kinds ORDER BY L", { "-1", "-1" } },
        { "SELECT IIf(True = -1, 'y', 'n') FROM Kinds WHERE L = 70000", { "y" } },
        { "SELECT L FROM Kinds WHERE Y = -1 ORDER BY L", { "2", "70000" } },
        { "SELECT L FROM Kinds WHERE Y = True ORDER BY L", { "2", "70000" } },
        { "SELECT L FROM Kinds WHERE Y ORDER BY L", { "2", "70000" } }, { "SELECT L FROM Kinds WHERE NOT Y", {} },
        { "SELECT (L > 5) FROM Kinds ORDER BY L", { "0", "-1" } },
        { "SELECT Y FROM Kinds ORDER BY L", { "True", "True" } } };
    for (const auto& c : cases) {
        auto rs = Open(QString::fromLatin1(c.query));
        QStringList values;
        for (; !rs->IsEOF(); rs->MoveNext())
            values << engine::DisplayText(rs->GetFields()->Item(0)->Value());
        EXPECT_EQ(values, c.values) << c.query;
    }
    EXPECT_EQ(engine::DisplayText(Variant::FromCy(-123450)), QStringLiteral("-12.345"));
    // Jet's -1 is what the engine writes, through SQL and through a field.
    Exec(QStringLiteral("CREATE TABLE Flags (F YESNO DEFAULT True, G YESNO)"));
    Exec(QStringLiteral("INSERT INTO Flags (G) VALUES (True)"));
    auto flags = Open(QStringLiteral("SELECT * FROM Flags"));
    flags->AddNew();
    Put(flags, QStringLiteral("G"), Variant::FromBool(true));
    flags->Update();
    EXPECT_EQ(Raw(QStringLiteral("SELECT group_concat(F || '/' || G, ' ') FROM Flags")), QStringLiteral("-1/-1 -1/-1"));
}

TEST_F(FieldValueTest, PutValuesAreConvertedAsJetDoesOrRefused)
{
    auto rs = Open(QStringLiteral("SELECT * FROM Kinds"));
    // Text into a date field is that date; into number fields, that number.
    Put(rs, QStringLiteral("T"), Text(QStringLiteral("2024-03-05")));
    Put(rs, QStringLiteral("L"), Text(QStringLiteral(" 42 ")));
    Put(rs, QStringLiteral("S"), Variant::FromI4(-300));
    Put(rs, QStringLiteral("D"), Text(QStringLiteral("2.75")));
    Put(rs, QStringLiteral("Y"), Variant::FromI4(0));
    Put(rs, QStringLiteral("C"), Variant::FromR8(1.5));
    Put(rs, QStringLiteral("X"), Variant::FromI4(7));
    rs->Update();
    EXPECT_EQ(Raw(QStringLiteral("SELECT T || '|' || L || '|' || S || '|' || D || '|' || Y || '|' || C || '|' || "
                                 "typeof(X) || X FROM Kinds")),
        QStringLiteral("2024-03-05 00:00:00|42|-300|2.75|0|1.5|text7"));
    EXPECT_EQ(Get(rs, QStringLiteral("L")), Variant::FromI4(42));
    EXPECT_EQ(Get(rs, QStringLiteral("Y")), Variant::FromBool(false));

    // What the field cannot hold is refused at once, as ADO's cursor
    // refuses it (one failed step of the put), and nothing changes.
    const QString before = Raw(QStringLiteral("SELECT T || L || S || B FROM Kinds"));
    const struct {
        const char* field;
        Variant value;
    } refused[] = { { "T", Text(QStringLiteral("next Tuesday")) }, { "T", Text(QStringLiteral("2010-02-30")) },
        { "L", Text(QStringLiteral("forty")) }, { "L", Text(QStringLiteral("12abc")) }, { "S", Variant::FromI4(40000) },
        { "B", Variant::FromI4(-1) }, { "L", Variant::FromR8(3e10) } };
    for (const auto& c : refused) {
        const auto e = ErrorOf([&] { Put(rs, QString::fromLatin1(c.field), c.value); });
        EXPECT_EQ(Hex(e.Error()), Hex(platform::DB_E_SCHEMAVIOLATION))
            << c.field << " " << c.value.DebugString().toStdString();
        EXPECT_EQ(e.Description().value_or(QString()),
            QStringLiteral("Multiple-step operation generated errors. Check each status value."));
    }
    EXPECT_EQ(rs->EditMode(), engine::adEditNone) << "a refused value starts no edit";
    // Each integer type's bounds, those only other tools' files have
    // included: the last value goes in, the next is refused.
    for (const auto& [type, low, high] : { std::tuple { engine::adTinyInt, -128, 127 },
             std::tuple { engine::adUnsignedTinyInt, 0, 255 }, std::tuple { engine::adSmallInt, -32768, 32767 } }) {
        for (const int ok : { low, high })
            EXPECT_NO_THROW(engine::StoredForField(Variant::FromI4(ok), type, QStringLiteral("F"))) << ok;
        for (const int bad : { low - 1, high + 1 })
            EXPECT_THROW(engine::StoredForField(Variant::FromI4(bad), type, QStringLiteral("F")), platform::ComError)
                << bad;
    }
    rs->Update();
    EXPECT_EQ(Raw(QStringLiteral("SELECT T || L || S || B FROM Kinds")), before);

    // A VT_DATE put into a date field, and bytes into a binary one.
    Put(rs, QStringLiteral("T"), Variant::FromDate(platform::OleDateTime(2001, 2, 3, 4, 5, 6).m_dt));
    Put(rs, QStringLiteral("G"), Variant::FromBytes(QByteArray("\x00\x01\xff", 3)));
    rs->Update();
    EXPECT_EQ(
        Raw(QStringLiteral("SELECT T || '|' || hex(G) FROM Kinds")), QStringLiteral("2001-02-03 04:05:06|0001FF"));
    EXPECT_EQ(Get(rs, QStringLiteral("G")).bytes(), QByteArray("\x00\x01\xff", 3));

    // Stored to the nearest second: a time that rounds up to midnight is
    // the next day, before OLE's day 0 as after it; 1900 and 2100 have no
    // leap day.
    const struct {
        double ole;
        const char* stored;
    } dates[] = { { 1.0 - 0.1 / 86400, "1899-12-31 00:00:00" }, { -1.0 - (86400 - 0.2) / 86400, "1899-12-30 00:00:00" },
        { -2.5, "1899-12-28 12:00:00" }, { 60.0, "1900-02-28 00:00:00" }, { 61.0, "1900-03-01 00:00:00" },
        { 1155.0, "1903-02-28 00:00:00" }, { 73109.0, "2100-02-28 00:00:00" }, { 73110.0, "2100-03-01 00:00:00" } };
    for (const auto& d : dates) {
        SCOPED_TRACE(d.stored);
        Put(rs, QStringLiteral("T"), Variant::FromDate(d.ole));
        rs->Update();
        EXPECT_EQ(Raw(QStringLiteral("SELECT T FROM Kinds")), QString::fromLatin1(d.stored));
    }
}

TEST_F(FieldValueTest, LongValuesMoveInChunks)
{
    auto rs = Open(QStringLiteral("SELECT * FROM Kinds"));
    auto memo = rs->GetFields()->Item(QStringLiteral("M"));
    memo->AppendChunk(Text(QStringLiteral("first ")));
    memo->AppendChunk(Text(QStringLiteral("second ")));
    memo->AppendChunk(Text(QStringLiteral("third")));
    rs->Update();
    EXPECT_EQ(Raw(QStringLiteral("SELECT M FROM Kinds")), QStringLiteral("first second third"));

    QString read;
    for (Variant piece = memo->GetChunk(5); !piece.IsNull(); piece = memo->GetChunk(5))
        read += piece.bstrVal();
    EXPECT_EQ(read, QStringLiteral("first second third"));

    auto blob = rs->GetFields()->Item(QStringLiteral("G"));
    blob->AppendChunk(Variant::FromBytes(QByteArray(300, 'a')));
    blob->AppendChunk(Variant::FromBytes(QByteArray(50, 'b')));
    rs->Update();
    QByteArray bytes;
    for (Variant piece = blob->GetChunk(100); !piece.IsNull(); piece = blob->GetChunk(100))
        bytes += piece.bytes();
    EXPECT_EQ(bytes, QByteArray(300, 'a') + QByteArray(50, 'b'));
    EXPECT_EQ(blob->ActualSize(), 350);
}

TEST_F(FieldValueTest, GetChunkStartsAgainOnceAnotherFieldIsUsedOrTheRowChanges)
{
    RawExec(QStringLiteral("UPDATE Kinds SET M = 'a small animal', G = X'0102030405'"));
    Exec(QStringLiteral("INSERT INTO Kinds (X, M) VALUES ('two', 'second row')"));
    auto rs = Open(QStringLiteral("SELECT * FROM Kinds ORDER BY ID"));
    auto fields = rs->GetFields();
    auto memo = fields->Item(QStringLiteral("M"));
    auto text = fields->Item(QStringLiteral("X"));
    const auto chunk = [](const std::shared_ptr<engine::Field>& field, long length) {
        const Variant piece = field->GetChunk(length);
        return piece.IsNull() ? std::string("<null>") : piece.bstrVal().toStdString();
    };

    // Read to the end, then another field: the memo reads whole again.
    EXPECT_EQ(chunk(memo, 100), "a small animal");
    EXPECT_EQ(chunk(memo, 100), "<null>");
    EXPECT_EQ(text->Value(), Text(QStringLiteral("text")));
    EXPECT_EQ(chunk(memo, 100), "a small animal");

    // Part-way through, each other kind of use of another field restarts it.
    const std::vector<std::function<void()>> uses = { [&] { text->OriginalValue(); }, [&] { text->UnderlyingValue(); },
        [&] { fields->Item(QStringLiteral("L"))->Value(); }, [&] { text->PutValue(Text(QStringLiteral("edited"))); },
        [&] { fields->Item(QStringLiteral("G"))->GetChunk(2); } };
    for (std::size_t i = 0; i < uses.size(); ++i) {
        text->Value(); // ends the run before, which read to the end
        EXPECT_EQ(chunk(memo, 7), "a small") << i;
        uses[i]();
        EXPECT_EQ(chunk(memo, 7), "a small") << i;
        EXPECT_EQ(chunk(memo, 7), " animal") << i;
        EXPECT_EQ(chunk(memo, 7), "<null>") << i;
    }
    rs->CancelUpdate();

    // Reading the same field's value, or its size, does not end the run.
    auto blob = fields->Item(QStringLiteral("G"));
    EXPECT_EQ(blob->GetChunk(2).bytes(), QByteArray("\x01\x02", 2));
    EXPECT_EQ(blob->ActualSize(), 5);
    EXPECT_EQ(blob->Value().bytes(), QByteArray("\x01\x02\x03\x04\x05", 5));
    EXPECT_EQ(blob->GetChunk(2).bytes(), QByteArray("\x03\x04", 2));

    // Another row starts from its beginning; so does coming back.
    EXPECT_EQ(chunk(memo, 3), "a s");
    rs->MoveNext();
    EXPECT_EQ(chunk(memo, 3), "sec");
    rs->MovePrevious();
    EXPECT_EQ(chunk(memo, 3), "a s");
}

} // namespace
