// The command and parameter wrappers: the values that AddParameter and
// SetValue build, the Size rules, the conversions of GetValue, saved
// queries run through a command and read through a recordset, and the
// "CADOCommand Error" and "CADOParameter Error" reports.
#include "db/CADOCommand.h"

#include "DbTestFixture.h"
#include "db/CADOParameter.h"
#include "db/CADORecordset.h"
#include "engine/ado/Command.h"
#include "engine/ado/Parameter.h"

#include <functional>

using platform::OleDateTime;
using platform::Variant;

namespace {
std::shared_ptr<engine::Parameter> ParameterAt(const CADOCommand& command, int index)
{
    return command.GetCommand()->GetParameters()->Item(Variant::FromI4(index));
}
} // namespace

class Commands : public DbTest {
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        OpenDatabase();
        ASSERT_TRUE(m_database.Execute(QStringLiteral(
            "CREATE PROCEDURE WordsFrom (minCycle LONG) AS SELECT * FROM Words WHERE MemoryCycle >= minCycle")));
        ASSERT_TRUE(m_database.Execute(
            QStringLiteral("CREATE PROCEDURE SetCycle (newCycle LONG, minCycle LONG) AS "
                           "UPDATE Words SET MemoryCycle = newCycle WHERE MemoryCycle >= minCycle")));
    }
};

TEST_F(Commands, AddParameterBuildsTheValues)
{
    CADOCommand command(&m_database, QStringLiteral("WordsFrom"), engine::adCmdStoredProc);
    EXPECT_EQ(command.GetType(), engine::adCmdStoredProc);
    EXPECT_EQ(command.GetLastError(), 0u);
    EXPECT_EQ(command.GetRecordsAffected(), 0);
    ASSERT_TRUE(command.AddParameter(QStringLiteral("a"), engine::adSmallInt, engine::adParamInput, 2, 70000));
    ASSERT_TRUE(command.AddParameter(QStringLiteral("b"), engine::adInteger, engine::adParamInput, 4, 70000L));
    ASSERT_TRUE(command.AddParameter(QStringLiteral("c"), engine::adVarWChar, engine::adParamInput, 10, QString()));
    ASSERT_TRUE(command.AddParameter(QStringLiteral("d"), engine::adDouble, engine::adParamInput, 8, 2.5, 10, 2));
    ASSERT_TRUE(command.AddParameter(
        QStringLiteral("e"), engine::adDate, engine::adParamInput, 8, OleDateTime(2010, 5, 17, 8, 30, 0)));
    ASSERT_TRUE(command.AddParameter(
        QStringLiteral("f"), engine::adInteger, engine::adParamInput, 4, Variant::FromI4(5), 300, 258));

    EXPECT_EQ(ParameterAt(command, 0)->Value(), Variant::FromI2(4464));
    EXPECT_EQ(ParameterAt(command, 1)->Value(), Variant::FromI4(70000));
    EXPECT_EQ(ParameterAt(command, 2)->Value(), Variant::FromBstr(QString())); // empty, not NULL
    EXPECT_EQ(ParameterAt(command, 3)->Value(), Variant::FromR8(2.5));
    EXPECT_EQ(ParameterAt(command, 4)->Value().vt(), platform::VT_DATE);
    EXPECT_EQ(ParameterAt(command, 0)->Name(), QStringLiteral("a"));
    EXPECT_EQ(ParameterAt(command, 1)->Size(), 4);
    // Precision and scale: given for the double, 0 for the others, low 8 bits.
    EXPECT_EQ(ParameterAt(command, 3)->Precision(), 10);
    EXPECT_EQ(ParameterAt(command, 3)->NumericScale(), 2);
    for (int i : { 0, 1, 2, 4 }) {
        EXPECT_EQ(ParameterAt(command, i)->Precision(), 0);
        EXPECT_EQ(ParameterAt(command, i)->NumericScale(), 0);
    }
    EXPECT_EQ(ParameterAt(command, 5)->Precision(), 44);
    EXPECT_EQ(ParameterAt(command, 5)->NumericScale(), 2);
    EXPECT_EQ(command.GetCommand()->GetParameters()->Count(), 6);
    EXPECT_TRUE(m_messages.Messages().empty());

    // The engine refuses an unknown data type: reported, nothing appended.
    EXPECT_FALSE(command.AddParameter(QStringLiteral("g"), 9999, engine::adParamInput, 4, 1L));
    ExpectReport(OnlyMessage(), QStringLiteral("CADOCommand Error"), command.GetLastError());
    EXPECT_EQ(command.GetLastErrorString(), m_messages.Messages()[0].text); // no prefix
    EXPECT_EQ(command.GetCommand()->GetParameters()->Count(), 6);
}

