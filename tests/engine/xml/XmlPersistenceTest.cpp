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
#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

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

using enginetest::Ole;

QString Quoted(const QString& name)
{
    return QStringLiteral("'%1'").arg(name);
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

// One column of each type the format carries, with a value that tests its
// edges.
std::vector<std::pair<ColumnInfo, Variant>> EveryType()
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
    platform::DECIMAL cent; // a mantissa of 1
    cent.Lo64 = 1;
    cent.scale = 2;
    QString longText;
    for (int i = 0; i < 20000; ++i)
        longText += QStringLiteral("line %1\r\n").arg(i);
    longText += QString::fromUtf8("\xF0\x9F\x90\x88 end"); // a character beyond the 16-bit range
    QByteArray longBytes(70000, '\0');
    for (int i = 0; i < longBytes.size(); ++i)
        longBytes[i] = static_cast<char>(i * 7);

    return { { Col("TinyInt", adTinyInt, 1, adFldFixed, 3), Variant::FromI1(-128) },
        { Col("SmallInt", adSmallInt, 2, adFldFixed, 5), Variant::FromI2(-32768) },
        { Col("Integer", adInteger, 4, adFldFixed, 10), Variant::FromI4(2147483647) },
        { Col("BigInt", adBigInt, 8, adFldFixed, 19), Variant::FromI8(-9223372036854775807LL - 1) },
        { Col("Byte", adUnsignedTinyInt, 1, adFldFixed, 3), Variant::FromUI1(255) },
        { Col("UShort", adUnsignedSmallInt, 2, adFldFixed, 5), Variant::FromUI2(65535) },
        { Col("ULong", adUnsignedInt, 4, adFldFixed, 10), Variant::FromUI4(4294967295u) },
        { Col("UBig", adUnsignedBigInt, 8, adFldFixed, 20), Variant::FromUI8(18446744073709551615ull) },
        { Col("Single", adSingle, 4, adFldFixed, 7), Variant::FromR4(0.1f) },
        { Col("Double", adDouble, 8, adFldFixed, 15), Variant::FromR8(-1.2345678901234567e-300) },
        { Col("Currency", adCurrency, 8, adFldFixed, 19), Variant::FromCy(-9223372036854775807LL - 1) },
        { Col("Decimal", adDecimal, 16, adFldFixed, 28, 10), Variant::FromDecimal(big) },
        { Col("Numeric", adNumeric, 19, adFldFixed, 18, 2), Variant::FromDecimal(money) },
        { Col("Cent", adNumeric, 19, adFldFixed, 18, 2), Variant::FromDecimal(cent) },
        { Col("Flag", adBoolean, 2, adFldFixed), Variant::FromBool(true) },
        { Col("When", adDate, 8, adFldFixed), Variant::FromDate(Ole(2010, 5, 17, 8, 30, 0)) },
        { Col("Stamp", adDBTimeStamp, 16, adFldFixed, 19), Variant::FromDate(Ole(1850, 1, 2, 23, 59, 59)) },
        { Col("Day", adDBDate, 6, adFldFixed), Variant::FromDate(Ole(9999, 12, 31, 0, 0, 0)) },
        { Col("Clock", adDBTime, 6, adFldFixed), Variant::FromDate(Ole(1899, 12, 30, 8, 5, 9)) },
        { Col("Guid", adGUID, 16, adFldFixed),
            Variant::FromBstr(QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC964FF}")) },
        { Col("Text", adVarWChar, 50), Variant::FromBstr(QStringLiteral("a <b> & \"c\" 'd' \ttab\r\nline end ]]>")) },
        { Col("Fixed", adWChar, 4, adFldFixed), Variant::FromBstr(QStringLiteral("abcd")) },
        { Col("Memo", adLongVarWChar, 536870910, adFldLong), Variant::FromBstr(longText) },
        { Col("Narrow", adVarChar, 20), Variant::FromBstr(QStringLiteral("narrow")) },
        { Col("NarrowLong", adLongVarChar, 2147483647, adFldLong), Variant::FromBstr(QStringLiteral("long narrow")) },
        { Col("Bin", adBinary, 3, adFldFixed), Variant::FromBytes(QByteArray("\x00\xFF\x10", 3)) },
        { Col("VarBin", adVarBinary, 510), Variant::FromBytes(QByteArray("\x01\x02", 2)) },
        { Col("LongBin", adLongVarBinary, 1073741823, adFldLong), Variant::FromBytes(longBytes) },
        { Col("Empty Text", adVarWChar, 10), Variant::FromBstr(QString()) } };
}

// What ADO writes for the recordset of SaveWritesAdoFormCharacterForCharacter,
// with LF for its CR LF (a raw CR LF in a value included).
const char* const kGoldenEveryType = R"(<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'
	xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'
	xmlns:rs='urn:schemas-microsoft-com:rowset'
	xmlns:z='#RowsetSchema'>
<s:Schema id='RowsetSchema'>
	<s:ElementType name='row' content='eltOnly' rs:updatable='true'>
		<s:AttributeType name='ID' rs:number='1' rs:write='true'>
			<s:datatype dt:type='int' dt:maxLength='4' rs:precision='10' rs:fixedlength='true' rs:maybenull='false'/>
		</s:AttributeType>
		<s:AttributeType name='TinyInt' rs:number='2' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='i1' dt:maxLength='1' rs:precision='3' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='SmallInt' rs:number='3' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='i2' dt:maxLength='2' rs:precision='5' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='BigInt' rs:number='4' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='i8' dt:maxLength='8' rs:precision='19' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='Byte' rs:number='5' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='ui1' dt:maxLength='1' rs:precision='3' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='UShort' rs:number='6' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='ui2' dt:maxLength='2' rs:precision='5' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='ULong' rs:number='7' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='ui4' dt:maxLength='4' rs:precision='10' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='UBig' rs:number='8' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='ui8' dt:maxLength='8' rs:precision='20' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='Single' rs:number='9' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='r4' dt:maxLength='4' rs:precision='7' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='Double' rs:number='10' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='float' dt:maxLength='8' rs:precision='15' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='Huge' rs:number='11' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='float' dt:maxLength='8' rs:precision='15' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='Money' rs:number='12' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='number' rs:dbtype='currency' dt:maxLength='8' rs:precision='19' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='Amount' rs:number='13' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='number' rs:dbtype='decimal' dt:maxLength='16' rs:scale='4' rs:precision='28' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='Num' rs:number='14' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='number' rs:dbtype='numeric' dt:maxLength='19' rs:scale='4' rs:precision='10' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='Flag' rs:number='15' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='boolean' dt:maxLength='2' rs:precision='0' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='When' rs:number='16' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='dateTime' rs:dbtype='variantdate' dt:maxLength='16' rs:precision='0' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='Stamp' rs:number='17' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='dateTime' rs:dbtype='timestamp' dt:maxLength='16' rs:scale='3' rs:precision='23'
			 rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='FileTime' rs:number='18' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='dateTime' rs:dbtype='filetime' dt:maxLength='16' rs:precision='0' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='Day' rs:number='19' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='date' dt:maxLength='6' rs:precision='0' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='Clock' rs:number='20' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='time' dt:maxLength='6' rs:precision='0' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='Guid' rs:number='21' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='uuid' dt:maxLength='16' rs:precision='0' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='Bstr' rs:number='22' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='string' dt:maxLength='4294967295' rs:precision='0' rs:long='true'/>
		</s:AttributeType>
		<s:AttributeType name='Char' rs:number='23' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='string' rs:dbtype='str' dt:maxLength='12' rs:precision='0' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='WChar' rs:number='24' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='string' dt:maxLength='4' rs:precision='0' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='VarChar' rs:number='25' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='string' rs:dbtype='str' dt:maxLength='20' rs:precision='0'/>
		</s:AttributeType>
		<s:AttributeType name='LongVarChar' rs:number='26' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='string' rs:dbtype='str' dt:maxLength='2147483647' rs:precision='0' rs:long='true'/>
		</s:AttributeType>
		<s:AttributeType name='c26' rs:name='Field Space Text' rs:number='27' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='string' dt:maxLength='50' rs:precision='0'/>
		</s:AttributeType>
		<s:AttributeType name='Memo' rs:number='28' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='string' dt:maxLength='536870910' rs:precision='0' rs:long='true'/>
		</s:AttributeType>
		<s:AttributeType name='Bin' rs:number='29' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='bin.hex' dt:maxLength='3' rs:precision='0' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='VarBin' rs:number='30' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='bin.hex' dt:maxLength='510' rs:precision='0'/>
		</s:AttributeType>
		<s:AttributeType name='LongBin' rs:number='31' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='bin.hex' dt:maxLength='1073741823' rs:precision='0' rs:long='true'/>
		</s:AttributeType>
		<s:AttributeType name='c31' rs:name='Größe' rs:number='32' rs:nullable='true' rs:write='true'>
			<s:datatype dt:type='string' dt:maxLength='5' rs:precision='0'/>
		</s:AttributeType>
		<s:extends type='rs:rowbase'/>
	</s:ElementType>
</s:Schema>
<rs:data>
	<z:row ID='1' TinyInt='-128' SmallInt='-2' BigInt='-9223372036854775808' Byte='255' UShort='65535' ULong='4294967295'
	 UBig='18446744073709551615' Single='1.125' Double='3.1415899999999999' Huge='1.7976931348623157E+308'
	 Money='-922337203685477.5808' Amount='1000.1234' Num='-922337.5808' Flag='True' When='1899-12-29T12:00:00'
	 Stamp='2026-01-02T03:04:05.123000000' FileTime='2001-02-03T04:05:06' Day='2001-02-02' Clock='01:03:00'
	 Guid='{00000000-0000-0000-0000-00000000100A}' Bstr='b' Char='r1p0        ' WChar='abcd' VarChar='narrow' LongVarChar='n'
	 c26='It&#x27;s &#x22;a&#x22; &#x3c;b&#x3e; &#x26; é日	tab' Memo='line 1
line 2' Bin='0100de' VarBin='dead' LongBin='beef'
	 c31='g'/>
	<z:row ID='2'/>
</rs:data>
</xml>
)";

