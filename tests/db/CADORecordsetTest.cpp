// The recordset wrapper's opening, moves and state, its field conversions,
// and its "CADORecordset Error" report with the stored last error.
#include "db/CADORecordset.h"

#include "DbTestFixture.h"
#include "engine/ado/Field.h"
#include "engine/ado/Recordset.h"

using platform::OleCurrency;
using platform::OleDateTime;
using platform::Variant;

namespace {
// A recordset wrapper whose engine object could not be created.
class RecordsetWithoutObject : public CADORecordset {
public:
    void DropRecordset() { m_pRecordset.reset(); }
    void SetRows(std::shared_ptr<engine::Recordset> rows) { m_pRecordset = std::move(rows); }
};

const QString kWords = QStringLiteral("SELECT * FROM Words");
} // namespace

class Recordset : public DbTest {
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        OpenDatabase();
    }
    void OpenSamples()
    {
        ASSERT_TRUE(m_rs.Open(m_database.GetActiveConnection(), QStringLiteral("SELECT * FROM Samples")));
    }

    CADORecordset m_rs;
};

TEST_F(Recordset, MoveNextPastEofStoresTheQueryAndTheReport)
{
    ASSERT_TRUE(m_rs.Open(m_database.GetActiveConnection(), kWords, CADORecordset::openQuery));
    EXPECT_TRUE(m_rs.IsOpen());
    EXPECT_EQ(m_rs.GetRecordCount(), 3u);
    EXPECT_FALSE(m_rs.IsBof());
    int rows = 0;
    while (!m_rs.IsEof()) {
        ASSERT_TRUE(m_rs.MoveNext());
        ++rows;
    }
    EXPECT_EQ(rows, 3);
    EXPECT_TRUE(m_messages.Messages().empty());

    EXPECT_FALSE(m_rs.MoveNext());
    const QString report = OnlyMessage();
    EXPECT_FALSE(report.contains(QStringLiteral("Query = ")));
    ExpectReport(report, QStringLiteral("CADORecordset Error"), 0x800A0BCDu);
    EXPECT_EQ(m_rs.GetLastError(), 0x800A0BCDu);
    EXPECT_EQ(m_rs.GetLastErrorString(), QStringLiteral("Query = SELECT * FROM Words\r\n") + report);
    EXPECT_TRUE(m_rs.IsEof()); // the report changes nothing

    // A second failure replaces the first.
    QString text = QStringLiteral("unchanged");
    EXPECT_FALSE(m_rs.GetFieldValue(QStringLiteral("Word"), text));
    EXPECT_EQ(text, QStringLiteral("unchanged"));
    ASSERT_EQ(m_messages.Messages().size(), 2u);
    EXPECT_EQ(
        m_rs.GetLastErrorString(), QStringLiteral("Query = SELECT * FROM Words\r\n") + m_messages.Messages()[1].text);
    EXPECT_EQ(m_rs.GetLastError(), 0x800A0BCDu);
    m_rs.MoveFirst();
    EXPECT_FALSE(m_rs.GetFieldValue(QStringLiteral("NoSuchField"), text));
    ASSERT_EQ(m_messages.Messages().size(), 3u);
    EXPECT_EQ(m_rs.GetLastError(), 0x800A0CC1u);
    EXPECT_EQ(
        m_rs.GetLastErrorString(), QStringLiteral("Query = SELECT * FROM Words\r\n") + m_messages.Messages()[2].text);
}

TEST_F(Recordset, MissingRecordsetFailsWithInvalidPointer)
{
    RecordsetWithoutObject rs;
    EXPECT_EQ(rs.GetLastError(), 0u);
    EXPECT_EQ(rs.GetEditStatus(), CADORecordset::editNone);
    rs.DropRecordset();
    EXPECT_FALSE(rs.IsOpen());
    rs.Close();
    EXPECT_FALSE(rs.MoveFirst());
    EXPECT_EQ(OnlyMessage(),
        QStringLiteral("CADORecordset Error\r\nCode = 80004003\r\nCode meaning = Invalid pointer\r\n"
                       "Source = (null)\r\nDescription = (null)\r\n"));
    EXPECT_EQ(rs.GetLastError(), 0x80004003u);
    EXPECT_EQ(rs.GetLastErrorString(), QStringLiteral("Query = \r\n") + m_messages.Messages()[0].text);
    EXPECT_FALSE(rs.IsEof()); // a failed test reads as false
    EXPECT_FALSE(rs.Open(m_database.GetActiveConnection(), kWords));
    EXPECT_EQ(rs.GetLastErrorString().left(29), QStringLiteral("Query = SELECT * FROM Words\r\n"));
    EXPECT_EQ(m_messages.Messages().size(), 3u);
    EXPECT_THROW(rs.GetRecordCount(), platform::ComError);
}

