// Reading files in ADO's XML persistence format as ADO itself writes them
// (written here by hand from the format's documentation): every data type
// ADO persists, renamed fields, character references, pending changes; and
// the refusal of malformed, foreign and DOCTYPE-bearing files with an error
// that names the file.
#include "engine/EngineTestFiles.h"
#include "engine/ado/Field.h"
#include "engine/ado/Recordset.h"
#include "engine/xml/XmlPersistence.h"
#include "platform/ComError.h"

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
		<s:AttributeType name='l' rs:number='12' rs:nullable='true'><s:datatype dt:type='number' rs:dbtype='numeric' dt:maxLength='19'/></s:AttributeType>
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
		w='00ff7F' x='AP9/' y='{6f9619ff-8B86-D011-B42D-00C04FC964FF}' z='42'/>
</rs:data>
</xml>
)";

using enginetest::Ole;

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

    std::vector<QString> names;
    std::vector<long> types;
    for (const engine::ColumnInfo& c : r.columns) {
        names.push_back(c.name);
        types.push_back(c.type);
    }
    EXPECT_EQ(names, (std::vector<QString> { "ID", "Word", "Last Seen", "Note", "Price", "Known" }));
    using namespace engine;
    EXPECT_EQ(types, (std::vector<long> { adInteger, adVarWChar, adDate, adLongVarWChar, adCurrency, adBoolean }));
    EXPECT_EQ(r.columns[0].attributes & (adFldKeyColumn | adFldIsNullable | adFldMayBeNull), adFldKeyColumn);
    EXPECT_EQ(r.columns[1].definedSize, 50);

    // Rows in the file's order: the updated row where it stood (changed
    // values over the original, the rest kept), the deleted row gone, the
    // inserted rows where they were written.
    const Variant null = Variant::Null();
    const auto text = [](const char* t) { return Variant::FromBstr(QString::fromUtf8(t)); };
    const std::vector<std::vector<Variant>> rows
        = { { Variant::FromI4(1), text("cat & dog"), Variant::FromDate(Ole(2010, 5, 17, 8, 30, 0)),
                text("line one\r\nline two <b> \"q\" 'a' AB"), Variant::FromCy(125000), Variant::FromBool(true) },
              { Variant::FromI4(2), text("bird"), null, null, Variant::FromCy(0), Variant::FromBool(false) },
              { Variant::FromI4(3), text("shark"), Variant::FromDate(Ole(2010, 1, 1, 0, 0, 0)), null,
                  Variant::FromCy(12500), Variant::FromBool(true) },
              { Variant::FromI4(4), text("ant"), null, null, null, Variant::FromBool(false) },
              { Variant::FromI4(6), text("new one"), null, null, null, Variant::FromBool(true) },
              { Variant::FromI4(7), null, null, null, null, Variant::FromBool(false) } };
    EXPECT_EQ(r.rows, rows);

    // The same file in UTF-16 with a byte order mark reads the same.
    QStringEncoder toUtf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    const QByteArray utf16 = toUtf16(QString::fromUtf8(QByteArray(kHead) + kWordsWithPendingChanges));
    const engine::xmlpersist::Rowset wide = engine::xmlpersist::Load(Write("wide.xml", utf16));
    EXPECT_EQ(wide.rows, rows);
}