class XmlPersistence : public ::testing::Test {
protected:
    QString PathOf(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;
};

TEST_F(XmlPersistence, EveryTypeAndNullRoundTrips)
{
    struct {
        std::vector<ColumnInfo> columns;
        std::vector<Variant> values;
    } s;
    for (const auto& [column, value] : EveryType()) {
        s.columns.push_back(column);
        s.values.push_back(value);
    }
    // The same row with every value NULL follows.
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
        // ADO writes every dateTime with the size 16; the file's size is
        // what reads back.
        EXPECT_EQ(back.columns[i].definedSize, s.columns[i].type == engine::adDate ? 16 : s.columns[i].definedSize);
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
    // ADO keeps only names of ASCII letters, digits and underscores; any
    // other gets the alias c<ordinal>, or another when that is taken.
    for (const char* piece : { "name='c0_1' rs:name='Last Name'", "name='c1' rs:name='1st'", "name='c2' rs:name='a:b'",
             "name='c0' rs:number='4'", "name='c4' rs:name='&#x3c;&#x26;&#x27;&#x22;&#x3e;'",
             "name='Word' rs:number='6'", "name='c6' rs:name='Word'", "name='c7' rs:name='Größe'" })
        EXPECT_TRUE(xml.contains(piece)) << piece << "\n" << xml.left(2000).constData();

    const engine::xmlpersist::Rowset back = engine::xmlpersist::Load(path);
    ASSERT_EQ(back.columns.size(), columns.size());
    ASSERT_EQ(back.rows.size(), 1u);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(back.columns[i].name, columns[i].name);
        EXPECT_EQ(back.rows[0][i], row[i]);
    }
}

