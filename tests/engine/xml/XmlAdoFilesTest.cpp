// Reading files in ADO's XML persistence format as ADO itself writes them
// (written here by hand from the format's documentation): every data type
// ADO persists, renamed fields, character references, pending changes; and
// the refusal of malformed, foreign and DOCTYPE-bearing files with an error
// that names the file.
#include "engine/xml/XmlPersistence.h"
#include "platform/ComError.h"
#include "platform/OleDateTime.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>

using platform::ComError;
using platform::Variant;

namespace {

const char* const kHead = "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\n"
                          "\txmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\n"
                          "\txmlns:rs='urn:schemas-microsoft-com:rowset'\n"
                          "\txmlns:z='#RowsetSchema'>\n";

// A table of words as ADO saves it after some edits that were not yet sent
// to the database: one row updated, one deleted, two inserted.
const char* const kWordsWithPendingChanges = R"(<s:Schema id='RowsetSchema'>
	<s:ElementType name='row' content='eltOnly' rs:CommandTimeout='30' rs:updatable='true'>
		<s:AttributeType name='ID' rs:number='1' rs:maydefer='true' rs:writeunknown='true' rs:basetable='Words' rs:basecolumn='ID' rs:keycolumn='true' rs:autoincrement='true'>
			<s:datatype dt:type='int' dt:maxLength='4' rs:precision='10' rs:fixedlength='true' rs:maybenull='false'/>
		</s:AttributeType>
		<s:AttributeType name='Word' rs:number='2' rs:nullable='true' rs:maydefer='true' rs:writeunknown='true'>
			<s:datatype dt:type='string' dt:maxLength='50'/>
		</s:AttributeType>
		<s:AttributeType name='c2' rs:name='Last Seen' rs:number='3' rs:nullable='true' rs:writeunknown='true'>
			<s:datatype dt:type='dateTime' rs:dbtype='variantdate' dt:maxLength='16' rs:scale='0' rs:precision='0' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='Note' rs:number='4' rs:nullable='true' rs:writeunknown='true'>
			<s:datatype dt:type='string' dt:maxLength='536870910' rs:long='true'/>
		</s:AttributeType>
		<s:AttributeType name='Price' rs:number='5' rs:nullable='true' rs:writeunknown='true'>
			<s:datatype dt:type='number' rs:dbtype='currency' dt:maxLength='8' rs:precision='19' rs:fixedlength='true'/>
		</s:AttributeType>
		<s:AttributeType name='Known' rs:number='6' rs:writeunknown='true'>
			<s:datatype dt:type='boolean' dt:maxLength='2' rs:fixedlength='true' rs:maybenull='false'/>
		</s:AttributeType>
		<s:extends type='rs:rowbase'/>
	</s:ElementType>
</s:Schema>
<rs:data>
	<z:row ID='1' Word='cat &amp; dog' c2='2010-05-17T08:30:00' Note='line one&#x0D;&#x0A;line two &lt;b&gt; &quot;q&quot; &apos;a&apos; &#65;&#x42;' Price='12.5' Known='True'/>
	<z:row ID='2' Word='bird' Price='0' Known='False'/>
	<rs:update>
		<rs:original>
			<z:row ID='3' Word='fish' c2='2010-01-01T00:00:00' Price='1.25' Known='False'/>
		</rs:original>
		<z:row Word='shark' Known='True'/>
	</rs:update>
	<z:row ID='4' Word='ant' Known='False'/>
	<rs:delete>
		<z:row ID='5' Word='gone' Known='False'/>
	</rs:delete>
	<rs:insert>
		<z:row ID='6' Word='new one' Known='True'/>
		<z:row ID='7' Known='False'/>
	</rs:insert>
</rs:data>
</xml>
)";