TEST_F(Recordset, OpenVariants)
{
    const auto connection = m_database.GetActiveConnection();
    // An unknown option: false, nothing shown, still closed.
    EXPECT_FALSE(m_rs.Open(connection, kWords, 7));
    EXPECT_TRUE(m_messages.Messages().empty());
    EXPECT_FALSE(m_rs.IsOpen());

    // Leading white space is removed from the stored query.
    ASSERT_TRUE(m_rs.Open(
        connection, QStringLiteral("  \t SELECT * FROM Words WHERE Word = 'dog'"), CADORecordset::openUnknown));
    EXPECT_EQ(m_rs.GetQuery(), QStringLiteral("SELECT * FROM Words WHERE Word = 'dog'"));
    EXPECT_EQ(m_rs.GetRecordCount(), 1u);

    // An empty source reopens the previous query; the connection is kept.
    ASSERT_TRUE(m_rs.Open(QString(), CADORecordset::openQuery));
    EXPECT_EQ(m_rs.GetQuery(), QStringLiteral("SELECT * FROM Words WHERE Word = 'dog'"));
    EXPECT_EQ(m_rs.GetRecordCount(), 1u);

    // A table by name.
    ASSERT_TRUE(m_rs.Open(connection, QStringLiteral("Words"), CADORecordset::openTable));
    EXPECT_EQ(m_rs.GetRecordCount(), 3u);

    // No rows: open, at both ends, count 0.
    ASSERT_TRUE(m_rs.Open(connection, QStringLiteral("SELECT * FROM Words WHERE ID < 0")));
    EXPECT_TRUE(m_rs.IsEof());
    EXPECT_TRUE(m_rs.IsBof());
    EXPECT_EQ(m_rs.GetRecordCount(), 0u);

    // An unknown option on an open recordset closes it all the same.
    EXPECT_FALSE(m_rs.Open(connection, kWords, 7));
    EXPECT_FALSE(m_rs.IsOpen());
    EXPECT_TRUE(m_messages.Messages().empty());

    // The first connection given stays the recordset's own: an empty source
    // reopens there, whichever connection the last Open named.
    const QString otherPath = m_dir.filePath(QStringLiteral("other.mdb"));
    MakeDataFile(otherPath);
    CADODataBase other;
    ASSERT_TRUE(other.Open(ConnectionStringFor(otherPath)));
    ASSERT_TRUE(other.Execute(QStringLiteral("DELETE FROM Words WHERE Word <> 'dog'")));
    ASSERT_TRUE(m_rs.Open(other.GetActiveConnection(), kWords));
    EXPECT_EQ(m_rs.GetRecordCount(), 1u);
    ASSERT_TRUE(m_rs.Open(QString()));
    EXPECT_EQ(m_rs.GetRecordCount(), 3u);

    // A failing query is reported and leaves the recordset closed.
    EXPECT_FALSE(m_rs.Open(connection, QStringLiteral("SELECT * FROM NoSuchTable")));
    ExpectReport(OnlyMessage(), QStringLiteral("CADORecordset Error"), m_rs.GetLastError());
    EXPECT_EQ(m_rs.GetQuery(), QStringLiteral("SELECT * FROM NoSuchTable"));
    EXPECT_FALSE(m_rs.IsOpen());

    m_rs.Close();
    m_rs.Close();
    EXPECT_TRUE(m_rs.Requery()); // closed: nothing to do
    EXPECT_EQ(m_messages.Messages().size(), 1u);
}