// One field of every type ADO persists, with a value in each, and a row of
// NULLs: what Save writes must be what ADO writes for the same recordset,
// character for character (the file below follows ADO's files: quoting,
// references, line ends, TABs, wrapping, the attributes of each type).
TEST_F(XmlPersistence, SaveWritesAdoFormCharacterForCharacter)
{
    using namespace engine;
    platform::DECIMAL amount;
    amount.Lo64 = 10001234; // 1000.1234
    amount.scale = 4;
    platform::DECIMAL negative;
    negative.Lo64 = 9223375808; // -922337.5808
    negative.scale = 4;
    negative.sign = 0x80;
    ColumnInfo id = Col("ID", adInteger, 4, 0, 10);
    id.attributes = adFldFixed; // neither nullable nor may be null
    const std::vector<std::pair<ColumnInfo, Variant>> fields = {
        { id, Variant::FromI4(1) },
        { Col("TinyInt", adTinyInt, 1, adFldFixed, 3), Variant::FromI1(-128) },
        { Col("SmallInt", adSmallInt, 2, adFldFixed, 5), Variant::FromI2(-2) },
        { Col("BigInt", adBigInt, 8, adFldFixed, 19), Variant::FromI8(-9223372036854775807LL - 1) },
        { Col("Byte", adUnsignedTinyInt, 1, adFldFixed, 3), Variant::FromUI1(255) },
        { Col("UShort", adUnsignedSmallInt, 2, adFldFixed, 5), Variant::FromUI2(65535) },
        { Col("ULong", adUnsignedInt, 4, adFldFixed, 10), Variant::FromUI4(4294967295u) },
        { Col("UBig", adUnsignedBigInt, 8, adFldFixed, 20), Variant::FromUI8(18446744073709551615ull) },
        { Col("Single", adSingle, 4, adFldFixed, 7), Variant::FromR4(1.125f) },
        { Col("Double", adDouble, 8, adFldFixed, 15), Variant::FromR8(3.14159) },
        { Col("Huge", adDouble, 8, adFldFixed, 15), Variant::FromR8(1.7976931348623157e308) },
        { Col("Money", adCurrency, 8, adFldFixed, 19), Variant::FromCy(-9223372036854775807LL - 1) },
        { Col("Amount", adDecimal, 16, adFldFixed, 28, 4), Variant::FromDecimal(amount) },
        { Col("Num", adNumeric, 19, adFldFixed, 10, 4), Variant::FromDecimal(negative) },
        { Col("Flag", adBoolean, 2, adFldFixed), Variant::FromBool(true) },
        { Col("When", adDate, 8, adFldFixed), Variant::FromDate(Ole(1899, 12, 29, 12, 0, 0)) },
        { Col("Stamp", adDBTimeStamp, 16, adFldFixed, 23, 3),
            Variant::FromDate(Ole(2026, 1, 2, 3, 4, 5) + 0.123 / 86400.0) },
        { Col("FileTime", adFileTime, 8, adFldFixed), Variant::FromDate(Ole(2001, 2, 3, 4, 5, 6)) },
        { Col("Day", adDBDate, 6, adFldFixed), Variant::FromDate(Ole(2001, 2, 2, 0, 0, 0)) },
        { Col("Clock", adDBTime, 6, adFldFixed), Variant::FromDate(Ole(1899, 12, 30, 1, 3, 0)) },
        { Col("Guid", adGUID, 16, adFldFixed),
            Variant::FromBstr(QStringLiteral("00000000-0000-0000-0000-00000000100a")) },
        { Col("Bstr", adBSTR, 0, adFldLong), Variant::FromBstr(QStringLiteral("b")) },
        { Col("Char", adChar, 12, adFldFixed), Variant::FromBstr(QStringLiteral("r1p0        ")) },
        { Col("WChar", adWChar, 4, adFldFixed), Variant::FromBstr(QStringLiteral("abcd")) },
        { Col("VarChar", adVarChar, 20), Variant::FromBstr(QStringLiteral("narrow")) },
        { Col("LongVarChar", adLongVarChar, 2147483647, adFldLong), Variant::FromBstr(QStringLiteral("n")) },
        { Col("Field Space Text", adVarWChar, 50),
            Variant::FromBstr(QString::fromUtf8("It's \"a\" <b> & \xC3\xA9\xE6\x97\xA5\ttab")) },
        { Col("Memo", adLongVarWChar, 536870910, adFldLong), Variant::FromBstr(QStringLiteral("line 1\r\nline 2")) },
        { Col("Bin", adBinary, 3, adFldFixed), Variant::FromBytes(QByteArray("\x01\x00\xDE", 3)) },
        { Col("VarBin", adVarBinary, 510), Variant::FromBytes(QByteArray("\xDE\xAD", 2)) },
        { Col("LongBin", adLongVarBinary, 1073741823, adFldLong), Variant::FromBytes(QByteArray("\xBE\xEF", 2)) },
        { Col("Gr\xC3\xB6\xC3\x9F"
              "e",
              adVarWChar, 5),
            Variant::FromBstr(QStringLiteral("g")) },
    };
    std::vector<ColumnInfo> columns;
    std::vector<Variant> values;
    std::vector<Variant> nulls;
    for (const auto& [column, value] : fields) {
        columns.push_back(column);
        values.push_back(value);
        nulls.push_back(Variant::Null());
    }
    nulls[0] = Variant::FromI4(2);
    auto rs = Recordset::FromRows(columns, { values, nulls }, false);
    const QString path = PathOf("golden.xml");
    xmlpersist::Save(*rs, path);
    QByteArray golden = kGoldenEveryType;
    golden.replace("\n", "\r\n");
    golden.chop(2); // no line end after </xml>
    const QByteArray written = ReadAll(path);
    EXPECT_EQ(written.toStdString(), golden.toStdString());

    // Dates at their edges: a time that rounds up to the next day (before
    // 1899-12-30 too, where OLE dates count days down), fractions where
    // the type keeps them and nowhere else.
    const double ms = 1.0 / 86400000.0;
    const std::vector<std::tuple<long, double, const char*>> dates = {
        { adDate, Ole(1899, 12, 29, 23, 59, 59) - 600 * ms, "1899-12-30T00:00:00" },
        { adDate, Ole(2010, 5, 17, 23, 59, 59) + 600 * ms, "2010-05-18T00:00:00" },
        { adDate, Ole(2010, 5, 17, 8, 30, 0) + 400 * ms, "2010-05-17T08:30:00" },
        { adDate, Ole(100, 1, 1, 0, 0, 0), "0100-01-01T00:00:00" },
        { adDBTimeStamp, Ole(2010, 5, 17, 8, 30, 0), "2010-05-17T08:30:00" },
        { adDBTimeStamp, Ole(9999, 12, 31, 23, 59, 59) + 500 * ms, "9999-12-31T23:59:59.500000000" },
        { adDBTimeStamp, Ole(1850, 1, 2, 3, 4, 5) - 1 * ms, "1850-01-02T03:04:05.001000000" },
        { adFileTime, Ole(2001, 2, 3, 4, 5, 6) + 250 * ms, "2001-02-03T04:05:06.250000000" },
        { adDBDate, Ole(2001, 2, 2, 13, 0, 0), "2001-02-02" },
        { adDBTime, Ole(1899, 12, 30, 1, 3, 0), "01:03:00" },
    };
    for (const auto& [type, date, text] : dates) {
        SCOPED_TRACE(text);
        auto one = Recordset::FromRows({ Col("D", type, 8) }, { { Variant::FromDate(date) } }, false);
        const QString datePath = PathOf("date.xml");
        QFile::remove(datePath);
        xmlpersist::Save(*one, datePath);
        EXPECT_TRUE(ReadAll(datePath).contains("\t<z:row D='" + QByteArray(text) + "'/>\r\n"))
            << ReadAll(datePath).right(80).constData();
    }
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

    // A value the file cannot hold fails before any file exists: a
    // character XML cannot hold, a number that is no finite value (which
    // ADO refuses with its multiple-step error), a GUID field holding no
    // GUID.
    struct Refused {
        ColumnInfo column;
        Variant value;
        quint32 hr;
        const char* says;
    };
    const char* const multipleStep = "Multiple-step operation generated errors. Check each status value.";
    const std::vector<Refused> refusals = {
        { Col("Word", engine::adVarWChar, 50), Variant::FromBstr(QStringLiteral("bell\x07")), 0x800A0D5Du, "U+0007" },
        { Col("Ratio", engine::adDouble, 8), Variant::FromR8(std::nan("")), 0x80040E21u, multipleStep },
        { Col("Ratio", engine::adDouble, 8), Variant::FromR8(-HUGE_VAL), 0x80040E21u, multipleStep },
        { Col("Ratio", engine::adSingle, 4), Variant::FromR4(HUGE_VALF), 0x80040E21u, multipleStep },
        { Col("Key", engine::adGUID, 16), Variant::FromBstr(QStringLiteral("not a guid")), 0x800A0D5Du, "no GUID" },
    };
    for (const Refused& r : refusals) {
        SCOPED_TRACE(r.column.name.toStdString());
        auto one = engine::Recordset::FromRows({ r.column }, { { r.value } }, false);
        const QString refused = PathOf("refused.xml");
        try {
            engine::xmlpersist::Save(*one, refused);
            ADD_FAILURE() << "a value the file cannot hold was written";
        } catch (const ComError& e) {
            EXPECT_EQ(static_cast<quint32>(e.Error()), r.hr);
            EXPECT_TRUE(e.Description()->contains(QString::fromLatin1(r.says))) << e.what();
            EXPECT_TRUE(e.Description()->contains(Quoted(r.column.name))) << e.what();
        }
        EXPECT_FALSE(QFile::exists(refused));
    }

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
    rs->MoveLast();

    // Save leaves the cursor where it was, and never replaces a file.
    const QString path = m_dir.filePath(QStringLiteral("samples.xml"));
    rs->Save(path);
    EXPECT_EQ(rs->AbsolutePosition(), 2);
    EXPECT_THROW(rs->Save(path), ComError);
    auto back = engine::Recordset::Create();
    back->Open(path, QStringLiteral("Provider=MSPersist;"), engine::adOpenForwardOnly, engine::adLockOptimistic,
        engine::adCmdFile);
    EXPECT_EQ(back->RecordCount(), -1);
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
            // ADO writes every dateTime with the size 16.
            EXPECT_EQ(copy->DefinedSize(), original->Type() == engine::adDate ? 16 : original->DefinedSize());
            EXPECT_EQ(copy->Value(), original->Value()) << copy->Value().DebugString().toStdString();
        }
    }
    EXPECT_EQ(rows, 2);
    // A forward-only recordset, read to its end, saves every row again.
    const QString again = m_dir.filePath(QStringLiteral("again.xml"));
    back->Save(again);
    EXPECT_EQ(engine::xmlpersist::Load(again).rows.size(), 2u);

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