// A recordset as ADO saves it after batch edits, byte for byte in ADO's
// form (CR LF line ends, TABs, single quotes, a memo with raw line breaks,
// a name with a raw TAB): an updated row whose new image sets two fields to
// NULL with rs:forcenull, inserted rows that do the same, a deleted row,
// the largest ui8, a file time and a timestamp with a fraction of a second.
const char* const kAdoBatchFile
    = "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\r\n"
      "\txmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\r\n"
      "\txmlns:rs='urn:schemas-microsoft-com:rowset'\r\n"
      "\txmlns:z='#RowsetSchema'>\r\n"
      "<s:Schema id='RowsetSchema'>\r\n"
      "\t<s:ElementType name='row' content='eltOnly' rs:updatable='true'>\r\n"
      "\t\t<s:AttributeType name='ID' rs:number='1' rs:write='true'>\r\n"
      "\t\t\t<s:datatype dt:type='int' dt:maxLength='4' rs:precision='0' rs:fixedlength='true' "
      "rs:maybenull='false'/>\r\n"
      "\t\t</s:AttributeType>\r\n"
      "\t\t<s:AttributeType name='MEMO_FIELD' rs:number='2' rs:nullable='true' rs:write='true'>\r\n"
      "\t\t\t<s:datatype dt:type='string' dt:maxLength='536870910' rs:precision='0' rs:long='true'/>\r\n"
      "\t\t</s:AttributeType>\r\n"
      "\t\t<s:AttributeType name='BIG' rs:number='3' rs:nullable='true' rs:write='true'>\r\n"
      "\t\t\t<s:datatype dt:type='ui8' dt:maxLength='8' rs:precision='20' rs:fixedlength='true'/>\r\n"
      "\t\t</s:AttributeType>\r\n"
      "\t\t<s:AttributeType name='c3' rs:name='Tab\tName' rs:number='4' rs:nullable='true' rs:write='true'>\r\n"
      "\t\t\t<s:datatype dt:type='string' dt:maxLength='50' rs:precision='0'/>\r\n"
      "\t\t</s:AttributeType>\r\n"
      "\t\t<s:AttributeType name='STAMP' rs:number='5' rs:nullable='true' rs:write='true'>\r\n"
      "\t\t\t<s:datatype dt:type='dateTime' rs:dbtype='timestamp' dt:maxLength='16' rs:scale='3' "
      "rs:precision='23' rs:fixedlength='true'/>\r\n"
      "\t\t</s:AttributeType>\r\n"
      "\t\t<s:AttributeType name='FT' rs:number='6' rs:nullable='true' rs:write='true'>\r\n"
      "\t\t\t<s:datatype dt:type='dateTime' rs:dbtype='filetime' dt:maxLength='16' rs:precision='0' "
      "rs:fixedlength='true'/>\r\n"
      "\t\t</s:AttributeType>\r\n"
      "\t\t<s:AttributeType name='AMOUNT' rs:number='7' rs:nullable='true' rs:write='true'>\r\n"
      "\t\t\t<s:datatype dt:type='number' rs:dbtype='decimal' dt:maxLength='16' rs:scale='0' rs:precision='0' "
      "rs:fixedlength='true'/>\r\n"
      "\t\t</s:AttributeType>\r\n"
      "\t\t<s:extends type='rs:rowbase'/>\r\n"
      "\t</s:ElementType>\r\n"
      "</s:Schema>\r\n"
      "<rs:data>\r\n"
      "\t<z:row ID='1' MEMO_FIELD='first line\r\nsecond line\r\n\tindented &#x27;quoted&#x27; &#x26; more'"
      " BIG='18446744073709551615'\r\n"
      "\t\t c3='x' STAMP='2026-01-02T03:04:05.123000000' FT='2001-02-03T04:05:06.500000000' AMOUNT='1000.1234'/>\r\n"
      "\t<rs:update>\r\n"
      "\t\t<rs:original>\r\n"
      "\t\t\t<z:row ID='2' MEMO_FIELD='old' BIG='9223372036854775808' c3='y' STAMP='2001-01-01T00:00:00'/>\r\n"
      "\t\t</rs:original>\r\n"
      "\t\t<z:row MEMO_FIELD='new\rline\n' rs:forcenull='BIG c3'/>\r\n"
      "\t</rs:update>\r\n"
      "\t<rs:insert>\r\n"
      "\t\t<z:row ID='3' BIG='0' rs:forcenull='MEMO_FIELD'/>\r\n"
      "\t\t<z:row ID='4' rs:forcenull='MEMO_FIELD STAMP FT'/>\r\n"
      "\t</rs:insert>\r\n"
      "\t<rs:delete>\r\n"
      "\t\t<z:row ID='5' MEMO_FIELD='gone'/>\r\n"
      "\t</rs:delete>\r\n"
      "</rs:data>\r\n"
      "</xml>";