// One field of each XML data type ADO persists.
const char* const kEveryAdoType = R"(<s:Schema id='RowsetSchema'>
	<s:ElementType name='row' content='eltOnly'>
		<s:AttributeType name='a' rs:number='1' rs:nullable='true'><s:datatype dt:type='i1' dt:maxLength='1'/></s:AttributeType>
		<s:AttributeType name='b' rs:number='2' rs:nullable='true'><s:datatype dt:type='i2' dt:maxLength='2'/></s:AttributeType>
		<s:AttributeType name='c' rs:number='3' rs:nullable='true'><s:datatype dt:type='i4' dt:maxLength='4'/></s:AttributeType>
		<s:AttributeType name='d' rs:number='4' rs:nullable='true'><s:datatype dt:type='i8' dt:maxLength='8'/></s:AttributeType>
		<s:AttributeType name='e' rs:number='5' rs:nullable='true'><s:datatype dt:type='ui1' dt:maxLength='1'/></s:AttributeType>
		<s:AttributeType name='f' rs:number='6' rs:nullable='true'><s:datatype dt:type='ui2' dt:maxLength='2'/></s:AttributeType>
		<s:AttributeType name='g' rs:number='7' rs:nullable='true'><s:datatype dt:type='ui4' dt:maxLength='4'/></s:AttributeType>
		<s:AttributeType name='h' rs:number='8' rs:nullable='true'><s:datatype dt:type='ui8' dt:maxLength='8'/></s:AttributeType>
		<s:AttributeType name='i' rs:number='9' rs:nullable='true'><s:datatype dt:type='r4' dt:maxLength='4'/></s:AttributeType>
		<s:AttributeType name='j' rs:number='10' rs:nullable='true'><s:datatype dt:type='r8' dt:maxLength='8'/></s:AttributeType>
		<s:AttributeType name='k' rs:number='11' rs:nullable='true'><s:datatype dt:type='float' dt:maxLength='8'/></s:AttributeType>
		<s:AttributeType name='l' rs:number='12' rs:nullable='true'><s:datatype dt:type='number' dt:maxLength='19'/></s:AttributeType>
		<s:AttributeType name='m' rs:number='13' rs:nullable='true'><s:datatype dt:type='number' rs:dbtype='currency' dt:maxLength='8'/></s:AttributeType>
		<s:AttributeType name='n' rs:number='14' rs:nullable='true'><s:datatype dt:type='number' rs:dbtype='decimal' dt:maxLength='16' rs:precision='28' rs:scale='4'/></s:AttributeType>
		<s:AttributeType name='o' rs:number='15' rs:nullable='true'><s:datatype dt:type='number' rs:dbtype='numeric' dt:maxLength='19' rs:precision='10' rs:scale='2'/></s:AttributeType>
		<s:AttributeType name='p' rs:number='16' rs:nullable='true'><s:datatype dt:type='boolean' dt:maxLength='2'/></s:AttributeType>
		<s:AttributeType name='q' rs:number='17' rs:nullable='true'><s:datatype dt:type='string' dt:maxLength='20'/></s:AttributeType>
		<s:AttributeType name='r' rs:number='18' rs:nullable='true'><s:datatype dt:type='string' rs:dbtype='str' dt:maxLength='20'/></s:AttributeType>
		<s:AttributeType name='s' rs:number='19' rs:nullable='true'><s:datatype dt:type='dateTime' rs:dbtype='timestamp' dt:maxLength='16'/></s:AttributeType>
		<s:AttributeType name='t' rs:number='20' rs:nullable='true'><s:datatype dt:type='date' dt:maxLength='6'/></s:AttributeType>
		<s:AttributeType name='u' rs:number='21' rs:nullable='true'><s:datatype dt:type='time' dt:maxLength='6'/></s:AttributeType>
		<s:AttributeType name='v' rs:number='22' rs:nullable='true'><s:datatype dt:type='dateTime.tz' dt:maxLength='16'/></s:AttributeType>
		<s:AttributeType name='w' rs:number='23' rs:nullable='true'><s:datatype dt:type='bin.hex' dt:maxLength='10'/></s:AttributeType>
		<s:AttributeType name='x' rs:number='24' rs:nullable='true'><s:datatype dt:type='bin.base64' dt:maxLength='10'/></s:AttributeType>
		<s:AttributeType name='y' rs:number='25' rs:nullable='true'><s:datatype dt:type='uuid' dt:maxLength='16' rs:fixedlength='true'/></s:AttributeType>
		<s:AttributeType name='z' rs:number='26' rs:nullable='true' dt:type='int'/>
		<s:extends type='rs:rowbase'/>
	</s:ElementType>