TEST_F(Recordset, MovesAndRequery)
{
    CADORecordset rs(&m_database); // takes the database's connection
    ASSERT_TRUE(rs.Open(QStringLiteral("SELECT * FROM Words ORDER BY ID")));
    unsigned long id = 0;
    EXPECT_EQ(FieldValue<unsigned long>(rs, "ID"), 1u);
    ASSERT_TRUE(rs.MoveNext());
    ASSERT_TRUE(rs.MoveNext());
    ASSERT_TRUE(rs.GetFieldValue(0, id)); // by index
    EXPECT_EQ(id, 3u);
    ASSERT_TRUE(rs.MovePrevious());
    EXPECT_EQ(FieldValue<unsigned long>(rs, "ID"), 2u);
    ASSERT_TRUE(rs.MovePrevious());
    ASSERT_TRUE(rs.MovePrevious());
    EXPECT_TRUE(rs.IsBof());
    EXPECT_FALSE(rs.MovePrevious());
    EXPECT_EQ(m_messages.Messages().size(), 1u);

    ASSERT_TRUE(m_database.Execute(QStringLiteral("DELETE FROM Words WHERE Word = 'dog'")));
    EXPECT_EQ(rs.GetRecordCount(), 3u); // a snapshot
    EXPECT_TRUE(rs.Requery());
    EXPECT_EQ(rs.GetRecordCount(), 2u);
    // A source that is gone: the report, and false.
    ASSERT_TRUE(m_database.Execute(QStringLiteral("DROP TABLE Words")));
    EXPECT_FALSE(rs.Requery());
    ASSERT_EQ(m_messages.Messages().size(), 2u);
    ExpectReport(m_messages.Messages()[1].text, QStringLiteral("CADORecordset Error"), rs.GetLastError());

    // A recordset on a closed connection is not open: Requery has nothing to do.
    m_database.Close();
    EXPECT_FALSE(rs.IsOpen());
    EXPECT_TRUE(rs.Requery());
    EXPECT_EQ(m_messages.Messages().size(), 2u);
}

