// Commands and their parameters: the checks ADO makes on a parameter and on
// the Parameters collection, values bound in order to a text's '?' markers
// (one value of each type, converted to the parameter's type), rows from a
// command, and the clear failures for missing, ill-typed and surplus values.
#include "engine/EngineTestFiles.h"
#include "engine/ado/Command.h"
#include "engine/ado/Parameter.h"
#include "platform/NumberText.h"

using enginetest::ErrorOf;
using enginetest::Hex;
using platform::Variant;

namespace {

class CommandParameter : public enginetest::EngineTest {
protected:
    std::shared_ptr<engine::Command> NewCommand(const QString& text, long type = engine::adCmdText)
    {
        auto c = engine::Command::Create();
        c->SetActiveConnection(Db());
        c->SetCommandText(text);
        c->SetCommandType(type);
        return c;
    }

    static void Add(
        const std::shared_ptr<engine::Command>& c, const char* name, long type, long size, const Variant& value)
    {
        c->GetParameters()->Append(
            c->CreateParameter(QString::fromLatin1(name), type, engine::adParamInput, size, value));
    }

    int WordCount() { return Raw(QStringLiteral("SELECT count(*) FROM Words")).toInt(); }
};

TEST_F(CommandParameter, ParametersAreCheckedAsAdoChecksThem)
{
    auto p = engine::Parameter::Create();
    EXPECT_EQ(p->Type(), engine::adEmpty);
    EXPECT_EQ(p->Direction(), engine::adParamInput);
    EXPECT_EQ(Hex(ErrorOf([&] { p->SetType(9999); }).Error()), "800a0bb9");
    EXPECT_EQ(Hex(ErrorOf([&] { p->SetDirection(5); }).Error()), "800a0bb9");
    EXPECT_EQ(Hex(ErrorOf([&] { p->SetSize(-1); }).Error()), "800a0bb9");
    EXPECT_EQ(p->Type(), engine::adEmpty); // nothing changed by the refusals
    p->SetType(engine::adVarWChar);
    p->SetDirection(engine::adParamInputOutput);
    EXPECT_EQ(p->Type(), engine::adVarWChar);
    EXPECT_EQ(p->Direction(), engine::adParamInputOutput);

    engine::Parameters list;
    EXPECT_EQ(Hex(ErrorOf([&] { list.Append(nullptr); }).Error()), "800a0bb9");
    // A text parameter needs its size before it joins; a parameter needs a type.
    EXPECT_EQ(Hex(ErrorOf([&] { list.Append(p); }).Error()), "800a0e7c");
    EXPECT_EQ(Hex(ErrorOf([&] { list.Append(engine::Parameter::Create()); }).Error()), "800a0e7c");
    p->SetSize(20);
    p->SetName(QStringLiteral("Word"));
    list.Append(p);
    EXPECT_EQ(Hex(ErrorOf([&] { list.Append(p); }).Error()), "800a0d27");
    auto n = engine::Parameter::Create();
    n->SetName(QStringLiteral("Cycle"));
    n->SetType(engine::adInteger);
    list.Append(n);
    EXPECT_EQ(list.Count(), 2);

    EXPECT_EQ(list.Item(Variant::FromBstr(QStringLiteral("cycle"))), n); // names ignore case
    EXPECT_EQ(list.Item(Variant::FromI2(0)), p);
    EXPECT_EQ(list.Item(Variant::FromI4(1)), n);
    const platform::ComError miss = ErrorOf([&] { list.Item(Variant::FromBstr(QStringLiteral("nope"))); });
    EXPECT_EQ(Hex(miss.Error()), "800a0cc1");
    EXPECT_TRUE(miss.Description()->contains(QStringLiteral("Item cannot be found")));
    for (const int beyond : { 2, -1 })
        EXPECT_EQ(Hex(ErrorOf([&] { list.Item(Variant::FromI4(beyond)); }).Error()), "800a0cc1");
    list.Delete(Variant::FromBstr(QStringLiteral("WORD")));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Item(Variant::FromI4(0)), n);
    EXPECT_EQ(Hex(ErrorOf([&] { list.Delete(Variant::FromI4(3)); }).Error()), "800a0cc1");

    auto command = engine::Command::Create();
    EXPECT_EQ(command->CommandType(), engine::adCmdUnknown);
    EXPECT_EQ(Hex(ErrorOf([&] { command->SetCommandType(3); }).Error()), "800a0bb9");
    auto made = command->CreateParameter(QStringLiteral("when"), engine::adDate, engine::adParamInput, 8);
    EXPECT_TRUE(made->Value().IsEmpty()); // a value left out is no value
    EXPECT_EQ(made->Size(), 8);
    EXPECT_EQ(command->GetParameters()->Count(), 0); // created, not appended
    EXPECT_EQ(Hex(ErrorOf([&] { command->CreateParameter(QStringLiteral("x"), 77, engine::adParamInput, 0); }).Error()),
        "800a0bb9");
}

