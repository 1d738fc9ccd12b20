// The connection: which strings and files it opens, how each refusal names
// its cause, statements and their counts, transactions, and that every
// write is in the file when its call returns and survives a crash.
#include "engine/EngineTestFiles.h"
#include "support/AsUnprivilegedUser.h"

#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using enginetest::DescriptionOf;
using enginetest::EngineTest;
using enginetest::ErrorOf;
using enginetest::Hex;
using enginetest::JetConnection;
using platform::Variant;

namespace {

constexpr platform::HRESULT kProviderNotFound = platform::adErrProviderNotFound;

TEST_F(EngineTest, ConnectionRefusesWhatIsNoJetDataFileAndSaysWhy)
{
    auto connection = engine::Connection::Create();
    EXPECT_EQ(connection->State(), engine::adStateClosed);

    auto e = ErrorOf([&] { connection->Open(QStringLiteral("Provider=SQLOLEDB;Data Source=%1;").arg(Path())); });
    EXPECT_EQ(Hex(e.Error()), Hex(kProviderNotFound));
    EXPECT_EQ(DescriptionOf(e), QStringLiteral("Provider cannot be found. It may not be properly installed."));

    // A missing file, text, an empty file, a folder: each refused with what
    // it is, by Jet, and left as it was.
    const QString missing = m_dir.filePath(QStringLiteral("nothing/here.mdb"));
    const QString text = m_dir.filePath(QStringLiteral("notes.mdb"));
    const QString empty = m_dir.filePath(QStringLiteral("empty.mdb"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("These are my notes, not a database.\n").repeated(200));
        QFile(empty).open(QIODevice::WriteOnly);
    }
    for (const auto& [path, says] : { std::pair { missing, QStringLiteral("Could not find file '%1'.") },
             { text, QStringLiteral("'%1' is not a database file.") },
             { empty, QStringLiteral("'%1' is not a database file.") },
             { m_dir.path(), QStringLiteral("'%1' is a folder, not a data file.") } }) {
        e = ErrorOf([&] { connection->Open(JetConnection(path)); });
        EXPECT_EQ(Hex(e.Error()), Hex(platform::E_FAIL)) << path.toStdString();
        EXPECT_EQ(DescriptionOf(e), says.arg(path));
        EXPECT_EQ(e.Source().value_or(QString()), QStringLiteral("Microsoft JET Database Engine"));
    }
    EXPECT_FALSE(QFile::exists(missing)) << "opening never creates a file";
    EXPECT_EQ(QFileInfo(empty).size(), 0) << "a refused file is left as it was";
    EXPECT_EQ(connection->State(), engine::adStateClosed);

    // Keys are case-insensitive and values may be quoted.
    connection->Open(QStringLiteral("provider=microsoft.jet.oledb.4.0; data source=\"%1\"").arg(Path()));
    EXPECT_EQ(connection->State(), engine::adStateOpen);
    e = ErrorOf([&] { connection->Open(ConnectionString()); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::adErrObjectOpen));
    connection->Close();
    e = ErrorOf([&] { connection->Close(); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::adErrObjectClosed));
    EXPECT_EQ(DescriptionOf(e), QStringLiteral("Operation is not allowed when the object is closed."));
    e = ErrorOf([&] { connection->Execute(QStringLiteral("DELETE FROM Words")); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::adErrObjectClosed));

    // An empty string reopens the one given last.
    connection->Open(QString());
    EXPECT_EQ(connection->State(), engine::adStateOpen);
}

TEST_F(EngineTest, ConnectionThatCannotWriteSaysSoBeforeAnyChange)
{
    AddWord(QStringLiteral("kept"));
    auto reader = engine::Connection::Create();
    reader->Open(ConnectionString() + QStringLiteral("Mode=Read;"));
    auto e = ErrorOf([&] { reader->Execute(QStringLiteral("UPDATE Words SET Word = 'changed'")); });
    EXPECT_EQ(Hex(e.Error()), Hex(platform::E_FAIL));
    EXPECT_EQ(DescriptionOf(e), QStringLiteral("Cannot update. Database or object is read-only."));
    EXPECT_EQ(Raw(QStringLiteral("SELECT Word FROM Words")), QStringLiteral("kept"));

    // A transaction on it still begins, though it takes the write lock.
    EXPECT_EQ(reader->BeginTrans(), 1);
    reader->RollbackTrans();

    // A file its user cannot write.
    Db()->Close();
    QFile::setPermissions(Path(), QFileDevice::ReadOwner | QFileDevice::ReadUser);
    const QFileInfo file(Path());
    const std::string failure = AsUnprivilegedUser(
        { QFile::encodeName(file.absolutePath()), QFile::encodeName(Path()) }, [&]() -> std::string {
            auto connection = engine::Connection::Create();
            const QString description = DescriptionOf(ErrorOf([&] { connection->Open(ConnectionString()); }));
            if (!description.startsWith(QStringLiteral("The data file '%1' cannot be written: ").arg(Path())))
                return "the open said: " + description.toStdString();
            return connection->State() == engine::adStateClosed ? std::string() : "the connection is open";
        });
    EXPECT_EQ(failure, "");
}

TEST_F(EngineTest, ExecuteCountsRowsAndReportsJetsErrors)
{
    for (const char* word : { "a", "b", "c" })
        AddWord(QString::fromUtf8(word));
    Variant affected;
    auto result = Db()->Execute(
        QStringLiteral("UPDATE Words SET MemoryCycle = 2 WHERE Word <> 'b'"), &affected, engine::adExecuteNoRecords);
    EXPECT_EQ(affected, Variant::FromI4(2));
    EXPECT_EQ(result->State(), engine::adStateClosed);
    Db()->Execute(QStringLiteral("DELETE FROM Words WHERE Word = 'nothing'"), &affected, engine::adExecuteNoRecords);
    EXPECT_EQ(affected, Variant::FromI4(0));

    auto rows = Db()->Execute(QStringLiteral("SELECT Word FROM Words WHERE MemoryCycle = 2"));
    ASSERT_EQ(rows->State(), engine::adStateOpen);
    EXPECT_EQ(rows->RecordCount(), 2);

    const std::tuple<const char*, platform::HRESULT, const char*> failures[] = {
        { "SELECT FROM WHERE", platform::DB_E_ERRORSINCOMMAND, "" },
        { "SELECT Colour FROM Words", platform::DB_E_PARAMNOTOPTIONAL,
            "No value given for one or more required parameters." },
        { "DELETE FROM Words WHERE ID = ?", platform::DB_E_PARAMNOTOPTIONAL,
            "No value given for one or more required parameters." },
        { "SELECT * FROM Wordz", platform::DB_E_NOTABLE,
            "The Microsoft Jet database engine cannot find the input table or query 'Wordz'.  Make sure it exists and "
            "that its name is spelled correctly." },
    };
    for (const auto& [sql, hr, says] : failures) {
        const auto e = ErrorOf([&] { Db()->Execute(QString::fromLatin1(sql)); });
        EXPECT_EQ(Hex(e.Error()), Hex(hr)) << sql;
        EXPECT_TRUE(DescriptionOf(e).startsWith(QString::fromLatin1(says))) << sql;
    }
    EXPECT_EQ(Raw(QStringLiteral("SELECT count(*) FROM Words")), QStringLiteral("3"));
}

TEST_F(EngineTest, TransactionsNestCommitAndRollBack)
{
    auto e = ErrorOf([&] { Db()->CommitTrans(); });
    EXPECT_TRUE(DescriptionOf(e).contains(QStringLiteral("without first beginning a transaction")));

    EXPECT_EQ(Db()->BeginTrans(), 1);
    AddWord(QStringLiteral("outer"));
    EXPECT_EQ(Db()->BeginTrans(), 2);
    AddWord(QStringLiteral("inner"));
    Db()->RollbackTrans();
    Db()->CommitTrans();
    EXPECT_EQ(Raw(QStringLiteral("SELECT group_concat(Word) FROM Words")), QStringLiteral("outer"));

    Db()->BeginTrans();
    Exec(QStringLiteral("DELETE FROM Words"));
    Db()->RollbackTrans();
    EXPECT_EQ(Raw(QStringLiteral("SELECT count(*) FROM Words")), QStringLiteral("1"));
}

TEST_F(EngineTest, CrashInTheMiddleOfAWriteLeavesTheLastCommittedState)
{
    for (int i = 0; i < 50; ++i)
        AddWord(QStringLiteral("word %1").arg(i));
    const QString before = Raw(QStringLiteral("SELECT group_concat(Word || MemoryCycle) FROM Words"));
    Db()->Close();

    // A child writes enough with a tiny page cache that changed pages reach
    // the file before its commit, then dies: a hot journal is left behind.
    const QByteArray path = QFile::encodeName(Path());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db,
            "PRAGMA cache_size=1; BEGIN; UPDATE Words SET MemoryCycle = 99, "
            "Description = hex(randomblob(3000));",
            nullptr, nullptr, nullptr);
        ::_exit(QFile::exists(QString::fromUtf8(path + "-journal")) ? 0 : 3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the child left no journal";

    auto connection = engine::Connection::Create();
    connection->Open(ConnectionString());
    auto rs = engine::Recordset::Create();
    rs->Open(QStringLiteral("SELECT count(*) AS n FROM Words WHERE MemoryCycle = 99"), connection, engine::adOpenStatic,
        engine::adLockReadOnly, engine::adCmdText);
    EXPECT_EQ(rs->GetFields()->Item(0)->Value(), Variant::FromI4(0));
    EXPECT_EQ(Raw(QStringLiteral("SELECT group_concat(Word || MemoryCycle) FROM Words")), before);
    EXPECT_FALSE(QFile::exists(Path() + QStringLiteral("-journal")));
}

TEST_F(EngineTest, FileMadeByPlainSqliteOpensWithItsTypesAndDefaults)
{
    const QString other = m_dir.filePath(QStringLiteral("plain.db"));
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(other.toUtf8().constData(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                      "CREATE TABLE Words (ID INTEGER PRIMARY KEY AUTOINCREMENT, Word TEXT, Pronunciation "
                      "TEXT, Description TEXT, MemoryCycle INTEGER DEFAULT 1, Date TEXT DEFAULT "
                      "CURRENT_TIMESTAMP);"
                      "INSERT INTO Words (Word, MemoryCycle, Date) VALUES ('plain', 4, '2024-03-01');",
                      nullptr, nullptr, nullptr),
            SQLITE_OK);
        sqlite3_close(db);
    }
    auto connection = engine::Connection::Create();
    connection->Open(JetConnection(other));
    auto rs = engine::Recordset::Create();
    rs->Open(QStringLiteral("SELECT * FROM Words"), connection, engine::adOpenStatic, engine::adLockOptimistic,
        engine::adCmdText);
    ASSERT_EQ(rs->RecordCount(), 1);
    auto fields = rs->GetFields();
    EXPECT_EQ(fields->Item(QStringLiteral("ID"))->Type(), engine::adInteger);
    EXPECT_EQ(fields->Item(QStringLiteral("MemoryCycle"))->Value(), Variant::FromI4(4));
    EXPECT_EQ(fields->Item(QStringLiteral("word"))->Value(), Variant::FromBstr(QStringLiteral("plain")));

