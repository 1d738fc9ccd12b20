// Connection.OpenSchema: the tables, columns, keys, indexes, procedures,
// procedure parameters and views of a data file, with restrictions in the
// order OLE DB gives them, and the failures for an unknown schema.
#include "engine/EngineTestFiles.h"

#include <QMap>

using enginetest::ErrorOf;
using enginetest::Hex;
using platform::Variant;

namespace {

using Row = QMap<QString, Variant>;

class SchemaRowsets : public enginetest::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        Exec(QStringLiteral("CREATE TABLE Prices (Code TEXT(10) NOT NULL, Amount CURRENCY DEFAULT 0, Ratio "
                            "DECIMAL(12, 3), CONSTRAINT PK_Prices PRIMARY KEY (Code))"));
        Exec(QStringLiteral("CREATE UNIQUE INDEX ByWord ON NewWords (Word)"));
        Exec(QStringLiteral("CREATE INDEX ByCycle ON Words (MemoryCycle DESC, Word)"));
        Exec(QStringLiteral("CREATE VIEW Busy AS SELECT Word FROM Words WHERE MemoryCycle > 2"));
        Exec(QStringLiteral("CREATE PROCEDURE WordsFrom (minCycle LONG, [Which word] TEXT(50)) AS SELECT * FROM Words "
                            "WHERE MemoryCycle >= minCycle AND Word <> [Which word]"));
    }

    std::vector<Row> Rows(long schema, const QStringList& restrictions = {})
    {
        auto rs = Db()->OpenSchema(schema, restrictions);
        std::vector<Row> rows;
        auto fields = rs->GetFields();
        while (!rs->IsEOF()) {
            Row row;
            for (long i = 0; i < fields->Count(); ++i) {
                auto f = fields->Item(static_cast<int>(i));
                row.insert(f->Name(), f->Value());
            }
            rows.push_back(row);
            rs->MoveNext();
        }
        return rows;
    }

    // Each row's values of the columns named ("A|B"), joined by '|'.
    static QStringList Column(const std::vector<Row>& rows, const char* names)
    {
        QStringList values;
        for (const Row& r : rows) {
            QStringList parts;
            for (const QString& name : QString::fromLatin1(names).split(u'|')) {
                const Variant v = r.value(name);
                parts << (v.IsNull()                  ? QStringLiteral("(null)")
                        : v.vt() == platform::VT_BSTR ? v.bstrVal()
                                                      : v.DebugString());
            }
            values << parts.join(u'|');
        }
        return values;
    }
};

TEST_F(SchemaRowsets, TablesAndViewsWithRestrictions)
{
    const std::vector<Row> all = Rows(engine::adSchemaTables);
    // The saved queries' own table is not the user's to see.
    EXPECT_EQ(Column(all, "TABLE_TYPE|TABLE_NAME"),
        (QStringList { "SYSTEM TABLE|sqlite_sequence", "TABLE|NewWords", "TABLE|Prices", "TABLE|Words", "VIEW|Busy" }));
    EXPECT_TRUE(all[1].value(QStringLiteral("TABLE_CATALOG")).IsNull());
    EXPECT_TRUE(all[1].value(QStringLiteral("TABLE_SCHEMA")).IsNull());
    // A view carries the date the clock gave when it was made.
    EXPECT_EQ(all[4].value(QStringLiteral("DATE_CREATED")),
        Variant::FromDate(platform::OleDateTime(2024, 3, 5, 10, 30, 15).m_dt));

    EXPECT_EQ(Column(Rows(engine::adSchemaTables, { {}, {}, QStringLiteral("words") }), "TABLE_NAME"),
        QStringList { QStringLiteral("Words") });
    EXPECT_EQ(Column(Rows(engine::adSchemaTables, { {}, {}, {}, QStringLiteral("VIEW") }), "TABLE_NAME"),
        QStringList { QStringLiteral("Busy") });
    EXPECT_TRUE(Rows(engine::adSchemaTables, { QStringLiteral("somecatalog") }).empty());
    EXPECT_TRUE(Rows(engine::adSchemaTables, { {}, {}, QStringLiteral("MSysLexiQueries") }).empty());

    EXPECT_TRUE(Rows(engine::adSchemaViews, { {}, {}, QStringLiteral("Other") }).empty());
    const std::vector<Row> views = Rows(engine::adSchemaViews, { {}, {}, QStringLiteral("Busy") });
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(views[0].value(QStringLiteral("TABLE_NAME")), Variant::FromBstr(QStringLiteral("Busy")));
    EXPECT_EQ(views[0].value(QStringLiteral("VIEW_DEFINITION")),
        Variant::FromBstr(QStringLiteral("SELECT Word FROM Words WHERE MemoryCycle > 2")));
    const auto viewFields = Db()->OpenSchema(engine::adSchemaViews, {})->GetFields();
    for (const char* dated : { "DATE_CREATED", "DATE_MODIFIED" }) {
        EXPECT_EQ(viewFields->Item(QString::fromLatin1(dated))->Type(), engine::adDate) << dated;
        EXPECT_EQ(viewFields->Item(QString::fromLatin1(dated))->DefinedSize(), 8) << dated;
    }
}