TEST_F(Commands, StoredProcedureThroughCommandAndRecordset)
{
    CADOCommand query(&m_database, QStringLiteral("WordsFrom"), engine::adCmdStoredProc);
    CADOParameter minCycle(engine::adInteger, 4, engine::adParamInput, QStringLiteral("minCycle"));
    ASSERT_TRUE(minCycle.SetValue(2L));
    ASSERT_TRUE(query.AddParameter(&minCycle));
    EXPECT_EQ(ParameterAt(query, 0)->Name(), QStringLiteral("minCycle"));
    CADORecordset rs(&m_database);
    ASSERT_TRUE(rs.Execute(&query));
    EXPECT_EQ(rs.GetRecordCount(), 2u);
    EXPECT_EQ(FieldValue<QString>(rs, "Word"), QStringLiteral("dog"));

    // An action query: the records affected are kept.
    CADOCommand update(&m_database, QStringLiteral("SetCycle"), engine::adCmdStoredProc);
    ASSERT_TRUE(update.AddParameter(QStringLiteral("newCycle"), engine::adInteger, engine::adParamInput, 4, 8L));
    ASSERT_TRUE(update.AddParameter(QStringLiteral("minCycle"), engine::adInteger, engine::adParamInput, 4, 1L));
    ASSERT_TRUE(update.Execute());
    EXPECT_EQ(update.GetRecordsAffected(), 3);
    // The type given does not matter: a command always runs as a stored procedure.
    update.SetType(engine::adCmdText);
    EXPECT_EQ(update.GetType(), engine::adCmdText);
    ASSERT_TRUE(update.Execute());
    EXPECT_EQ(update.GetRecordsAffected(), 3);
    EXPECT_TRUE(m_messages.Messages().empty());

    // A failing run: one box, false, no records.
    update.SetText(QStringLiteral("NoSuchProcedure"));
    EXPECT_EQ(update.GetText(), QStringLiteral("NoSuchProcedure"));
    EXPECT_FALSE(update.Execute());
    EXPECT_EQ(update.GetRecordsAffected(), 0);
    ExpectReport(OnlyMessage(), QStringLiteral("CADOCommand Error"), update.GetLastError());

    // A table command: the command itself still asks for a stored procedure
    // and finds none, while the recordset runs it as the table it names.
    CADOCommand table(&m_database, QStringLiteral("Words"), engine::adCmdTable);
    m_messages.Clear();
    EXPECT_FALSE(table.Execute());
    EXPECT_EQ(table.GetLastError(), 0x80040E37u);
    ExpectReport(OnlyMessage(), QStringLiteral("CADOCommand Error"), 0x80040E37u);
    CADORecordset tableRows(&m_database);
    ASSERT_TRUE(tableRows.Execute(&table));
    EXPECT_EQ(tableRows.GetRecordCount(), 3u);

    // A saved query opened by name through the recordset itself.
    CADORecordset byName;
    ASSERT_TRUE(m_database.Execute(QStringLiteral("CREATE PROCEDURE AllWords AS SELECT * FROM Words")));
    ASSERT_TRUE(
        byName.Open(m_database.GetActiveConnection(), QStringLiteral("AllWords"), CADORecordset::openStoredProc));
    EXPECT_EQ(byName.GetRecordCount(), 3u);
}