    rs->AddNew();
    fields->Item(QStringLiteral("Word"))->PutValue(Variant::FromBstr(QStringLiteral("added")));
    rs->Update();
    EXPECT_EQ(fields->Item(QStringLiteral("ID"))->Value(), Variant::FromI4(2));
    EXPECT_EQ(fields->Item(QStringLiteral("MemoryCycle"))->Value(), Variant::FromI4(1));
    // A current-time default takes the program's clock, fixed by the test.
    EXPECT_EQ(fields->Item(QStringLiteral("Date"))->Value().bstrVal(), QStringLiteral("2024-03-05 10:30:15"));
}

TEST_F(EngineTest, ClosingAConnectionClosesItsRecordsetsAndTheyNeverWriteToTheNextFile)
{
    const int id = AddWord(QStringLiteral("first"));
    // A second file of the same shape, with a row of the same ID.
    const QString other = m_dir.filePath(QStringLiteral("other.mdb"));
    engine::JetEngine::Create()->CreateDatabase(JetConnection(other));
    {
        auto second = engine::Connection::Create();
        second->Open(JetConnection(other));
        second->Execute(QString::fromLatin1(enginetest::kWordsDdl), nullptr, engine::adExecuteNoRecords);
        second->Execute(
            QStringLiteral("INSERT INTO Words (Word) VALUES (\"second\")"), nullptr, engine::adExecuteNoRecords);
    }

    auto rs = Open(QStringLiteral("SELECT * FROM Words ORDER BY ID"));
    auto clone = rs->Clone();
    auto command = Db()->Execute(QStringLiteral("SELECT Word FROM Words"));
    ASSERT_EQ(command->State(), engine::adStateOpen);
    auto fields = rs->GetFields();
    auto word = fields->Item(QStringLiteral("Word"));
    word->PutValue(Text(QStringLiteral("pending")));
    ASSERT_EQ(rs->EditMode(), engine::adEditInProgress);

    Db()->Close();
    EXPECT_EQ(rs->State(), engine::adStateClosed);
    EXPECT_EQ(clone->State(), engine::adStateClosed);
    EXPECT_EQ(command->State(), engine::adStateClosed);
    // The pending edit was dropped, not written.
    EXPECT_EQ(Raw(QStringLiteral("SELECT Word FROM Words WHERE ID = %1").arg(id)), QStringLiteral("first"));

    // Reopened on another file, the old recordsets reach nothing through it.
    Db()->Open(JetConnection(other));
    for (const auto& closed : { rs, clone }) {
        const std::function<void()> uses[] = { [&] { closed->Update(); }, [&] { closed->MoveFirst(); },
            [&] { closed->AddNew(); }, [&] { closed->Delete(); },
            [&] { word->PutValue(Text(QStringLiteral("WRITTEN"))); }, [&] { word->Value(); } };
        for (const auto& use : uses)
            EXPECT_EQ(Hex(ErrorOf(use).Error()), Hex(platform::adErrObjectClosed));
    }
    auto check = engine::Connection::Create();
    check->Open(JetConnection(other));
    auto rows = check->Execute(QStringLiteral("SELECT Word FROM Words"));
    ASSERT_EQ(rows->RecordCount(), 1);
    EXPECT_EQ(rows->GetFields()->Item(QStringLiteral("Word"))->Value(), Text(QStringLiteral("second")));

    // A recordset closed this way opens again on the reopened connection,
    // and one reopened elsewhere is not closed by its old connection.
    rs->Open(
        QStringLiteral("SELECT * FROM Words"), Db(), engine::adOpenStatic, engine::adLockOptimistic, engine::adCmdText);
    EXPECT_EQ(Get(rs, QStringLiteral("Word")), Text(QStringLiteral("second")));
    clone->Open(QStringLiteral("SELECT * FROM Words"), check, engine::adOpenStatic, engine::adLockOptimistic,
        engine::adCmdText);
    Db()->Close();
    EXPECT_EQ(rs->State(), engine::adStateClosed);
    EXPECT_EQ(clone->State(), engine::adStateOpen);
    EXPECT_EQ(rows->State(), engine::adStateOpen);
}

} // namespace