</s:Schema>
<rs:data>
	<z:row a='-5' b='-300' c='70000' d='-5000000000' e='200' f='60000' g='4000000000' h='18000000000000000000'
		i='1.5' j='2.25E+300' k='-0.5' l='3.14159' m='-12.3456' n='123456789012345678.1234' o='99.95' p='true'
		q='h&#xE9;llo' r='plain' s='2010-05-17T08:30:00.250' t='2010-05-17' u='08:30:15' v='2010-05-17T08:30:00+02:00'
		w='00ff7F' x='AP9/' y='6F9619FF-8B86-D011-B42D-00C04FC964FF' z='42'/>
</rs:data>
</xml>
)";

double Ole(int y, int mo, int d, int h, int mi, int s)
{
    return platform::OleDateTime(y, mo, d, h, mi, s).m_dt;
}

platform::DECIMAL Dec(std::uint64_t mantissa, std::uint8_t scale, bool negative = false, std::uint32_t hi = 0)
{
    platform::DECIMAL d;
    d.Lo64 = mantissa;
    d.Hi32 = hi;
    d.scale = scale;
    d.sign = negative ? 0x80 : 0;
    return d;
}

class XmlAdoFiles : public ::testing::Test {
protected:
    QString Write(const char* name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QString WriteRowset(const char* name, const char* body) { return Write(name, QByteArray(kHead) + body); }

    // Load must fail; returns the error.
    ComError LoadFails(const QString& path)
    {
        try {
            engine::xmlpersist::Load(path);
        } catch (const ComError& e) {
            return e;
        }
        ADD_FAILURE() << "the file was read: " << path.toStdString();
        return ComError(platform::S_OK);
    }

    QTemporaryDir m_dir;
};

TEST_F(XmlAdoFiles, PendingChangesAreAppliedAndNamesRestored)
{
    const QString path = WriteRowset("words.xml", kWordsWithPendingChanges);
    const engine::xmlpersist::Rowset r = engine::xmlpersist::Load(path);

    ASSERT_EQ(r.columns.size(), 6u);
    EXPECT_EQ(r.columns[0].name, QStringLiteral("ID"));
    EXPECT_EQ(r.columns[0].type, engine::adInteger);
    EXPECT_EQ(r.columns[0].attributes & engine::adFldKeyColumn, engine::adFldKeyColumn);
    EXPECT_EQ(r.columns[0].attributes & engine::adFldIsNullable, 0);
    EXPECT_EQ(r.columns[0].attributes & engine::adFldMayBeNull, 0);
    EXPECT_EQ(r.columns[1].type, engine::adVarWChar);
    EXPECT_EQ(r.columns[1].definedSize, 50);
    EXPECT_EQ(r.columns[2].name, QStringLiteral("Last Seen"));
    EXPECT_EQ(r.columns[2].type, engine::adDate);
    EXPECT_EQ(r.columns[3].type, engine::adLongVarWChar);
    EXPECT_EQ(r.columns[4].type, engine::adCurrency);
    EXPECT_EQ(r.columns[5].type, engine::adBoolean);

    // Rows in the file's order: the updated row where it stood, the
    // deleted row gone, the inserted rows where they were written.
    ASSERT_EQ(r.rows.size(), 6u);
    std::vector<int> ids;
    for (const auto& row : r.rows)
        ids.push_back(row[0].lVal());
    EXPECT_EQ(ids, (std::vector<int> { 1, 2, 3, 4, 6, 7 }));

    EXPECT_EQ(r.rows[0][1], Variant::FromBstr(QStringLiteral("cat & dog")));
    EXPECT_EQ(r.rows[0][2], Variant::FromDate(Ole(2010, 5, 17, 8, 30, 0)));
    EXPECT_EQ(r.rows[0][3], Variant::FromBstr(QStringLiteral("line one\r\nline two <b> \"q\" 'a' AB")));
    EXPECT_EQ(r.rows[0][4], Variant::FromCy(125000));
    EXPECT_EQ(r.rows[0][5], Variant::FromBool(true));
    EXPECT_TRUE(r.rows[1][2].IsNull());
    EXPECT_TRUE(r.rows[1][3].IsNull());
    EXPECT_EQ(r.rows[1][4], Variant::FromCy(0));
    // The update: changed values over the original, the rest kept.
    EXPECT_EQ(r.rows[2][1], Variant::FromBstr(QStringLiteral("shark")));
    EXPECT_EQ(r.rows[2][2], Variant::FromDate(Ole(2010, 1, 1, 0, 0, 0)));
    EXPECT_EQ(r.rows[2][4], Variant::FromCy(12500));
    EXPECT_EQ(r.rows[2][5], Variant::FromBool(true));
    EXPECT_EQ(r.rows[4][1], Variant::FromBstr(QStringLiteral("new one")));
    EXPECT_TRUE(r.rows[5][1].IsNull());

    // The same file in UTF-16 with a byte order mark reads the same.
    QStringEncoder toUtf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    const QByteArray utf16 = toUtf16(QString::fromUtf8(QByteArray(kHead) + kWordsWithPendingChanges));
    const engine::xmlpersist::Rowset wide = engine::xmlpersist::Load(Write("wide.xml", utf16));
    ASSERT_EQ(wide.rows.size(), 6u);
    EXPECT_EQ(wide.rows[0][3], r.rows[0][3]);
}

TEST_F(XmlAdoFiles, EveryTypeAdoPersistsReads)
{
    const engine::xmlpersist::Rowset r = engine::xmlpersist::Load(WriteRowset("types.xml", kEveryAdoType));
    using namespace engine;
    const std::vector<long> types = { adTinyInt, adSmallInt, adInteger, adBigInt, adUnsignedTinyInt, adUnsignedSmallInt,
        adUnsignedInt, adUnsignedBigInt, adSingle, adDouble, adDouble, adNumeric, adCurrency, adDecimal, adNumeric,
        adBoolean, adVarWChar, adVarChar, adDBTimeStamp, adDBDate, adDBTime, adDBTimeStamp, adVarBinary, adVarBinary,
        adGUID, adInteger };
    ASSERT_EQ(r.columns.size(), types.size());
    for (std::size_t i = 0; i < types.size(); ++i)
        EXPECT_EQ(r.columns[i].type, types[i]) << r.columns[i].name.toStdString();
    EXPECT_EQ(r.columns[13].precision, 28);
    EXPECT_EQ(r.columns[13].numericScale, 4);
    EXPECT_EQ(r.columns[14].precision, 10);
    EXPECT_EQ(r.columns[14].numericScale, 2);

    ASSERT_EQ(r.rows.size(), 1u);
    const std::vector<Variant>& v = r.rows[0];
    const QByteArray bytes("\x00\xFF\x7F", 3);
    const std::vector<Variant> expected = {
        Variant::FromI1(-5),
        Variant::FromI2(-300),
        Variant::FromI4(70000),
        Variant::FromI8(-5000000000LL),
        Variant::FromUI1(200),
        Variant::FromUI2(60000),
        Variant::FromUI4(4000000000u),
        Variant::FromUI8(18000000000000000000ull),
        Variant::FromR4(1.5f),
        Variant::FromR8(2.25e300),
        Variant::FromR8(-0.5),
        Variant::FromDecimal(Dec(314159, 5)),
        Variant::FromCy(-123456),
        Variant(), // beyond 64 bits: checked below
        Variant::FromDecimal(Dec(9995, 2)),
        Variant::FromBool(true),
        Variant::FromBstr(QString::fromUtf8("h\xC3\xA9llo")),
        Variant::FromBstr(QStringLiteral("plain")),
        Variant::FromDate(Ole(2010, 5, 17, 8, 30, 0) + 0.25 / 86400.0),
        Variant::FromDate(Ole(2010, 5, 17, 0, 0, 0)),
        Variant::FromDate(Ole(1899, 12, 30, 8, 30, 15)),
        Variant::FromDate(Ole(2010, 5, 17, 8, 30, 0)),
        Variant::FromBytes(bytes),
        Variant::FromBytes(bytes),
        Variant::FromBstr(QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC964FF}")),
        Variant::FromI4(42),
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (i == 13)
            continue;
        EXPECT_EQ(v[i], expected[i]) << r.columns[i].name.toStdString() << ": " << v[i].DebugString().toStdString();
    }
    // 1234567890123456781234 needs more than 64 bits of mantissa.
    const unsigned __int128 mantissa
        = (static_cast<unsigned __int128>(v[13].decVal().Hi32) << 64) | v[13].decVal().Lo64;
    const unsigned __int128 want = static_cast<unsigned __int128>(1234567890123456781ull) * 1000 + 234;
    EXPECT_TRUE(mantissa == want);
    EXPECT_EQ(v[13].decVal().scale, 4);
    EXPECT_EQ(v[13].decVal().sign, 0);
}

// Numbers with exponents far beyond what a DECIMAL or currency holds read at
// once as what they round to (a file of hundreds of "1E-99999" once took
// minutes), and leading zeros do not count against the 29 digits.
TEST_F(XmlAdoFiles, ExtremeExponentsAndLeadingZerosReadAsTheirValues)
{
    const QByteArray schema = "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>"
                              "<s:AttributeType name='n' rs:number='1'><s:datatype dt:type='number' "
                              "rs:dbtype='decimal'/></s:AttributeType>"
                              "<s:AttributeType name='m' rs:number='2'><s:datatype dt:type='number' "
                              "rs:dbtype='currency'/></s:AttributeType>"
                              "</s:ElementType></s:Schema>\n";
    const std::vector<std::pair<QByteArray, QByteArray>> values = {
        { "1E-99999", "1E-99999" },
        { "5E-29", "0.00005" },
        { "0E99999", "-0.000049" },
        { "000000000000000000000000000001.5", "0000000000000000000000000000922337203685477.5807" },
        { "1E28", "1.5E-9999" },
    };
    QByteArray rows;
    for (const auto& [n, m] : values)
        rows += "<z:row n='" + n + "' m='" + m + "'/>\n";
    for (int i = 0; i < 300; ++i)
        rows += "<z:row n='1E-99999' m='-5E-99999'/>\n";
    const engine::xmlpersist::Rowset r = engine::xmlpersist::Load(
        Write("exponents.xml", QByteArray(kHead) + schema + "<rs:data>\n" + rows + "</rs:data></xml>\n"));
    ASSERT_EQ(r.rows.size(), values.size() + 300);
    // sign, high 32 and low 64 bits of the mantissa, scale
    using D = std::tuple<bool, std::uint32_t, std::uint64_t, int>;
    const auto decimalOf = [](const Variant& v) {
        const platform::DECIMAL d = v.decVal();
        return D(d.sign == 0x80, d.Hi32, d.Lo64, d.scale);
    };
    EXPECT_EQ(decimalOf(r.rows[0][0]), D(false, 0, 0, 28));
    EXPECT_EQ(decimalOf(r.rows[1][0]), D(false, 0, 1, 28)); // the half rounds away from zero
    EXPECT_EQ(decimalOf(r.rows[2][0]), D(false, 0, 0, 0));
    EXPECT_EQ(decimalOf(r.rows[3][0]), D(false, 0, 15, 1));
    // 10^28 = 0x204FCE5E3E25026110000000 needs all 96 bits' width.
    EXPECT_EQ(decimalOf(r.rows[4][0]), D(false, 0x204FCE5Eu, 0x3E25026110000000ull, 0));
    EXPECT_EQ(r.rows[0][1], Variant::FromCy(0));
    EXPECT_EQ(r.rows[1][1], Variant::FromCy(1));
    EXPECT_EQ(r.rows[2][1], Variant::FromCy(0));
    EXPECT_EQ(r.rows[3][1], Variant::FromCy(std::numeric_limits<std::int64_t>::max()));
    EXPECT_EQ(r.rows[4][1], Variant::FromCy(0));
    for (std::size_t i = values.size(); i < r.rows.size(); ++i) {
        ASSERT_EQ(decimalOf(r.rows[i][0]), D(false, 0, 0, 28)) << i;
        ASSERT_EQ(r.rows[i][1], Variant::FromCy(0)) << i;
    }

    // A number whose integer part is beyond 96 bits is still refused,
    // however it is written.
    for (const char* big : { "1E29", "79228162514264337593543950336", "0.0000000001E39", "1E99999" }) {
        SCOPED_TRACE(big);
        const ComError e = LoadFails(
            Write("big.xml", QByteArray(kHead) + schema + "<rs:data><z:row n='" + big + "'/></rs:data></xml>\n"));
        EXPECT_TRUE(e.Description()->contains(QStringLiteral("no value of its type"))) << e.what();
    }
}

TEST_F(XmlAdoFiles, MalformedAndForeignFilesFailNamingTheFile)
{
    const QByteArray whole = QByteArray(kHead) + kWordsWithPendingChanges;
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* says; // part of the description
    };
    const std::vector<Case> cases = {
        { "truncated.xml", whole.left(whole.size() / 2), "ends before the document is complete" },
        { "empty.xml", QByteArray(), "" },
        { "text.xml", "just some words", "not well-formed" },
        { "html.xml", "<html><body/></html>", "root element is <html>" },
        { "noschema.xml", QByteArray(kHead) + "<rs:data/></xml>", "before its s:Schema" },
        { "schemaonly.xml", QByteArray(kHead) + "</xml>", "no s:Schema" },
        { "mismatched.xml", QByteArray(kHead) + "<s:Schema></rs:data></xml>", "not well-formed" },
        { "badvalue.xml", QByteArray(kHead) + QByteArray(kWordsWithPendingChanges).replace("ID='2'", "ID='two'"),
            "'two'" },
        { "unknownfield.xml",
            QByteArray(kHead)
                + QByteArray(kWordsWithPendingChanges).replace("<z:row ID='4'", "<z:row Colour='red' ID='4'"),
            "'Colour'" },
        { "unknowntype.xml",
            QByteArray(kHead) + QByteArray(kWordsWithPendingChanges).replace("dt:type='boolean'", "dt:type='complex'"),
            "'complex'" },
        { "nooriginal.xml",
            QByteArray(kHead)
                + QByteArray(kWordsWithPendingChanges)
                      .replace("<rs:original>", "<rs:other>")
                      .replace("</rs:original>", "</rs:other>"),
            "rs:" },
        { "undeclared.xml", QByteArray(kHead) + QByteArray(kWordsWithPendingChanges).replace("&amp;", "&nbsp;"), "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Write(c.name, c.bytes);
        const ComError e = LoadFails(path);
        EXPECT_EQ(static_cast<quint32>(e.Error()), 0x80004005u);
        ASSERT_TRUE(e.Description().has_value());
        EXPECT_TRUE(e.Description()->contains(QString::fromLatin1(c.name))) << e.what();
        EXPECT_TRUE(e.Description()->contains(QString::fromLatin1(c.says))) << e.what();
    }

    const QString missing = m_dir.filePath(QStringLiteral("missing.xml"));
    const ComError e = LoadFails(missing);
    EXPECT_EQ(static_cast<quint32>(e.Error()), 0x800A0BBAu);
    EXPECT_TRUE(e.Description()->contains(missing));
    EXPECT_EQ(static_cast<quint32>(LoadFails(m_dir.path()).Error()), 0x800A0BBAu); // a folder
}

TEST_F(XmlAdoFiles, DoctypesAndEntitiesAreRefused)
{
    QFile secretFile(m_dir.filePath(QStringLiteral("secret.txt")));
    ASSERT_TRUE(secretFile.open(QIODevice::WriteOnly));
    secretFile.write("TOP-SECRET-CONTENT");
    secretFile.close();
    const QByteArray secretUrl = "file://" + secretFile.fileName().toUtf8();

    const QByteArray body = QByteArray(kWordsWithPendingChanges);
    const std::vector<std::pair<const char*, QByteArray>> files = {
        { "internal.xml",
            "<!DOCTYPE xml [<!ENTITY boom 'exploded'>]>\n" + QByteArray(kHead)
                + QByteArray(body).replace("cat &amp; dog", "&boom;") },
        { "external.xml",
            "<!DOCTYPE xml [<!ENTITY secret SYSTEM '" + secretUrl + "'>]>\n" + QByteArray(kHead)
                + QByteArray(body).replace("cat &amp; dog", "&secret;") },
        { "externaldtd.xml", "<!DOCTYPE xml SYSTEM '" + secretUrl + "'>\n" + QByteArray(kHead) + body },
        { "laughs.xml",
            "<!DOCTYPE xml [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>"
            "<!ENTITY c '&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;'><!ENTITY d '&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;'>]>\n"
                + QByteArray(kHead) + QByteArray(body).replace("cat &amp; dog", "&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;") },
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const ComError e = LoadFails(Write(name, bytes));
        EXPECT_EQ(static_cast<quint32>(e.Error()), 0x80004005u);
        ASSERT_TRUE(e.Description().has_value());
        EXPECT_TRUE(e.Description()->contains(QStringLiteral("DOCTYPE"))) << e.what();
        EXPECT_FALSE(e.Description()->contains(QStringLiteral("TOP-SECRET")));
    }
}

} // namespace
