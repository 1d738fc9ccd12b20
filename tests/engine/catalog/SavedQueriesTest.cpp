// Jet's saved queries: procedures with parameters made by CREATE PROCEDURE,
// kept in the data file, run by a stored-procedure command, by EXECUTE and
// by name; views; dropping; and the failures for missing, ill-typed and
// surplus values, unknown and duplicate names.
#include "engine/EngineTestFiles.h"
#include "engine/ado/Command.h"
#include "engine/ado/Parameter.h"

using enginetest::ErrorOf;
using enginetest::Hex;
using platform::Variant;

namespace {

class SavedQueries : public enginetest::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        for (const auto& [word, cycle] : { std::pair { "ant", 1 }, { "bee", 2 }, { "cat", 4 }, { "dog", 8 } })
            AddWord(QString::fromLatin1(word), {}, cycle);
        Exec(QStringLiteral("CREATE PROCEDURE WordsBetween (lo LONG, [hi cycle] LONG) AS SELECT Word FROM Words "
                            "WHERE MemoryCycle >= lo AND MemoryCycle <= [hi cycle] ORDER BY Word"));
    }

    std::shared_ptr<engine::Command> StoredProc(const QString& name, std::initializer_list<Variant> values)
    {
        auto c = engine::Command::Create();
        c->SetActiveConnection(Db());
        c->SetCommandText(name);
        c->SetCommandType(engine::adCmdStoredProc);
        int i = 0;
        for (const Variant& v : values) {
            c->GetParameters()->Append(
                c->CreateParameter(QStringLiteral("p%1").arg(i++), engine::adVariant, engine::adParamInput, 16, v));
        }
        return c;
    }

    static QStringList Words(const std::shared_ptr<engine::Recordset>& rs)
    {
        QStringList words;
        if (rs->State() != engine::adStateOpen)
            return { QStringLiteral("(closed)") };
        while (!rs->IsEOF()) {
            words << Get(rs, QStringLiteral("Word")).bstrVal();
            rs->MoveNext();
        }
        return words;
    }
};