TEST_F(SchemaRowsets, ColumnsDescribeTypesDefaultsAndNulls)
{
    const std::vector<Row> words = Rows(engine::adSchemaColumns, { {}, {}, QStringLiteral("Words") });
    EXPECT_EQ(Column(words, "COLUMN_NAME"),
        (QStringList { "ID", "Word", "Pronunciation", "Description", "MemoryCycle", "Date" }));
    using namespace engine;
    using V = Variant;
    const struct {
        std::size_t row;
        const char* column;
        Variant value;
    } described[] = { { 0, "ORDINAL_POSITION", V::FromUI4(1) }, { 5, "ORDINAL_POSITION", V::FromUI4(6) },
        { 0, "DATA_TYPE", V::FromUI2(adInteger) }, { 0, "IS_NULLABLE", V::FromBool(false) }, // the AutoNumber key
        { 1, "DATA_TYPE", V::FromUI2(adWChar) }, { 1, "CHARACTER_MAXIMUM_LENGTH", V::FromUI4(255) },
        { 1, "CHARACTER_OCTET_LENGTH", V::FromUI4(510) }, { 1, "IS_NULLABLE", V::FromBool(true) },
        { 1, "NUMERIC_PRECISION", Variant::Null() }, { 1, "COLUMN_HASDEFAULT", V::FromBool(false) },
        { 3, "DATA_TYPE", V::FromUI2(adWChar) }, // MEMO: a long text
        { 4, "COLUMN_HASDEFAULT", V::FromBool(true) }, { 4, "COLUMN_DEFAULT", V::FromBstr("1") },
        { 4, "NUMERIC_PRECISION", V::FromUI2(10) }, { 5, "DATA_TYPE", V::FromUI2(adDate) },
        { 5, "DATETIME_PRECISION", V::FromUI4(0) } };
    for (const auto& d : described)
        EXPECT_EQ(words[d.row].value(QString::fromLatin1(d.column)), d.value) << d.row << " " << d.column;
    EXPECT_EQ(words[3].value(QStringLiteral("COLUMN_FLAGS")).ulVal() & engine::adFldLong,
        static_cast<std::uint32_t>(engine::adFldLong));

    const std::vector<Row> prices = Rows(engine::adSchemaColumns, { {}, {}, QStringLiteral("Prices") });
    ASSERT_EQ(prices.size(), 3u);
    EXPECT_EQ(prices[0].value(QStringLiteral("IS_NULLABLE")), Variant::FromBool(false));
    EXPECT_EQ(prices[1].value(QStringLiteral("DATA_TYPE")), Variant::FromUI2(engine::adCurrency));
    EXPECT_EQ(prices[1].value(QStringLiteral("NUMERIC_PRECISION")), Variant::FromUI2(19));
    EXPECT_EQ(prices[2].value(QStringLiteral("NUMERIC_PRECISION")), Variant::FromUI2(12));
    EXPECT_EQ(prices[2].value(QStringLiteral("NUMERIC_SCALE")), Variant::FromI2(3));

    // Restricted by column name too; every table when not restricted.
    EXPECT_EQ(
        Rows(engine::adSchemaColumns, { {}, {}, {}, QStringLiteral("word") }).size(), 3u); // Words, NewWords, Busy
}