// Every field of every row of a recordset opened on a file, read forward.
struct OpenedFile {
    std::vector<QString> names;
    std::vector<long> types;
    std::vector<std::pair<int, int>> precisionAndScale;
    std::vector<std::vector<Variant>> rows;
};

OpenedFile OpenAsRecordset(const QString& path)
{
    auto rs = engine::Recordset::Create();
    rs->Open(path, QStringLiteral("Provider=MSPersist;"), engine::adOpenForwardOnly, engine::adLockOptimistic,
        engine::adCmdFile);
    OpenedFile f;
    auto fields = rs->GetFields();
    for (long i = 0; i < fields->Count(); ++i) {
        auto field = fields->Item(static_cast<int>(i));
        f.names.push_back(field->Name());
        f.types.push_back(field->Type());
        f.precisionAndScale.emplace_back(field->Precision(), field->NumericScale());
    }
    for (; !rs->IsEOF(); rs->MoveNext()) {
        std::vector<Variant> row;
        for (long i = 0; i < fields->Count(); ++i)
            row.push_back(fields->Item(static_cast<int>(i))->Value());
        f.rows.push_back(std::move(row));
    }
    return f;
}

TEST_F(XmlAdoFiles, AdoBatchFileWithForceNullMemoAndUi8OpensExactlyAndSavesBack)
{
    using namespace engine;
    const Variant null = Variant::Null();
    const Variant stamp = Variant::FromDate(Ole(2026, 1, 2, 3, 4, 5) + 0.123 / 86400.0);
    const Variant fileTime = Variant::FromDate(Ole(2001, 2, 3, 4, 5, 6) + 0.5 / 86400.0);
    const std::vector<std::vector<Variant>> expected = {
        { Variant::FromI4(1),
            Variant::FromBstr(QStringLiteral("first line\r\nsecond line\r\n\tindented 'quoted' & more")),
            Variant::FromUI8(18446744073709551615ull), Variant::FromBstr(QStringLiteral("x")), stamp, fileTime,
            Variant::FromDecimal(Dec(10001234, 4)) },
        // The update: the new memo over the original, BIG and the renamed
        // field set to NULL by rs:forcenull, STAMP kept.
        { Variant::FromI4(2), Variant::FromBstr(QStringLiteral("new\rline\n")), null, null,
            Variant::FromDate(Ole(2001, 1, 1, 0, 0, 0)), null, null },
        { Variant::FromI4(3), null, Variant::FromUI8(0), null, null, null, null },
        { Variant::FromI4(4), null, null, null, null, null, null },
    };
    const std::vector<QString> names = { QStringLiteral("ID"), QStringLiteral("MEMO_FIELD"), QStringLiteral("BIG"),
        QStringLiteral("Tab\tName"), QStringLiteral("STAMP"), QStringLiteral("FT"), QStringLiteral("AMOUNT") };
    const std::vector<long> types
        = { adInteger, adLongVarWChar, adUnsignedBigInt, adVarWChar, adDBTimeStamp, adFileTime, adDecimal };
    // Precision and scale as the file gives them, 0 included.
    const std::vector<std::pair<int, int>> precisionAndScale
        = { { 0, 0 }, { 0, 0 }, { 20, 0 }, { 0, 0 }, { 23, 3 }, { 0, 0 }, { 0, 0 } };

    const QString first = Write("batch.xml", kAdoBatchFile);
    const QString saved = m_dir.filePath(QStringLiteral("saved.xml"));
    for (const QString& path : { first, saved }) {
        SCOPED_TRACE(path.toStdString());
        const OpenedFile f = OpenAsRecordset(path);
        EXPECT_EQ(f.names, names);
        EXPECT_EQ(f.types, types);
        EXPECT_EQ(f.precisionAndScale, precisionAndScale);
        ASSERT_EQ(f.rows.size(), expected.size());
        for (std::size_t r = 0; r < expected.size(); ++r) {
            for (std::size_t c = 0; c < names.size(); ++c) {
                EXPECT_EQ(f.rows[r][c], expected[r][c])
                    << "row " << r << " " << names[c].toStdString() << ": " << f.rows[r][c].DebugString().toStdString();
            }
        }
        if (path == first) {
            auto rs = Recordset::Create();
            rs->Open(path, QStringLiteral("Provider=MSPersist;"), adOpenForwardOnly, adLockOptimistic, adCmdFile);
            rs->Save(saved, adPersistXML);

            // The unsigned field takes its whole range, and nothing below it.
            auto big = rs->GetFields()->Item(QStringLiteral("BIG"));
            for (const Variant& v : { Variant::FromBstr(QStringLiteral("18446744073709551614")),
                     Variant::FromUI8(18446744073709551615ull), Variant::FromR8(1e19) }) {
                big->PutValue(v);
                EXPECT_EQ(big->Value().vt(), platform::VT_UI8) << v.DebugString().toStdString();
            }
            EXPECT_EQ(big->Value(), Variant::FromUI8(10000000000000000000ull));
            EXPECT_THROW(big->PutValue(Variant::FromI4(-1)), ComError);
            EXPECT_THROW(big->PutValue(Variant::FromBstr(QStringLiteral("18446744073709551616"))), ComError);
            rs->CancelUpdate();
        }
    }

    // What was saved carries the values in ADO's own spelling.
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray xml = file.readAll();
    for (const char* piece : { "MEMO_FIELD='first line\r\nsecond line\r\n\tindented &#x27;quoted&#x27; &#x26; more'",
             "BIG='18446744073709551615'", "rs:name='Tab\tName'", "STAMP='2026-01-02T03:04:05.123000000'",
             "FT='2001-02-03T04:05:06.500000000'", "rs:dbtype='filetime'", "\t<z:row ID='4'/>\r\n" })
        EXPECT_TRUE(xml.contains(piece)) << piece << "\n" << xml.constData();
}

