// The data file the tool makes: both tables with their defaults, usable by
// the engine and by the plain sqlite3 shell, and never made over an
// existing file.
#include "store/DataFileSchema.h"

#include "engine/ado/Connection.h"
#include "engine/ado/Field.h"
#include "engine/ado/Recordset.h"
#include "platform/Clock.h"
#include "platform/ComError.h"
#include "store/JetConnectionString.h"
#include "store/RawDataFile.h"

#include <QDate>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Runs the sqlite3 shell on the file; its standard output.
QString Shell(const QString& path, const QString& sql)
{
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), { path, sql });
    shell.waitForFinished(30000);
    EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
    return QString::fromUtf8(shell.readAllStandardOutput()).trimmed();
}

TEST(DataFileSchemaTest, NewFileHoldsBothTablesWithTheirDefaultsAndReplacesNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("db.mdb"));
    CreateDataFile(path);

    platform::Clock::SetFixed(QDateTime(QDate(2023, 7, 9), QTime(21, 5, 0)));
    auto connection = engine::Connection::Create();
    connection->Open(JetConnectionString(path));
    auto words = engine::Recordset::Create();
    words->Open(QStringLiteral("SELECT * FROM Words"), connection, engine::adOpenStatic, engine::adLockOptimistic,
        engine::adCmdText);
    words->AddNew();
    words->GetFields()->Item(QStringLiteral("Word"))->PutValue(platform::Variant::FromBstr(QStringLiteral("dog")));
    words->Update();
    EXPECT_EQ(words->GetFields()->Item(QStringLiteral("ID"))->Value().lVal(), 1);
    EXPECT_EQ(words->GetFields()->Item(QStringLiteral("MemoryCycle"))->Value().lVal(), 1);
    EXPECT_EQ(words->GetFields()->Item(QStringLiteral("Word"))->DefinedSize(), 255);
    EXPECT_EQ(words->GetFields()->Item(QStringLiteral("Description"))->Type(), engine::adLongVarWChar);
    EXPECT_TRUE(connection->Execute(QStringLiteral("SELECT Word, Pronunciation, Description FROM NewWords"))->IsEOF());
    connection->Close();
    platform::Clock::Reset();

    // The plain shell sees the same tables and fills the same defaults (its
    // own clock: the date is today's, read around the insert).
    EXPECT_EQ(Shell(path,
                  QStringLiteral("SELECT group_concat(name) FROM (SELECT name FROM sqlite_master WHERE "
                                 "type = 'table' AND name NOT LIKE 'sqlite%' ORDER BY name)")),
        QStringLiteral("NewWords,Words"));
    EXPECT_EQ(Shell(path, QStringLiteral("SELECT Date FROM Words")), QStringLiteral("2023-07-09 21:05:00"));
    const QDate before = QDate::currentDate();
    Shell(path, QStringLiteral("INSERT INTO Words (Word) VALUES ('cat')"));
    const QDate after = QDate::currentDate();
    const QString row = Shell(path,
        QStringLiteral("SELECT MemoryCycle || '|' || substr(Date, 1, 10) FROM Words "
                       "WHERE Word = 'cat'"));
    EXPECT_TRUE(row == QStringLiteral("1|") + before.toString(Qt::ISODate)
        || row == QStringLiteral("1|") + after.toString(Qt::ISODate))
        << row.toStdString();
    EXPECT_EQ(Shell(path, QStringLiteral("INSERT INTO NewWords (Word) VALUES ('new'); SELECT ID FROM NewWords")),
        QStringLiteral("1"));

    // Words the shell writes are found by the engine without regard to case
    // in any script, and after the engine has compared, sorted and written
    // them the shell still finds the file sound.
    Shell(path, QStringLiteral("INSERT INTO NewWords (Word) VALUES ('ÉTÉ'); CREATE INDEX ByWord ON NewWords (Word)"));
    connection = engine::Connection::Create();
    connection->Open(JetConnectionString(path));
    auto found = engine::Recordset::Create();
    found->Open(QStringLiteral("SELECT * FROM NewWords WHERE Word = 'été' ORDER BY Word"), connection,
        engine::adOpenStatic, engine::adLockOptimistic, engine::adCmdText);
    EXPECT_EQ(found->RecordCount(), 1);
    found->GetFields()->Item(QStringLiteral("Word"))->PutValue(platform::Variant::FromBstr(QStringLiteral("Москва")));
    found->Update();
    connection->Close();
    EXPECT_EQ(Shell(path, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    EXPECT_EQ(Shell(path, QStringLiteral("SELECT Word FROM NewWords WHERE Word = 'Москва'")), QStringLiteral("Москва"));

    // An existing file is never made over, and nothing is left beside it.
    const QString precious = dir.filePath(QStringLiteral("precious.mdb"));
    ASSERT_TRUE(WriteFileBytes(precious, "precious"));
    try {
        CreateDataFile(precious);
        ADD_FAILURE() << "an existing file was accepted";
    } catch (const platform::ComError& e) {
        EXPECT_TRUE(e.Description().value_or(QString()).contains(QStringLiteral("already exists")));
    }
    EXPECT_EQ(FileBytes(precious), QByteArray("precious"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({ QStringLiteral("db.mdb"), QStringLiteral("precious.mdb") }));
}

} // namespace