TEST_F(SchemaRowsets, KeysAndIndexes)
{
    EXPECT_EQ(Column(Rows(engine::adSchemaPrimaryKeys), "TABLE_NAME|COLUMN_NAME"),
        (QStringList { "NewWords|ID", "Prices|Code", "Words|ID" }));
    EXPECT_EQ(Column(Rows(engine::adSchemaPrimaryKeys, { {}, {}, QStringLiteral("Prices") }), "PK_NAME"),
        QStringList { QStringLiteral("PrimaryKey") });

    const std::vector<Row> indexes = Rows(engine::adSchemaIndexes, { {}, {}, {}, {}, QStringLiteral("Words") });
    QStringList described;
    for (const Row& r : indexes) {
        described << QStringLiteral("%1 %2 %3 pk=%4 unique=%5 collation=%6")
                         .arg(r.value(QStringLiteral("INDEX_NAME")).bstrVal())
                         .arg(r.value(QStringLiteral("ORDINAL_POSITION")).ulVal())
                         .arg(r.value(QStringLiteral("COLUMN_NAME")).bstrVal())
                         .arg(r.value(QStringLiteral("PRIMARY_KEY")).boolVal() != 0)
                         .arg(r.value(QStringLiteral("UNIQUE")).boolVal() != 0)
                         .arg(r.value(QStringLiteral("COLLATION")).iVal());
    }
    EXPECT_EQ(described,
        (QStringList { "ByCycle 1 MemoryCycle pk=0 unique=0 collation=2", "ByCycle 2 Word pk=0 unique=0 collation=1",
            "PrimaryKey 1 ID pk=1 unique=1 collation=1" }));
    // By index name, the third restriction.
    const std::vector<Row> byWord = Rows(engine::adSchemaIndexes, { {}, {}, QStringLiteral("ByWord") });
    ASSERT_EQ(byWord.size(), 1u);
    EXPECT_EQ(byWord[0].value(QStringLiteral("TABLE_NAME")), Variant::FromBstr(QStringLiteral("NewWords")));
    EXPECT_EQ(byWord[0].value(QStringLiteral("UNIQUE")), Variant::FromBool(true));
}

TEST_F(SchemaRowsets, ProceduresTheirParametersAndFailures)
{
    Exec(QStringLiteral("CREATE PROCEDURE AllWords AS SELECT * FROM Words"));
    const std::vector<Row> procedures = Rows(engine::adSchemaProcedures);
    EXPECT_EQ(Column(procedures, "PROCEDURE_NAME"), (QStringList { "AllWords", "WordsFrom" })); // no views
    EXPECT_EQ(procedures[0].value(QStringLiteral("PROCEDURE_DEFINITION")),
        Variant::FromBstr(QStringLiteral("SELECT * FROM Words")));
    EXPECT_EQ(procedures[1].value(QStringLiteral("PROCEDURE_DEFINITION")),
        Variant::FromBstr(QStringLiteral("PARAMETERS minCycle LONG, [Which word] TEXT(50);\r\nSELECT * FROM Words "
                                         "WHERE MemoryCycle >= minCycle AND Word <> [Which word]")));
    EXPECT_EQ(procedures[1].value(QStringLiteral("PROCEDURE_TYPE")), Variant::FromI2(2));
    EXPECT_EQ(Column(Rows(engine::adSchemaProcedures, { {}, {}, QStringLiteral("allwords") }), "PROCEDURE_NAME"),
        QStringList { QStringLiteral("AllWords") });

    const std::vector<Row> parameters
        = Rows(engine::adSchemaProcedureParameters, { {}, {}, QStringLiteral("WordsFrom") });
    ASSERT_EQ(parameters.size(), 2u);
    EXPECT_EQ(parameters[0].value(QStringLiteral("PARAMETER_NAME")), Variant::FromBstr(QStringLiteral("minCycle")));
    EXPECT_EQ(parameters[0].value(QStringLiteral("DATA_TYPE")), Variant::FromUI2(engine::adInteger));
    EXPECT_EQ(parameters[1].value(QStringLiteral("ORDINAL_POSITION")), Variant::FromUI2(2));
    EXPECT_EQ(parameters[1].value(QStringLiteral("CHARACTER_MAXIMUM_LENGTH")), Variant::FromUI4(50));

    // A dropped procedure is no longer listed.
    Exec(QStringLiteral("DROP PROCEDURE AllWords"));
    EXPECT_EQ(Column(Rows(engine::adSchemaProcedures), "PROCEDURE_NAME"), QStringList { QStringLiteral("WordsFrom") });

    EXPECT_EQ(Hex(ErrorOf([&] { Db()->OpenSchema(99); }).Error()), "800a0cb3");
    EXPECT_EQ(Hex(ErrorOf([&] {
        Db()->OpenSchema(engine::adSchemaViews, { "a", "b", "c", "d" });
    }).Error()),
        "800a0bb9");
    Db()->Close();
    EXPECT_EQ(Hex(ErrorOf([&] { Db()->OpenSchema(engine::adSchemaTables); }).Error()), "800a0e78");
}

} // namespace