// ADO writes TAB, CR and LF raw inside attribute values; each comes back as
// itself wherever it stands in a value, in either quoting, in a name, and
// in a file in UTF-16; the same characters between attributes, in
// comments and in CDATA stay the white space they are.
TEST_F(XmlAdoFiles, RawTabsAndLineBreaksInValuesReadBackExactly)
{
    const QByteArray schema
        = "<s:Schema id='RowsetSchema'>\r\n<s:ElementType name='row' content='eltOnly'>\r\n"
          "<!-- a comment with a quote ' and\ta TAB -->\r\n"
          "<s:AttributeType name='c0' rs:name='\tWord\r\nTwo\n' rs:number='1'>"
          "<s:datatype dt:type='string'/></s:AttributeType>\r\n"
          "<s:AttributeType name='n' rs:number='2'><s:datatype dt:type='int'/></s:AttributeType>\r\n"
          "<s:extends type='rs:rowbase'>\r\n\t<!-- passed over --></s:extends>\r\n"
          "</s:ElementType>\r\n</s:Schema>\r\n";
    const std::vector<std::pair<QByteArray, QString>> cases = {
        { "<z:row c0='a\tb'/>", QStringLiteral("a\tb") },
        { "<z:row c0='line 1\r\nline 2'/>", QStringLiteral("line 1\r\nline 2") },
        { "<z:row c0='\n\nlone LFs\n'/>", QStringLiteral("\n\nlone LFs\n") },
        { "<z:row c0='lone\rCR'/>", QStringLiteral("lone\rCR") },
        { "<z:row c0=\"double 'quoted'\r\n\tvalue\"/>", QStringLiteral("double 'quoted'\r\n\tvalue") },
        { "<z:row\r\n\tc0='wrapped\ttag'\r\n\t n='1'/>", QStringLiteral("wrapped\ttag") },
        { "<z:row n='2'\tc0='&#xd;&#xa; references\r\n and raw'/>", QStringLiteral("\r\n references\r\n and raw") },
        { "<z:row c0='  spaces  kept  '/>", QStringLiteral("  spaces  kept  ") },
        { "<z:row c0='gt > in\tvalue'/><![CDATA[ ' \t ]]>", QStringLiteral("gt > in\tvalue") },
    };
    QByteArray rows;
    for (const auto& c : cases)
        rows += c.first + "\r\n";
    const QByteArray whole = QByteArray(kHead) + schema + "<rs:data>\r\n" + rows + "</rs:data>\r\n</xml>";
    QStringEncoder toUtf16(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom);
    const QByteArray wide = toUtf16(QString::fromUtf8(whole));
    for (const auto& [name, bytes] : { std::pair { "utf8.xml", whole }, std::pair { "utf16.xml", wide } }) {
        SCOPED_TRACE(name);
        const engine::xmlpersist::Rowset r = engine::xmlpersist::Load(Write(name, bytes));
        ASSERT_EQ(r.columns.size(), 2u);
        EXPECT_EQ(r.columns[0].name, QStringLiteral("\tWord\r\nTwo\n"));
        ASSERT_EQ(r.rows.size(), cases.size());
        for (std::size_t i = 0; i < cases.size(); ++i)
            EXPECT_EQ(r.rows[i][0], Variant::FromBstr(cases[i].second)) << cases[i].first.constData();
        EXPECT_EQ(r.rows[5][1], Variant::FromI4(1));
        EXPECT_EQ(r.rows[6][1], Variant::FromI4(2));
    }
    // A second byte order mark is no XML, whether or not values need escapes.
    LoadFails(Write("twomarks.xml", wide.left(2) + wide));

    // An error after values with line breaks names the line it is on (a
    // lone CR ends a line too, as XML reads line ends).
    const QByteArray before = QByteArray(kHead) + schema + "<rs:data>\r\n" + rows;
    const QByteArray bad = before + "<z:row Colour='red'/>\r\n</rs:data>\r\n</xml>";
    const ComError e = LoadFails(Write("badline.xml", bad));
    const QString line
        = QStringLiteral("(line %1,").arg(QByteArray(before).replace("\r\n", "\n").replace('\r', '\n').count('\n') + 1);
    EXPECT_TRUE(e.Description()->contains(line)) << line.toStdString() << " in " << e.what();
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
    EXPECT_EQ(std::pair(int(r.columns[13].precision), int(r.columns[13].numericScale)), std::pair(28, 4));
    EXPECT_EQ(std::pair(int(r.columns[14].precision), int(r.columns[14].numericScale)), std::pair(10, 2));

    ASSERT_EQ(r.rows.size(), 1u);
    const std::vector<Variant>& v = r.rows[0];
    const QByteArray bytes("\x00\xFF\x7F", 3);
    const std::vector<Variant> expected = { Variant::FromI1(-5), Variant::FromI2(-300), Variant::FromI4(70000),
        Variant::FromI8(-5000000000LL), Variant::FromUI1(200), Variant::FromUI2(60000), Variant::FromUI4(4000000000u),
        Variant::FromUI8(18000000000000000000ull), Variant::FromR4(1.5f), Variant::FromR8(2.25e300),
        Variant::FromR8(-0.5), Variant::FromDecimal(Dec(314159, 5)), Variant::FromCy(-123456),
        Variant(), // beyond 64 bits: checked below
        Variant::FromDecimal(Dec(9995, 2)), Variant::FromBool(true),
        Variant::FromBstr(QString::fromUtf8("h\xC3\xA9llo")), Variant::FromBstr(QStringLiteral("plain")),
        Variant::FromDate(Ole(2010, 5, 17, 8, 30, 0) + 0.25 / 86400.0), Variant::FromDate(Ole(2010, 5, 17, 0, 0, 0)),
        Variant::FromDate(Ole(1899, 12, 30, 8, 30, 15)), Variant::FromDate(Ole(2010, 5, 17, 8, 30, 0)),
        Variant::FromBytes(bytes), Variant::FromBytes(bytes),
        Variant::FromBstr(QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC964FF}")), Variant::FromI4(42) };
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
    // ADO's three texts: no recordset at all, a recordset's XML that is
    // broken, a value it cannot convert.
    const char* const notRecordset = "Recordset cannot be created from the specified source. The source file or "
                                     "stream must contain Recordset data in XML or ADTG format.";
    const char* const broken = "Recordset cannot be created. Source XML is incomplete or invalid.";
    const char* const badValue = "Data provider or other service returned an E_FAIL status.";
    const QByteArray words = kWordsWithPendingChanges;
    const auto changed = [&words](const char* from, const char* to) {
        return QByteArray(kHead) + QByteArray(words).replace(from, to);
    };
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* ado; // ADO's text, which the description starts with
        const char* says; // part of the description
    };
    const std::vector<Case> cases = {
        { "truncated.xml", whole.left(whole.size() / 2), broken, "ends before the document is complete" },
        { "empty.xml", QByteArray(), notRecordset, "no XML element" },
        { "text.xml", "just some words", notRecordset, "not well-formed" },
        { "html.xml", "<html><body/></html>", notRecordset, "root element is <html>" },
        { "noschema.xml", QByteArray(kHead) + "<rs:data/></xml>", notRecordset, "before its s:Schema" },
        { "schemaonly.xml", QByteArray(kHead) + "</xml>", notRecordset, "no s:Schema" },
        { "mismatched.xml", QByteArray(kHead) + "<s:Schema></rs:data></xml>", broken, "not well-formed" },
        { "badvalue.xml", changed("ID='2'", "ID='two'"), badValue, "'two'" },
        { "badtiny.xml", QByteArray(kHead) + QByteArray(kEveryAdoType).replace("a='-5'", "a='128'"), badValue,
            "'128'" },
        { "badboolean.xml", changed("Known='True'/>", "Known='maybe'/>"), badValue, "'maybe'" },
        { "baddate.xml", changed("2010-05-17T08", "2010-05x17T08"), badValue, "'2010-05x17T08:30:00'" },
        { "unbraced.xml",
            changed("dt:type='boolean'", "dt:type='uuid'")
                .replace("Known='True'", "Known='6F9619FF-8B86-D011-B42D-00C04FC964FF'"),
            badValue, "'6F9619FF-8B86-D011-B42D-00C04FC964FF'" },
        { "nodbtype.xml", changed("rs:dbtype='currency' ", ""), badValue, "'Price'" },
        { "unknownfield.xml", changed("<z:row ID='4'", "<z:row Colour='red' ID='4'"), broken, "'Colour'" },
        { "unknownnull.xml", changed("<z:row ID='7'", "<z:row rs:forcenull='Word Colour' ID='7'"), broken, "'Colour'" },
        { "unknowntype.xml", changed("dt:type='boolean'", "dt:type='complex'"), broken, "'complex'" },
        { "nooriginal.xml", changed("<rs:original>", "<rs:other>").replace("</rs:original>", "</rs:other>"), broken,
            "rs:" },
        { "undeclared.xml", changed("&amp;", "&nbsp;"), broken, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Write(c.name, c.bytes);
        const ComError e = LoadFails(path);
        EXPECT_EQ(static_cast<quint32>(e.Error()), 0x80004005u);
        ASSERT_TRUE(e.Description().has_value());
        EXPECT_TRUE(e.Description()->startsWith(QString::fromLatin1(c.ado) + u' ')) << e.what();
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