TEST_F(CommandParameter, ValuesOfEveryTypeBindInOrder)
{
    Exec(QStringLiteral("CREATE TABLE Samples (S SHORT, L LONG, B BYTE, F SINGLE, D DOUBLE, C CURRENCY, W DATETIME, "
                        "Y YESNO, T TEXT(20), M MEMO, N DECIMAL(10, 2))"));
    auto insert = NewCommand(QStringLiteral("INSERT INTO Samples VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const double when = platform::OleDateTime(2010, 5, 17, 8, 30, 0).m_dt;
    platform::DECIMAL price;
    price.Lo64 = 1999;
    price.scale = 2;
    Add(insert, "s", engine::adSmallInt, 2, Variant::FromI2(-7));
    Add(insert, "l", engine::adInteger, 4, Variant::FromBstr(QStringLiteral("70000"))); // converted to the type
    Add(insert, "b", engine::adUnsignedTinyInt, 1, Variant::FromUI1(200));
    Add(insert, "f", engine::adSingle, 4, Variant::FromR4(1.5f));
    Add(insert, "d", engine::adDouble, 8, Variant::FromR8(2.25));
    Add(insert, "c", engine::adCurrency, 8, Variant::FromCy(123456));
    Add(insert, "w", engine::adDate, 8, Variant::FromBstr(QStringLiteral("2010-05-17 08:30:00")));
    Add(insert, "y", engine::adBoolean, 2, Variant::FromI4(1)); // stored as Jet's True, -1
    // Every width of UTF-8, and a lone surrogate, stored as Qt writes them.
    const QString text = QStringLiteral("it's <tëxt> 日😀");
    const QString memo = QString(5000, u'x') + text + QChar(0xD800) + u'!';
    Add(insert, "t", engine::adVarWChar, 20, Variant::FromBstr(text));
    Add(insert, "m", engine::adLongVarWChar, 100000, Variant::FromBstr(memo));
    Add(insert, "n", engine::adNumeric, 10, Variant::FromDecimal(price));
    Variant affected;
    const auto closed = insert->Execute(&affected);
    EXPECT_EQ(affected, Variant::FromI4(1));
    EXPECT_EQ(closed->State(), engine::adStateClosed);

    // The same values as a selection's criteria, through a command's rows.
    auto select = NewCommand(QStringLiteral("SELECT * FROM Samples WHERE L = ? AND W = ? AND T = ? AND Y = ?"));
    Add(select, "l", engine::adInteger, 4, Variant::FromI4(70000));
    Add(select, "w", engine::adDate, 8, Variant::FromDate(when));
    Add(select, "t", engine::adVarWChar, 20, Variant::FromBstr(text));
    Add(select, "y", engine::adBoolean, 2, Variant::FromBool(true));
    Variant selected;
    auto rs = select->Execute(&selected);
    EXPECT_EQ(selected, Variant::FromI4(-1));
    ASSERT_EQ(rs->State(), engine::adStateOpen);
    ASSERT_EQ(rs->RecordCount(), 1);
    const std::pair<const char*, Variant> values[] = { { "S", Variant::FromI2(-7) }, { "L", Variant::FromI4(70000) },
        { "B", Variant::FromUI1(200) }, { "F", Variant::FromR4(1.5f) }, { "D", Variant::FromR8(2.25) },
        { "C", Variant::FromCy(123456) }, { "W", Variant::FromDate(when) }, { "Y", Variant::FromBool(true) } };
    for (const auto& [name, value] : values)
        EXPECT_EQ(Get(rs, QString::fromLatin1(name)), value) << name;
    EXPECT_EQ(
        Raw(QStringLiteral("SELECT hex(T) || hex(M) FROM Samples")), (text.toUtf8() + memo.toUtf8()).toHex().toUpper());
    EXPECT_NEAR(platform::DecimalToDouble(Get(rs, QStringLiteral("N")).decVal()), 19.99, 1e-9);

    // A command's rows are read-only, as ADO's are.
    EXPECT_EQ(rs->LockType(), engine::adLockReadOnly);

    // adExecuteNoRecords runs the statement and gives no rows.
    auto none = NewCommand(QStringLiteral("UPDATE Samples SET S = ? WHERE L = ?"));
    Add(none, "s", engine::adSmallInt, 2, Variant::FromI2(9));
    Add(none, "l", engine::adInteger, 4, Variant::FromI4(70000));
    Variant updated;
    EXPECT_EQ(
        none->Execute(&updated, long(engine::adCmdText) | engine::adExecuteNoRecords)->State(), engine::adStateClosed);
    EXPECT_EQ(updated, Variant::FromI4(1));
    EXPECT_EQ(Raw(QStringLiteral("SELECT S || ' ' || Y FROM Samples")), QStringLiteral("9 -1"));
}

TEST_F(CommandParameter, MissingIllTypedAndSurplusValuesFailAndChangeNothing)
{
    AddWord(QStringLiteral("cat"));
    const int before = WordCount();

    auto insert = NewCommand(QStringLiteral("INSERT INTO Words (Word, MemoryCycle) VALUES (?, ?)"));
    EXPECT_EQ(Hex(ErrorOf([&] { insert->Execute(); }).Error()), "80040e10"); // no parameters at all
    Add(insert, "w", engine::adVarWChar, 50, Variant::FromBstr(QStringLiteral("dog")));
    platform::ComError e = ErrorOf([&] { insert->Execute(); });
    EXPECT_EQ(Hex(e.Error()), "80040e10");
    EXPECT_EQ(e.Description(), QStringLiteral("No value given for one or more required parameters."));

    Add(insert, "c", engine::adInteger, 4, Variant::FromBstr(QStringLiteral("many")));
    e = ErrorOf([&] { insert->Execute(); });
    EXPECT_EQ(Hex(e.Error()), "80040e07");
    EXPECT_TRUE(e.Description()->contains(QStringLiteral("'c'"))) << e.what();

    insert->GetParameters()->Item(Variant::FromI4(1))->SetValue(Variant::FromR8(1e12));
    EXPECT_EQ(Hex(ErrorOf([&] { insert->Execute(); }).Error()), "80040e57"); // out of a LONG's range

    insert->GetParameters()->Item(Variant::FromI4(1))->SetValue(Variant::FromI4(3));
    Add(insert, "extra", engine::adInteger, 4, Variant::FromI4(1));
    EXPECT_EQ(Hex(ErrorOf([&] { insert->Execute(); }).Error()), "800a0bb9");
    EXPECT_EQ(WordCount(), before);

    insert->GetParameters()->Delete(Variant::FromBstr(QStringLiteral("extra")));
    insert->Execute();
    EXPECT_EQ(WordCount(), before + 1);

    // Jet has no output parameters.
    auto out = NewCommand(QStringLiteral("SELECT * FROM Words WHERE ID = ?"));
    out->GetParameters()->Append(
        out->CreateParameter(QStringLiteral("o"), engine::adInteger, engine::adParamOutput, 4));
    EXPECT_EQ(Hex(ErrorOf([&] { out->Execute(); }).Error()), "800a0cb3");
}

// A prepared command runs each step of a script as its unprepared twin
// does, twice with new values and once with a value missing: a new text, a
// table made again with other types (also inside a transaction rolled
// back), a name that becomes a saved query and then another one. Its kept
// statement goes when the connection closes, which rolls back the open
// transaction and lets its lock go.
TEST_F(CommandParameter, PreparedCommandsRunAsUnpreparedOnes)
{
    Exec(QStringLiteral("CREATE TABLE Kept (K LONG, T TEXT(20))"));
    std::shared_ptr<engine::Command> twins[2];
    for (int prepared = 0; prepared < 2; ++prepared) {
        twins[prepared] = NewCommand(QStringLiteral("INSERT INTO Kept (K, T) VALUES (?, ?)"), engine::adCmdUnknown);
        twins[prepared]->SetPrepared(prepared == 1);
        Add(twins[prepared], "k", engine::adInteger, 4, Variant());
        Add(twins[prepared], "t", engine::adVarWChar, 20, Variant());
    }
    const auto outcome = [&](int prepared, int k, const Variant& t) {
        twins[prepared]->GetParameters()->Item(Variant::FromI4(0))->SetValue(Variant::FromI4(k));
        twins[prepared]->GetParameters()->Item(Variant::FromI4(1))->SetValue(t);
        try {
            Variant affected;
            auto rs = twins[prepared]->Execute(&affected);
            QString seen = QString::number(affected.lVal());
            for (; rs->State() == engine::adStateOpen && !rs->IsEOF(); rs->MoveNext())
                for (long i = 0; i < rs->GetFields()->Count(); ++i)
                    seen += u' ' + rs->GetFields()->Item(Variant::FromI4(i))->Value().DebugString();
            return seen;
        } catch (const platform::ComError& e) {
            return QString::fromStdString(Hex(e.Error())) + u' ' + e.Description().value_or(QString());
        }
    };
    const auto compare = [&](const QString& name) {
        for (int run = 0; run < 2; ++run)
            EXPECT_EQ(outcome(0, run, Text(name)), outcome(1, run, Text(name))) << name.toStdString();
        EXPECT_EQ(outcome(0, 1, Variant::Missing()), outcome(1, 1, Variant::Missing())) << name.toStdString();
    };
    const QString retype
        = QStringLiteral("DROP TABLE Kept;CREATE TABLE Kept (K LONG, T %1);INSERT INTO Kept VALUES (7, %2)");
    // Steps are statements to run; "=" sets the twins' text, "?" compares.
    for (const QString& step : { QStringLiteral("?;=SELECT Max(T) AS M FROM Kept WHERE K >= ? AND ? IS NOT NULL;?"),
             retype.arg("DOUBLE", "2.5") + ";?", "BEGIN;" + retype.arg("TEXT(20)", "'x'") + ";?;ROLLBACK;?",
             QStringLiteral("CREATE PROCEDURE Recent (p LONG, q TEXT) AS SELECT K FROM Kept WHERE K > p;=Recent;?"),
             QStringLiteral("DROP PROCEDURE Recent;CREATE PROCEDURE Recent (p LONG, q TEXT) AS SELECT T, q FROM Kept "
                            "WHERE K > p;?") }) {
        for (const QString& part : step.split(u';')) {
            if (part == u'?')
                compare(step);
            else if (part.startsWith(u'='))
                for (auto& c : twins)
                    c->SetCommandText(part.mid(1));
            else if (part == QLatin1String("BEGIN"))
                Db()->BeginTrans();
            else if (part == QLatin1String("ROLLBACK"))
                Db()->RollbackTrans();
            else
                Exec(part);
        }
    }
    EXPECT_EQ(outcome(1, 1, Variant::Missing()).left(8), "80040e10");

    twins[1]->SetCommandText(QStringLiteral("INSERT INTO Kept (K, T) VALUES (?, ?)"));
    Db()->BeginTrans();
    EXPECT_EQ(outcome(1, 8, Text(QStringLiteral("9"))), "1");
    Db()->Close();
    EXPECT_EQ(outcome(1, 8, Text(QStringLiteral("9"))).left(8), "800a0e7d");
    RawExec(QStringLiteral("INSERT INTO Kept VALUES (9, 1)"));
    Db()->Open(ConnectionString());
    EXPECT_EQ(outcome(1, 8, Text(QStringLiteral("9"))), "1");
    EXPECT_EQ(Raw(QStringLiteral("SELECT group_concat(K) FROM Kept")), "7,9,8");
}

TEST_F(CommandParameter, CommandTypesAndConnectionState)
{
    AddWord(QStringLiteral("cat"));
    AddWord(QStringLiteral("dog"));
    for (long type : { long(engine::adCmdTable), long(engine::adCmdUnknown) }) {
        auto table = NewCommand(QStringLiteral("Words"), type);
        EXPECT_EQ(table->Execute()->RecordCount(), 2) << type;
    }
    auto bracketed = NewCommand(QStringLiteral("[Words]"), engine::adCmdTable);
    EXPECT_EQ(bracketed->Execute()->RecordCount(), 2);
    // The Options of Execute override CommandType.
    auto overridden = NewCommand(QStringLiteral("Words"), engine::adCmdText);
    EXPECT_EQ(overridden->Execute(nullptr, engine::adCmdTable)->RecordCount(), 2);
    EXPECT_EQ(Hex(ErrorOf([&] { overridden->Execute(); }).Error()), "80040e14"); // a name is no statement

    auto missing = NewCommand(QStringLiteral("NoSuchThing"), engine::adCmdStoredProc);
    EXPECT_EQ(Hex(ErrorOf([&] { missing->Execute(); }).Error()), "80040e37");

    // A statement run as a stored procedure runs as the statement it is.
    auto statement = NewCommand(QStringLiteral("DELETE FROM Words WHERE Word = ?"), engine::adCmdStoredProc);
    Add(statement, "w", engine::adVarWChar, 10, Variant::FromBstr(QStringLiteral("dog")));
    Variant affected;
    statement->Execute(&affected);
    EXPECT_EQ(affected, Variant::FromI4(1));

    auto empty = NewCommand(QString());
    EXPECT_EQ(Hex(ErrorOf([&] { empty->Execute(); }).Error()), "80040e0c");
    auto orphan = engine::Command::Create();
    orphan->SetCommandText(QStringLiteral("SELECT * FROM Words"));
    EXPECT_EQ(Hex(ErrorOf([&] { orphan->Execute(); }).Error()), "800a0e7d");
}

} // namespace