TEST_F(Commands, ParameterSizeRulesAndStoredValues)
{
    CADOParameter text(engine::adVarWChar, 0, engine::adParamInput, QStringLiteral("t"));
    ASSERT_TRUE(text.SetValue(QString()));
    EXPECT_EQ(text.GetParameter()->Value().vt(), platform::VT_NULL);
    EXPECT_EQ(text.GetParameter()->Size(), 0);
    ASSERT_TRUE(text.SetValue(QStringLiteral("abc")));
    EXPECT_EQ(text.GetParameter()->Value(), Variant::FromBstr(QStringLiteral("abc")));
    EXPECT_EQ(text.GetParameter()->Size(), 3);
    ASSERT_TRUE(text.SetValue(QStringLiteral("longer text")));
    EXPECT_EQ(text.GetParameter()->Size(), 3); // a non-zero Size stays

    CADOParameter sized(engine::adInteger, 10);
    ASSERT_TRUE(sized.SetValue(70000L));
    EXPECT_EQ(sized.GetParameter()->Size(), 10);
    EXPECT_EQ(sized.GetParameter()->Value(), Variant::FromI4(70000));

    struct Case {
        std::function<bool(CADOParameter&)> set;
        long size;
    };
    const std::vector<Case> cases {
        { [](CADOParameter& p) { return p.SetValue(70000); }, 4 },
        { [](CADOParameter& p) { return p.SetValue(5L); }, 4 },
        { [](CADOParameter& p) { return p.SetValue(2.5); }, 8 },
        { [](CADOParameter& p) { return p.SetValue(OleDateTime(2010, 5, 17, 0, 0, 0)); }, 8 },
        { [](CADOParameter& p) { return p.SetValue(Variant::FromBool(true)); }, 16 },
    };
    for (const Case& c : cases) {
        CADOParameter p(engine::adVariant);
        ASSERT_TRUE(c.set(p));
        EXPECT_EQ(p.GetParameter()->Size(), c.size);
    }
    CADOParameter small(engine::adSmallInt);
    ASSERT_TRUE(small.SetValue(70000));
    EXPECT_EQ(small.GetParameter()->Value(), Variant::FromI2(4464));
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(Commands, ParameterGetValueConversions)
{
    CADOParameter p(engine::adVariant, 16);
    auto set = [&p](const Variant& v) { ASSERT_TRUE(p.SetValue(v)); };

    platform::DECIMAL d;
    d.Lo64 = 12345;
    d.scale = 2;
    d.sign = 0x80;
    set(Variant::FromDecimal(d));
    EXPECT_DOUBLE_EQ(ValueOf<double>(p), -123.45);
    EXPECT_EQ(ValueOf<QString>(p), QStringLiteral("-123.45"));

    set(Variant::FromI2(-1));
    EXPECT_DOUBLE_EQ(ValueOf<double>(p), -1.0);
    set(Variant::FromBstr(QStringLiteral("12")));
    EXPECT_DOUBLE_EQ(ValueOf(p, -1.0), 0.0); // no number in a text
    set(Variant::FromI4(70000));
    EXPECT_EQ(ValueOf<int>(p), 4464);
    EXPECT_EQ(ValueOf<long>(p), 70000);
    EXPECT_EQ(ValueOf<QString>(p), QStringLiteral("70000"));

    // Booleans and unsigned values have no text here.
    QString text = QStringLiteral("kept");
    set(Variant::FromBool(true));
    EXPECT_FALSE(p.GetValue(text));
    set(Variant::FromUI4(7));
    EXPECT_FALSE(p.GetValue(text));
    EXPECT_EQ(text, QStringLiteral("kept"));

    const OleDateTime when(2010, 5, 7, 8, 5, 9);
    set(Variant::FromDate(when.m_dt));
    QString format; // left as it is
    ASSERT_TRUE(p.GetValue(text, format));
    EXPECT_EQ(text, QStringLiteral("2010-05-07 08:05:09"));
    ASSERT_TRUE(p.GetValue(text, QStringLiteral("%d/%m/%Y")));
    EXPECT_EQ(text, QStringLiteral("07/05/2010"));
    OleDateTime date;
    EXPECT_DOUBLE_EQ(ValueOf<OleDateTime>(p).m_dt, when.m_dt);

    set(Variant::Null());
    date = when;
    ASSERT_TRUE(p.GetValue(date));
    EXPECT_EQ(date.GetStatus(), OleDateTime::null);
    EXPECT_DOUBLE_EQ(date.m_dt, when.m_dt);
    EXPECT_EQ(ValueOf(p, QStringLiteral("before")), QString());
    set(Variant::FromR4(0.1f));
    EXPECT_EQ(ValueOf<QString>(p), QStringLiteral("0.1000000015"));
    EXPECT_FALSE(p.GetValue(date));
    EXPECT_EQ(ValueOf<Variant>(p), Variant::FromR4(0.1f));
    EXPECT_TRUE(m_messages.Messages().empty());
}

namespace {
// A parameter wrapper whose engine object is gone.
class ParameterWithoutObject : public CADOParameter {
public:
    using CADOParameter::CADOParameter;
    void DropParameter() { m_pParameter.reset(); }
};
} // namespace

TEST_F(Commands, ParameterReports)
{
    // Every value member catches the failure, shows the report and gives false.
    ParameterWithoutObject gone(engine::adInteger, 4);
    gone.DropParameter();
    int n = 7;
    long l = 7;
    double d = 7;
    QString t = QStringLiteral("kept");
    OleDateTime date(2010, 5, 17, 0, 0, 0);
    Variant v = Variant::FromI4(7);
    const std::vector<std::function<bool()>> calls { [&] { return gone.SetValue(1); },
        [&] { return gone.SetValue(1L); }, [&] { return gone.SetValue(1.5); },
        [&] { return gone.SetValue(QStringLiteral("x")); }, [&] { return gone.SetValue(date); },
        [&] { return gone.SetValue(v); }, [&] { return gone.GetValue(n); }, [&] { return gone.GetValue(l); },
        [&] { return gone.GetValue(d); }, [&] { return gone.GetValue(t); }, [&] { return gone.GetValue(date); },
        [&] { return gone.GetValue(v); } };
    for (std::size_t i = 0; i < calls.size(); ++i) {
        m_messages.Clear();
        EXPECT_FALSE(calls[i]()) << i;
        EXPECT_EQ(OnlyMessage(),
            QStringLiteral("CADOParameter Error\r\nCode = 80004003\r\nCode meaning = Invalid pointer\r\n"
                           "Source = (null)\r\nDescription = (null)\r\n"))
            << i;
        EXPECT_EQ(gone.GetLastError(), 0x80004003u);
    }
    EXPECT_EQ(t, QStringLiteral("kept"));
    m_messages.Clear();

    // A negative size is refused at construction and reaches the caller.
    EXPECT_THROW(CADOParameter(engine::adInteger, -1, engine::adParamInput, QStringLiteral("x")), platform::ComError);
    CADOParameter p(engine::adInteger, 4);
    EXPECT_EQ(p.GetLastError(), 0u);
    p.ReportComError(platform::ComError(
        platform::adErrInvalidArgument, QStringLiteral("Arguments are wrong."), QStringLiteral("ADODB.Parameter")));
    EXPECT_EQ(OnlyMessage(),
        QStringLiteral("CADOParameter Error\r\nCode = 800a0bb9\r\nCode meaning = Unknown error "
                       "0x800A0BB9\r\nSource = ADODB.Parameter\r\nDescription = Arguments are "
                       "wrong.\r\n"));
    EXPECT_EQ(p.GetLastErrorString(), m_messages.Messages()[0].text);
    EXPECT_EQ(p.GetLastError(), 0x800A0BB9u);
}