TEST_F(Recordset, NumbersAsLongIntAndDouble)
{
    OpenSamples();
    EXPECT_EQ(FieldValue<long>(m_rs, "Num"), 70000);
    EXPECT_EQ(FieldValue<int>(m_rs, "Num"), 4464); // the 16-bit member of the 32-bit value
    EXPECT_DOUBLE_EQ(FieldValue<double>(m_rs, "Num"), 70000.0);
    EXPECT_DOUBLE_EQ(FieldValue<double>(m_rs, "Ratio"), 2.5);
    // NULL reads as 0 in every number type.
    EXPECT_DOUBLE_EQ(FieldValue(m_rs, "Note", 2.5), 0.0);
    EXPECT_EQ(FieldValue(m_rs, "Note", 9UL), 0u);
    EXPECT_EQ(FieldValue(m_rs, "Note", 7L), 0);
    EXPECT_EQ(FieldValue(m_rs, "Note", 7), 0);

    // Writing an int keeps its low 16 bits.
    m_rs.Edit();
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Num"), 40000));
    ASSERT_TRUE(m_rs.Update());
    EXPECT_EQ(FieldValue<long>(m_rs, "Num"), -25536);
    m_rs.Edit();
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Num"), 123456L));
    ASSERT_TRUE(m_rs.Update());
    ASSERT_TRUE(m_rs.Open(QString()));
    EXPECT_EQ(FieldValue<long>(m_rs, "Num"), 123456); // stored in the file
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(Recordset, TextConversions)
{
    OpenSamples();
    QString text;
    EXPECT_EQ(FieldValue<QString>(m_rs, "Num"), QStringLiteral("70000"));
    EXPECT_EQ(FieldValue<QString>(m_rs, "Ratio"), QStringLiteral("2.5"));
    EXPECT_EQ(FieldValue<QString>(m_rs, "Flag"), QStringLiteral("T"));
    ASSERT_TRUE(m_rs.GetFieldValue(QStringLiteral("Stamp"), text));
    EXPECT_EQ(text, QStringLiteral("2010-05-17 08:30:00"));
    ASSERT_TRUE(m_rs.GetFieldValue(QStringLiteral("Stamp"), text, QStringLiteral("%d/%m/%Y")));
    EXPECT_EQ(text, QStringLiteral("17/05/2010"));

    // The types that only the recordset's getter turns into text.
    RecordsetWithoutObject memory;
    platform::DECIMAL decimal;
    decimal.scale = 2;
    decimal.sign = 0x80;
    decimal.Lo64 = 12345;
    memory.SetRows(engine::Recordset::FromRows(
        { { QStringLiteral("U"), engine::adUnsignedInt }, { QStringLiteral("B"), engine::adUnsignedTinyInt },
            { QStringLiteral("S"), engine::adSmallInt }, { QStringLiteral("F"), engine::adBoolean },
            { QStringLiteral("R"), engine::adDouble }, { QStringLiteral("D"), engine::adDecimal } },
        { { Variant::FromUI4(4000000000u), Variant::FromUI1(200), Variant::FromI2(-5), Variant::FromBool(false),
            Variant::FromR8(0.1), Variant::FromDecimal(decimal) } },
        false));
    const std::pair<const char*, const char*> texts[] = { { "U", "4000000000" }, { "B", "200" }, { "S", "-5" },
        { "F", "F" }, { "R", "0.10000000000000001" }, { "D", "-123.45" } };
    for (const auto& [field, expected] : texts) {
        ASSERT_TRUE(memory.GetFieldValue(QString::fromLatin1(field), text)) << field;
        EXPECT_EQ(text, QString::fromLatin1(expected)) << field;
    }

    // NULL text: empty, and null.
    EXPECT_EQ(FieldValue(m_rs, "Note", QStringLiteral("before")), QString());
    EXPECT_TRUE(m_rs.IsFieldNull(QStringLiteral("Note")));
    EXPECT_TRUE(m_rs.IsFieldEmpty(QStringLiteral("Note")));
    EXPECT_FALSE(m_rs.IsFieldNull(QStringLiteral("Num")));
    EXPECT_FALSE(m_rs.IsFieldNull(1)); // Num by index
    EXPECT_TRUE(m_rs.IsFieldNull(6)); // Note by index
    EXPECT_FALSE(m_rs.IsFieldEmpty(6 - 1)); // Ratio by index

    // Currency has no text: false, text unchanged, no box.
    text = QStringLiteral("kept");
    EXPECT_FALSE(m_rs.GetFieldValue(QStringLiteral("Price"), text));
    EXPECT_EQ(text, QStringLiteral("kept"));
    EXPECT_TRUE(m_messages.Messages().empty());

    // An unknown name: the report, and false.
    EXPECT_FALSE(m_rs.GetFieldValue(QStringLiteral("Nope"), text));
    EXPECT_EQ(text, QStringLiteral("kept"));
    ExpectReport(OnlyMessage(), QStringLiteral("CADORecordset Error"), m_rs.GetLastError());
    EXPECT_FALSE(m_rs.IsFieldNull(QStringLiteral("Nope")));
    EXPECT_EQ(m_messages.Messages().size(), 2u);
}

TEST_F(Recordset, BooleanDateAndCurrencyValues)
{
    OpenSamples();
    bool flag = false;
    ASSERT_TRUE(m_rs.GetFieldValue(QStringLiteral("Flag"), flag));
    EXPECT_TRUE(flag);
    OleDateTime date;
    ASSERT_TRUE(m_rs.GetFieldValue(QStringLiteral("Stamp"), date));
    EXPECT_EQ(date.GetStatus(), OleDateTime::valid);
    EXPECT_EQ(date.Format(QStringLiteral("%Y-%m-%d %H:%M")), QStringLiteral("2010-05-17 08:30"));
    OleCurrency price;
    ASSERT_TRUE(m_rs.GetFieldValue(QStringLiteral("Price"), price));
    EXPECT_EQ(price.m_cur, 123400);
    EXPECT_EQ(price.GetStatus(), OleCurrency::valid);
    // Types that do not match give false and leave the value.
    EXPECT_FALSE(m_rs.GetFieldValue(QStringLiteral("Num"), flag));
    EXPECT_FALSE(m_rs.GetFieldValue(QStringLiteral("Num"), date));
    EXPECT_FALSE(m_rs.GetFieldValue(QStringLiteral("Num"), price));
    EXPECT_TRUE(flag);
    EXPECT_EQ(price.m_cur, 123400);
    EXPECT_FALSE(FieldValue(m_rs, "Note", true)); // NULL reads as false
    EXPECT_EQ(FieldValue<Variant>(m_rs, "Price").vt(), platform::VT_CY);

    // The number getters read the value's raw members, unlike a parameter's:
    // a Yes/No true is -1 as an int, and a date reads as its day count (a
    // parameter's double getter would give 0.0 for it).
    EXPECT_EQ(FieldValue<int>(m_rs, "Flag"), -1);
    EXPECT_DOUBLE_EQ(FieldValue<double>(m_rs, "Stamp"), OleDateTime(2010, 5, 17, 8, 30, 0).m_dt);

    // Writing outside an edit: false, nothing written, no box.
    EXPECT_FALSE(m_rs.SetFieldValue(QStringLiteral("Flag"), false));
    EXPECT_FALSE(m_rs.SetFieldEmpty(QStringLiteral("Note")));
    EXPECT_TRUE(m_messages.Messages().empty());

    m_rs.Edit();
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Flag"), false));
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Stamp"), OleDateTime(2011, 2, 28, 23, 59, 0)));
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Price"), OleCurrency(-1, -2500)));
    OleCurrency invalid(5, 0);
    invalid.SetStatus(OleCurrency::invalid);
    EXPECT_FALSE(m_rs.SetFieldValue(QStringLiteral("Price"), invalid));
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Note"), QStringLiteral("written")));
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Ratio"), 0.125));
    ASSERT_TRUE(m_rs.Update());
    ASSERT_TRUE(m_rs.Open(QString()));
    EXPECT_FALSE(FieldValue(m_rs, "Flag", true));
    EXPECT_EQ(FieldValue<OleDateTime>(m_rs, "Stamp").Format(QStringLiteral("%Y-%m-%d %H:%M:%S")),
        QStringLiteral("2011-02-28 23:59:00"));
    EXPECT_EQ(FieldValue<OleCurrency>(m_rs, "Price").m_cur, -12500);
    EXPECT_EQ(FieldValue<QString>(m_rs, "Note"), QStringLiteral("written"));
    EXPECT_EQ(FieldValue<QString>(m_rs, "Ratio"), QStringLiteral("0.125"));

    // The empty text is stored as NULL; a null date and currency read as null.
    m_rs.Edit();
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Note"), QString()));
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Stamp"), Variant::Null()));
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Price"), Variant::Null()));
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Flag"), true));
    ASSERT_TRUE(m_rs.Update());
    ASSERT_TRUE(m_rs.Open(QString()));
    EXPECT_TRUE(m_rs.IsFieldNull(QStringLiteral("Note")));
    EXPECT_EQ(FieldValue<OleDateTime>(m_rs, "Stamp").GetStatus(), OleDateTime::null);
    ASSERT_TRUE(m_rs.GetFieldValue(QStringLiteral("Price"), price));
    EXPECT_EQ(price.GetStatus(), OleCurrency::null);
    EXPECT_EQ(price.m_cur, 0);
    EXPECT_TRUE(FieldValue<bool>(m_rs, "Flag"));
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(Recordset, FieldInfoAndChunks)
{
    ASSERT_TRUE(m_rs.Open(m_database.GetActiveConnection(), QStringLiteral("SELECT * FROM Words ORDER BY ID")));
    CADOFieldDesc info;
    ASSERT_TRUE(m_rs.GetFieldInfo(QStringLiteral("Word"), &info));
    EXPECT_EQ(info.Name(), QStringLiteral("Word"));
    EXPECT_EQ(info.m_nType, engine::adVarWChar);
    EXPECT_EQ(info.m_lDefinedSize, 50);
    EXPECT_EQ(info.m_lSize, 6); // "cat" in UTF-16
    ASSERT_TRUE(m_rs.GetFieldInfo(0, &info));
    EXPECT_EQ(info.Name(), QStringLiteral("ID"));
    EXPECT_THROW(m_rs.GetFieldInfo(QStringLiteral("Nope"), &info), platform::ComError);

    // A long text written in chunks and read back in chunks of 100.
    QString longText;
    for (int i = 0; i < 70; ++i)
        longText += QStringLiteral("word%1 ").arg(i);
    m_rs.Edit();
    ASSERT_TRUE(m_rs.SetFieldValue(QStringLiteral("Description"), longText));
    ASSERT_TRUE(m_rs.Update());
    QString read;
    ASSERT_TRUE(m_rs.GetChunk(QStringLiteral("Description"), read));
    EXPECT_EQ(read, longText);
    EXPECT_THROW(m_rs.GetChunk(QStringLiteral("Nope"), read), platform::ComError);
    EXPECT_TRUE(m_messages.Messages().empty());

    // A number has no chunks: the failure inside the loop is reported and
    // nothing is written to the caller's text or buffer.
    char buffer[4] = { 'k', 'e', 'p', 't' };
    EXPECT_FALSE(m_rs.GetChunk(QStringLiteral("MemoryCycle"), read));
    EXPECT_EQ(read, longText);
    ExpectReport(OnlyMessage(), QStringLiteral("CADORecordset Error"), 0x800A0CB3u);
    EXPECT_FALSE(m_rs.GetChunk(0, static_cast<void*>(buffer)));
    EXPECT_EQ(QByteArray(buffer, 4), QByteArray("kept"));
    EXPECT_EQ(m_messages.Messages().size(), 2u);
    EXPECT_EQ(m_rs.GetLastError(), 0x800A0CB3u);
}

TEST_F(Recordset, OpenSchemaListsTheTables)
{
    CADORecordset schema(&m_database);
    ASSERT_TRUE(schema.OpenSchema(engine::adSchemaTables));
    QStringList tables;
    while (!schema.IsEof()) {
        if (FieldValue<QString>(schema, "TABLE_TYPE") == QStringLiteral("TABLE"))
            tables << FieldValue<QString>(schema, "TABLE_NAME");
        ASSERT_TRUE(schema.MoveNext());
    }
    tables.sort();
    EXPECT_EQ(tables, QStringList({ "Samples", "Words" }));
    EXPECT_TRUE(m_messages.Messages().empty());

    EXPECT_FALSE(schema.OpenSchema(9999));
    ExpectReport(OnlyMessage(), QStringLiteral("CADORecordset Error"), schema.GetLastError());

    // Without a connection the missing object is reported.
    CADORecordset unconnected;
    EXPECT_FALSE(unconnected.OpenSchema(engine::adSchemaTables));
    EXPECT_EQ(unconnected.GetLastError(), 0x80004003u);
}

TEST_F(Recordset, ByteChunksAppendedAndReadBack)
{
    ASSERT_TRUE(m_database.Execute(QStringLiteral("CREATE TABLE Blobs (ID COUNTER PRIMARY KEY, Data LONGBINARY)")));
    ASSERT_TRUE(m_rs.Open(m_database.GetActiveConnection(), QStringLiteral("SELECT * FROM Blobs")));
    QByteArray bytes;
    for (int i = 0; i < 250; ++i)
        bytes.append(static_cast<char>(i * 7));
    ASSERT_TRUE(m_rs.AddNew());
    ASSERT_TRUE(m_rs.AppendChunk(QStringLiteral("Data"), bytes.constData(), 150));
    ASSERT_TRUE(m_rs.AppendChunk(1, bytes.constData() + 150, 100));
    ASSERT_TRUE(m_rs.Update());

    ASSERT_TRUE(m_rs.Open(QString()));
    CADOFieldDesc info;
    ASSERT_TRUE(m_rs.GetFieldInfo(QStringLiteral("Data"), &info));
    ASSERT_EQ(info.m_lSize, 250);
    QByteArray read(info.m_lSize, '\0');
    ASSERT_TRUE(m_rs.GetChunk(QStringLiteral("Data"), read.data()));
    EXPECT_EQ(read, bytes);
    EXPECT_THROW(m_rs.AppendChunk(QStringLiteral("Nope"), bytes.constData(), 1), platform::ComError);
    EXPECT_TRUE(m_messages.Messages().empty());

    // At EOF the actual size is not read.
    ASSERT_TRUE(m_rs.MoveNext());
    ASSERT_TRUE(m_rs.GetFieldInfo(QStringLiteral("Data"), &info));
    EXPECT_EQ(info.m_lSize, 0);
    EXPECT_EQ(info.m_nType, engine::adLongVarBinary);
}
