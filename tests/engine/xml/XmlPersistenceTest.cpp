// Saving recordsets in ADO's XML format and reading them back: every type
// the format carries, NULLs, names that are no XML names, markup and line
// ends in values, long values; and the guarantees of Save (an existing file
// is never replaced, a failure leaves no file).
#include "engine/xml/XmlPersistence.h"

#include "engine/EngineTestFiles.h"
#include "engine/ado/Field.h"
#include "engine/ado/Recordset.h"
#include "platform/ComError.h"
#include "platform/OleDateTime.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using engine::ColumnInfo;
using platform::ComError;
using platform::Variant;

namespace {

ColumnInfo Col(const char* name, long type, long size, long extraAttributes = 0, unsigned char precision = 0,
    unsigned char scale = 0)
{
    ColumnInfo c;
    c.name = QString::fromUtf8(name);
    c.type = type;
    c.definedSize = size;
    c.attributes = engine::adFldIsNullable | engine::adFldMayBeNull | extraAttributes;
    c.precision = precision;
    c.numericScale = scale;
    return c;
}

double Ole(int y, int mo, int d, int h, int mi, int s)
{
    return platform::OleDateTime(y, mo, d, h, mi, s).m_dt;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

// One column of each type the format carries, with a value that tests its
// edges, and the same row with every value NULL.
struct Sample {
    std::vector<ColumnInfo> columns;
    std::vector<Variant> values;
};

Sample EveryType()
{
    using namespace engine;
    platform::DECIMAL big;
    big.Hi32 = 0xFFFFFFFFu;
    big.Lo64 = 0xFFFFFFFFFFFFFFFFull; // the largest 96-bit mantissa
    big.scale = 10;
    big.sign = 0x80;
    platform::DECIMAL money;
    money.Lo64 = 1250; // 12.50, trailing zero kept
    money.scale = 2;
    QString longText;
    for (int i = 0; i < 20000; ++i)
        longText += QStringLiteral("line %1\r\n").arg(i);
    longText += QString::fromUtf8("\xF0\x9F\x90\x88 end"); // a character beyond the 16-bit range
    QByteArray longBytes(70000, '\0');
    for (int i = 0; i < longBytes.size(); ++i)
        longBytes[i] = static_cast<char>(i * 7);

    Sample s;
    auto add = [&s](ColumnInfo c, Variant v) {
        s.columns.push_back(std::move(c));
        s.values.push_back(std::move(v));
    };
    add(Col("TinyInt", adTinyInt, 1, adFldFixed, 3), Variant::FromI1(-128));
    add(Col("SmallInt", adSmallInt, 2, adFldFixed, 5), Variant::FromI2(-32768));
    add(Col("Integer", adInteger, 4, adFldFixed, 10), Variant::FromI4(2147483647));
    add(Col("BigInt", adBigInt, 8, adFldFixed, 19), Variant::FromI8(-9223372036854775807LL - 1));
    add(Col("Byte", adUnsignedTinyInt, 1, adFldFixed, 3), Variant::FromUI1(255));
    add(Col("UShort", adUnsignedSmallInt, 2, adFldFixed, 5), Variant::FromUI2(65535));
    add(Col("ULong", adUnsignedInt, 4, adFldFixed, 10), Variant::FromUI4(4294967295u));
    add(Col("UBig", adUnsignedBigInt, 8, adFldFixed, 20), Variant::FromUI8(9223372036854775807ull));
    add(Col("Single", adSingle, 4, adFldFixed, 7), Variant::FromR4(0.1f));
    add(Col("Double", adDouble, 8, adFldFixed, 15), Variant::FromR8(-1.2345678901234567e-300));
    add(Col("Currency", adCurrency, 8, adFldFixed, 19), Variant::FromCy(-9223372036854775807LL - 1));
    add(Col("Decimal", adDecimal, 16, adFldFixed, 28, 10), Variant::FromDecimal(big));
    add(Col("Numeric", adNumeric, 19, adFldFixed, 18, 2), Variant::FromDecimal(money));
    add(Col("Flag", adBoolean, 2, adFldFixed), Variant::FromBool(true));
    add(Col("When", adDate, 8, adFldFixed), Variant::FromDate(Ole(2010, 5, 17, 8, 30, 0)));
    add(Col("Stamp", adDBTimeStamp, 16, adFldFixed, 19), Variant::FromDate(Ole(1850, 1, 2, 23, 59, 59)));
    add(Col("Day", adDBDate, 6, adFldFixed), Variant::FromDate(Ole(9999, 12, 31, 0, 0, 0)));
    add(Col("Clock", adDBTime, 6, adFldFixed), Variant::FromDate(Ole(1899, 12, 30, 8, 5, 9)));
    add(Col("Guid", adGUID, 16, adFldFixed),
        Variant::FromBstr(QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC964FF}")));
    add(Col("Text", adVarWChar, 50), Variant::FromBstr(QStringLiteral("a <b> & \"c\" 'd' \ttab\r\nline end ]]>")));
    add(Col("Fixed", adWChar, 4, adFldFixed), Variant::FromBstr(QStringLiteral("abcd")));
    add(Col("Memo", adLongVarWChar, 536870910, adFldLong), Variant::FromBstr(longText));
    add(Col("Narrow", adVarChar, 20), Variant::FromBstr(QStringLiteral("narrow")));
    add(Col("NarrowLong", adLongVarChar, 2147483647, adFldLong), Variant::FromBstr(QStringLiteral("long narrow")));
    add(Col("Bin", adBinary, 3, adFldFixed), Variant::FromBytes(QByteArray("\x00\xFF\x10", 3)));
    add(Col("VarBin", adVarBinary, 510), Variant::FromBytes(QByteArray("\x01\x02", 2)));
    add(Col("LongBin", adLongVarBinary, 1073741823, adFldLong), Variant::FromBytes(longBytes));
    add(Col("Empty Text", adVarWChar, 10), Variant::FromBstr(QString()));
    return s;
}

class XmlPersistence : public ::testing::Test {
protected:
    QString PathOf(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;
};

TEST_F(XmlPersistence, EveryTypeAndNullRoundTrips)
{
    const Sample s = EveryType();
    std::vector<Variant> nulls(s.columns.size(), Variant::Null());
    auto rs = engine::Recordset::FromRows(s.columns, { s.values, nulls }, false);
    const QString path = PathOf("every.xml");
    engine::xmlpersist::Save(*rs, path);

    const engine::xmlpersist::Rowset back = engine::xmlpersist::Load(path);
    ASSERT_EQ(back.columns.size(), s.columns.size());
    const long shown = engine::adFldIsNullable | engine::adFldMayBeNull | engine::adFldFixed | engine::adFldLong;
    for (std::size_t i = 0; i < s.columns.size(); ++i) {
        SCOPED_TRACE(s.columns[i].name.toStdString());
        EXPECT_EQ(back.columns[i].name, s.columns[i].name);
        EXPECT_EQ(back.columns[i].type, s.columns[i].type);
        EXPECT_EQ(back.columns[i].definedSize, s.columns[i].definedSize);
        EXPECT_EQ(back.columns[i].attributes & shown, s.columns[i].attributes & shown);
        EXPECT_EQ(back.columns[i].precision, s.columns[i].precision);
        EXPECT_EQ(back.columns[i].numericScale, s.columns[i].numericScale);
    }
    // The values read back are the values the recordset gave, type and all.
    ASSERT_EQ(back.rows.size(), 2u);
    rs->MoveFirst();
    for (std::size_t i = 0; i < s.columns.size(); ++i) {
        SCOPED_TRACE(s.columns[i].name.toStdString());
        const Variant shownValue = rs->GetFields()->Item(static_cast<int>(i))->Value();
        EXPECT_EQ(back.rows[0][i].vt(), s.values[i].vt());
        // The recordset hands a 64-bit unsigned value out as VT_I8; the
        // file keeps the field's type, so only the bits compare.
        if (back.rows[0][i].vt() == platform::VT_UI8)
            EXPECT_EQ(back.rows[0][i].ullVal(), shownValue.ullVal());
        else
            EXPECT_EQ(back.rows[0][i], shownValue) << back.rows[0][i].DebugString().toStdString();
        EXPECT_TRUE(back.rows[1][i].IsNull());
    }
}

TEST_F(XmlPersistence, NamesThatAreNoXmlNamesKeepTheirSpelling)
{
    const std::vector<ColumnInfo> columns = { Col("Last Name", engine::adVarWChar, 20),
        Col("1st", engine::adInteger, 4), Col("a:b", engine::adInteger, 4), Col("c0", engine::adInteger, 4),
        Col("<&'\">", engine::adVarWChar, 5), Col("Word", engine::adVarWChar, 5), Col("Word", engine::adVarWChar, 5),
        Col("Größe", engine::adVarWChar, 5) };
    const std::vector<Variant> row
        = { Variant::FromBstr(QStringLiteral("Smith")), Variant::FromI4(1), Variant::FromI4(2), Variant::FromI4(3),
              Variant::FromBstr(QStringLiteral("x")), Variant::FromBstr(QStringLiteral("first")),
              Variant::FromBstr(QStringLiteral("second")), Variant::FromBstr(QStringLiteral("groß")) };
    auto rs = engine::Recordset::FromRows(columns, { row }, false);
    const QString path = PathOf("names.xml");
    engine::xmlpersist::Save(*rs, path);

    const QByteArray xml = ReadAll(path);
    EXPECT_TRUE(xml.contains("rs:name=\"Last Name\"")) << xml.left(2000).constData();
    EXPECT_TRUE(xml.contains("name=\"Größe\"")); // a letter outside ASCII is still an XML name

    const engine::xmlpersist::Rowset back = engine::xmlpersist::Load(path);
    ASSERT_EQ(back.columns.size(), columns.size());
    ASSERT_EQ(back.rows.size(), 1u);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(back.columns[i].name, columns[i].name);
        EXPECT_EQ(back.rows[0][i], row[i]);
    }
}

TEST_F(XmlPersistence, SavedFileOpensAsRecordset)
{
    const std::vector<ColumnInfo> columns
        = { Col("ID", engine::adInteger, 4, engine::adFldFixed, 10), Col("Word", engine::adVarWChar, 50) };
    auto rs = engine::Recordset::FromRows(columns,
        { { Variant::FromI4(1), Variant::FromBstr(QStringLiteral("cat")) }, { Variant::FromI4(2), Variant::Null() },
            { Variant::FromI4(3), Variant::FromBstr(QStringLiteral("bird")) } },
        false);
    rs->MoveFirst();
    rs->MoveNext(); // Save leaves the cursor where it was
    const QString path = PathOf("words.xml");
    rs->Save(path, engine::adPersistXML);
    EXPECT_EQ(rs->GetFields()->Item(0)->Value(), Variant::FromI4(2));

    auto reopened = engine::Recordset::Create();
    reopened->Open(path, QStringLiteral("Provider=MSPersist;"), engine::adOpenForwardOnly, engine::adLockOptimistic,
        engine::adCmdFile);
    std::vector<QString> words;
    while (!reopened->IsEOF()) {
        const Variant w = reopened->GetFields()->Item(QStringLiteral("Word"))->Value();
        words.push_back(w.IsNull() ? QStringLiteral("(null)") : w.bstrVal());
        reopened->MoveNext();
    }
    EXPECT_EQ(
        words, (std::vector<QString> { QStringLiteral("cat"), QStringLiteral("(null)"), QStringLiteral("bird") }));

    // A forward-only recordset, read to its end, saves every row again.
    const QString again = PathOf("again.xml");
    reopened->Save(again, engine::adPersistXML);
    EXPECT_TRUE(reopened->IsEOF());
    EXPECT_EQ(engine::xmlpersist::Load(again).rows.size(), 3u);
}

TEST_F(XmlPersistence, SaveNeverReplacesAFileAndLeavesNoneOnFailure)
{
    auto rs = engine::Recordset::FromRows(
        { Col("Word", engine::adVarWChar, 50) }, { { Variant::FromBstr(QStringLiteral("cat")) } }, false);
    const QString existing = PathOf("existing.xml");
    {
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("precious");
    }
    try {
        engine::xmlpersist::Save(*rs, existing);
        FAIL() << "an existing file was overwritten";
    } catch (const ComError& e) {
        EXPECT_EQ(static_cast<quint32>(e.Error()), 0x80070050u);
        EXPECT_TRUE(e.Description()->contains(existing));
    }
    EXPECT_EQ(ReadAll(existing), QByteArray("precious"));

    // A folder that does not exist: an error, and nothing made.
    const QString nowhere = PathOf("missing/folder/out.xml");
    EXPECT_THROW(engine::xmlpersist::Save(*rs, nowhere), ComError);
    EXPECT_FALSE(QFile::exists(nowhere));

    // A value that XML cannot hold fails before any file exists.
    auto control = engine::Recordset::FromRows(
        { Col("Word", engine::adVarWChar, 50) }, { { Variant::FromBstr(QStringLiteral("bell\x07")) } }, false);
    const QString refused = PathOf("control.xml");
    try {
        engine::xmlpersist::Save(*control, refused);
        FAIL() << "a control character was written";
    } catch (const ComError& e) {
        EXPECT_TRUE(e.Description()->contains(QStringLiteral("U+0007"))) << e.what();
        EXPECT_TRUE(e.Description()->contains(QStringLiteral("'Word'")));
    }
    EXPECT_FALSE(QFile::exists(refused));

    // No temporary file is left behind by any of it.
    const QStringList left = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    EXPECT_EQ(left, QStringList { QStringLiteral("existing.xml") });
}

} // namespace

namespace {

class XmlPersistenceSql : public enginetest::EngineTest { };

TEST_F(XmlPersistenceSql, SqlRecordsetOfEveryJetTypeRoundTrips)
{
    Exec(QStringLiteral("CREATE TABLE Samples (ID COUNTER PRIMARY KEY, S SHORT, L LONG, B BYTE, F SINGLE, D DOUBLE, "
                        "C CURRENCY, W DATETIME, Y YESNO, T TEXT(20), M MEMO, N DECIMAL(10, 2), G GUID, "
                        "O LONGBINARY)"));
    Exec(QStringLiteral("INSERT INTO Samples (S, L, B, F, D, C, W, Y, T, M, N, G) VALUES (-7, 70000, 200, 1.5, "
                        "-2.25, 12.3456, #2010-05-17 08:30:00#, True, 'a <b> & \"c\"', 'line 1' & Chr(13) & Chr(10) & "
                        "'line 2', 19.99, '{6F9619FF-8B86-D011-B42D-00C04FC964FF}')"));
    Exec(QStringLiteral("INSERT INTO Samples (S) VALUES (NULL)")); // every other field NULL
    auto rs = Open(QStringLiteral("SELECT * FROM Samples ORDER BY ID"));
    auto fields = rs->GetFields();
    auto binary = Open(QStringLiteral("SELECT * FROM Samples WHERE ID = 1"));
    Put(binary, QStringLiteral("O"), Variant::FromBytes(QByteArray("\x00\x01\xFE", 3)));
    binary->Update();
    rs->Requery();

    const QString path = m_dir.filePath(QStringLiteral("samples.xml"));
    rs->Save(path);
    auto back = engine::Recordset::Create();
    back->Open(path, QStringLiteral("Provider=MSPersist;"), engine::adOpenForwardOnly, engine::adLockOptimistic,
        engine::adCmdFile);
    auto backFields = back->GetFields();
    ASSERT_EQ(backFields->Count(), fields->Count());
    rs->MoveFirst();
    int rows = 0;
    for (; !back->IsEOF(); back->MoveNext(), rs->MoveNext(), ++rows) {
        ASSERT_FALSE(rs->IsEOF());
        for (long i = 0; i < fields->Count(); ++i) {
            auto original = fields->Item(static_cast<int>(i));
            auto copy = backFields->Item(static_cast<int>(i));
            SCOPED_TRACE(original->Name().toStdString());
            EXPECT_EQ(copy->Name(), original->Name());
            EXPECT_EQ(copy->Type(), original->Type());
            EXPECT_EQ(copy->DefinedSize(), original->DefinedSize());
            EXPECT_EQ(copy->Value(), original->Value()) << copy->Value().DebugString().toStdString();
        }
    }
    EXPECT_EQ(rows, 2);

    // With a filter in effect only the rows it lets through are saved, as
    // ADO saves them; the recordset keeps its place.
    rs->SetFilter(QStringLiteral("L = 70000"));
    ASSERT_EQ(rs->RecordCount(), 1);
    const QString filtered = m_dir.filePath(QStringLiteral("filtered.xml"));
    rs->Save(filtered);
    EXPECT_EQ(engine::xmlpersist::Load(filtered).rows.size(), 1u);
    EXPECT_EQ(Get(rs, QStringLiteral("L")), Variant::FromI4(70000));
}

} // namespace