TEST_F(SavedQueries, ProcedureWithTwoParametersRunsEveryWay)
{
    const QStringList middle { QStringLiteral("bee"), QStringLiteral("cat") };

    // A stored-procedure command; the text "4" becomes the LONG it declares.
    Variant affected;
    auto rs = StoredProc(QStringLiteral("WordsBetween"), { Variant::FromI2(2), Variant::FromBstr(QStringLiteral("4")) })
                  ->Execute(&affected);
    EXPECT_EQ(Words(rs), middle);
    EXPECT_EQ(affected, Variant::FromI4(-1));

    // Its name as command text, with the access layer's Options (adCmdText).
    auto byName = StoredProc(QStringLiteral("[wordsbetween]"), { Variant::FromI4(2), Variant::FromI4(4) });
    EXPECT_EQ(Words(byName->Execute(nullptr, engine::adCmdText)), middle);

    // EXECUTE with literal arguments, and with '?' arguments from a command.
    EXPECT_EQ(Words(Db()->Execute(QStringLiteral("EXECUTE WordsBetween 2, 4"))), middle);
    auto marked = StoredProc(QStringLiteral("EXECUTE WordsBetween ?, 8"), { Variant::FromI4(4) });
    marked->SetCommandType(engine::adCmdText);
    EXPECT_EQ(Words(marked->Execute()), (QStringList { QStringLiteral("cat"), QStringLiteral("dog") }));

    // A name used twice, in two cases, is one parameter; text compares
    // without regard to case; EXECUTE reads quoted text, negative numbers
    // and Null; PARAMETERS declares the values of a statement run as text.
    Exec(QStringLiteral("CREATE PROCEDURE Named ([Which word] TEXT(50), minCycle LONG) AS SELECT Word FROM Words "
                        "WHERE Word = [Which word] AND MemoryCycle >= minCycle OR Word = [which WORD]"));
    EXPECT_EQ(
        Words(StoredProc(QStringLiteral("Named"), { Text(QStringLiteral("CAT")), Variant::FromI4(99) })->Execute()),
        QStringList { QStringLiteral("cat") });
    EXPECT_EQ(Words(Db()->Execute(QStringLiteral("EXECUTE Named 'B''EE', -3"))), QStringList());
    EXPECT_EQ(Words(Db()->Execute(QStringLiteral("EXECUTE Named 'BEE', -3"))), QStringList { QStringLiteral("bee") });
    EXPECT_EQ(Words(Db()->Execute(QStringLiteral("EXECUTE Named Null, -3"))), QStringList());
    auto declared = StoredProc(QStringLiteral("PARAMETERS n Long; UPDATE Words SET Word = Word WHERE MemoryCycle = n"),
        { Text(QStringLiteral("8")) });
    declared->SetCommandType(engine::adCmdText);
    declared->Execute(&affected);
    EXPECT_EQ(affected, Variant::FromI4(1));

    // A recordset opened on the saved query.
    auto opened = engine::Recordset::Create();
    EXPECT_EQ(Hex(ErrorOf([&] {
        opened->Open(QStringLiteral("WordsBetween"), Db(), engine::adOpenStatic, engine::adLockReadOnly,
            engine::adCmdStoredProc);
    }).Error()),
        "80040e10"); // it needs its two values

    // The procedure lives in the file: a new connection runs it, and so
    // does one on a compacted copy.
    auto other = engine::Connection::Create();
    other->Open(ConnectionString());
    EXPECT_EQ(Words(other->Execute(QStringLiteral("EXECUTE WordsBetween 1, 2"))),
        (QStringList { QStringLiteral("ant"), QStringLiteral("bee") }));
    other->Close();
    Db()->Close();
    const QString compacted = enginetest::JetConnection(m_dir.filePath(QStringLiteral("compact.mdb")));
    engine::JetEngine::Create()->CompactDatabase(ConnectionString(), compacted);
    auto copy = engine::Connection::Create();
    copy->Open(compacted);
    EXPECT_EQ(Words(copy->Execute(QStringLiteral("EXECUTE WordsBetween 4, 8"))),
        (QStringList { QStringLiteral("cat"), QStringLiteral("dog") }));
}

TEST_F(SavedQueries, ValuesThatAreMissingIllTypedOrSurplusFail)
{
    platform::ComError e
        = ErrorOf([&] { StoredProc(QStringLiteral("WordsBetween"), { Variant::FromI4(2) })->Execute(); });
    EXPECT_EQ(Hex(e.Error()), "80040e10");
    EXPECT_EQ(e.Description(), QStringLiteral("No value given for one or more required parameters."));
    EXPECT_EQ(Hex(ErrorOf([&] {
        StoredProc(QStringLiteral("WordsBetween"), { Variant::FromI4(2), Variant() })->Execute();
    }).Error()),
        "80040e10");
    EXPECT_EQ(Hex(ErrorOf([&] { Db()->Execute(QStringLiteral("EXECUTE WordsBetween 2")); }).Error()), "80040e10");

    e = ErrorOf([&] {
        StoredProc(QStringLiteral("WordsBetween"), { Variant::FromI4(2), Variant::FromBstr(QStringLiteral("lots")) })
            ->Execute();
    });
    EXPECT_EQ(Hex(e.Error()), "80040e07");
    EXPECT_TRUE(e.Description()->contains(QStringLiteral("hi cycle"))) << e.what();

    e = ErrorOf([&] {
        StoredProc(QStringLiteral("WordsBetween"), { Variant::FromI4(1), Variant::FromI4(2), Variant::FromI4(3) })
            ->Execute();
    });
    EXPECT_EQ(Hex(e.Error()), "800a0bb9");
    EXPECT_TRUE(e.Description()->contains(QStringLiteral("WordsBetween")));

    // NULL is a value: it matches nothing, and fails nothing.
    EXPECT_EQ(Words(StoredProc(QStringLiteral("WordsBetween"), { Variant::Null(), Variant::FromI4(8) })->Execute()),
        QStringList());
}

TEST_F(SavedQueries, ActionProceduresReportRecordsAffected)
{
    Exec(QStringLiteral("CREATE PROCEDURE Bump (d LONG, w TEXT(255)) AS UPDATE Words SET MemoryCycle = MemoryCycle + "
                        "d WHERE Word = w OR Word = w & 'x'"));
    Variant affected;
    auto result = StoredProc(QStringLiteral("Bump"), { Variant::FromI4(10), Variant::FromBstr(QStringLiteral("cat")) })
                      ->Execute(&affected);
    EXPECT_EQ(affected, Variant::FromI4(1));
    EXPECT_EQ(result->State(), engine::adStateClosed);
    EXPECT_EQ(Raw(QStringLiteral("SELECT MemoryCycle FROM Words WHERE Word = 'cat'")), QStringLiteral("14"));

    Variant viaExecute;
    Db()->Execute(QStringLiteral("EXECUTE Bump 1, 'dog'"), &viaExecute);
    EXPECT_EQ(viaExecute, Variant::FromI4(1));
    EXPECT_EQ(Raw(QStringLiteral("SELECT MemoryCycle FROM Words WHERE Word = 'dog'")), QStringLiteral("9"));
}

TEST_F(SavedQueries, ViewsDropsAndNames)
{
    Exec(QStringLiteral("CREATE VIEW Busy AS SELECT Word, MemoryCycle FROM Words WHERE MemoryCycle > 2"));
    // A view is a table to other statements, and a saved query to commands.
    EXPECT_EQ(Words(Open(QStringLiteral("SELECT Word FROM Busy ORDER BY Word"))),
        (QStringList { QStringLiteral("cat"), QStringLiteral("dog") }));
    EXPECT_EQ(StoredProc(QStringLiteral("Busy"), {})->Execute()->RecordCount(), 2);

    // One name space for tables and queries, whatever the case.
    for (const char* sql : { "CREATE PROCEDURE busy AS SELECT * FROM Words", "CREATE VIEW WORDS AS SELECT * FROM Words",
             "CREATE PROCEDURE wordsBETWEEN AS DELETE FROM Words" }) {
        const platform::ComError e = ErrorOf([&] { Exec(QString::fromLatin1(sql)); });
        EXPECT_EQ(Hex(e.Error()), "80040e14") << sql;
        EXPECT_TRUE(e.Description()->contains(QStringLiteral("already exists"))) << sql;
    }
    // A view takes no parameters.
    EXPECT_EQ(Hex(ErrorOf([&] { Exec(QStringLiteral("CREATE VIEW P AS SELECT * FROM Words WHERE ID = ?")); }).Error()),
        "80040e14");

    Exec(QStringLiteral("DROP VIEW Busy"));
    EXPECT_EQ(Raw(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'Busy'")), QStringLiteral("0"));
    Exec(QStringLiteral("DROP PROCEDURE WordsBetween"));
    for (const char* sql :
        { "EXECUTE WordsBetween 1, 2", "DROP PROCEDURE WordsBetween", "DROP VIEW Busy", "DROP VIEW Words" }) {
        const platform::ComError e = ErrorOf([&] { Exec(QString::fromLatin1(sql)); });
        EXPECT_EQ(Hex(e.Error()), "80040e37") << sql;
        EXPECT_TRUE(e.Description()->contains(QStringLiteral("cannot find the input table or query"))) << sql;
    }
    EXPECT_EQ(Raw(QStringLiteral("SELECT count(*) FROM Words")), QStringLiteral("4")); // DROP VIEW spared the table

    // A procedure made inside a transaction that is rolled back is gone.
    Db()->BeginTrans();
    Exec(QStringLiteral("CREATE PROCEDURE Temporary AS SELECT * FROM Words"));
    EXPECT_EQ(StoredProc(QStringLiteral("Temporary"), {})->Execute()->RecordCount(), 4);
    Db()->RollbackTrans();
    EXPECT_EQ(Hex(ErrorOf([&] { StoredProc(QStringLiteral("Temporary"), {})->Execute(); }).Error()), "80040e37");
}

} // namespace
