// JetEngine: new data files and compacted copies appear whole under their
// name or not at all, and never replace a file that is there.
#include "engine/EngineTestFiles.h"
#include "engine/ado/DatabaseFileCopy.h"

#include <QDir>
#include <QFile>

using enginetest::ErrorOf;
using enginetest::JetConnection;

namespace {

class JetEngineTest : public enginetest::EngineTest {
protected:
    QStringList FolderEntries() const
    {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    // A file's bytes; "<unreadable>" when it cannot be opened.
    static QByteArray Bytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
};

TEST_F(JetEngineTest, CreateDatabaseMakesAnOpenableFileAndNeverReplacesOne)
{
    auto jet = engine::JetEngine::Create();
    const QString made = m_dir.filePath(QStringLiteral("new.mdb"));
    jet->CreateDatabase(JetConnection(made));
    auto connection = engine::Connection::Create();
    connection->Open(JetConnection(made));
    EXPECT_EQ(connection->State(), engine::adStateOpen);
    connection->Close();
    EXPECT_EQ(Bytes(made).mid(68, 4), QByteArray("JET1")) << "the application id says which engine made it";

    const QByteArray before = Bytes(Path());
    auto e = ErrorOf([&] { jet->CreateDatabase(JetConnection(Path())); });
    EXPECT_EQ(e.Description().value_or(QString()), QStringLiteral("Database '%1' already exists.").arg(Path()));
    EXPECT_EQ(Bytes(Path()), before);
    EXPECT_GT(before.size(), 72);

    e = ErrorOf([&] { jet->CreateDatabase(JetConnection(m_dir.filePath(QStringLiteral("no/such/folder.mdb")))); });
    EXPECT_TRUE(e.Description().value_or(QString()).contains(QStringLiteral("is not a valid path")));
    e = ErrorOf([&] { jet->CreateDatabase(QStringLiteral("Provider=Other;Data Source=x.mdb")); });
    EXPECT_EQ(e.Error(), platform::adErrProviderNotFound);
    EXPECT_EQ(FolderEntries(), (QStringList { "db.mdb", "new.mdb" })) << "no temporary file is left behind";
}

TEST_F(JetEngineTest, CompactDatabaseCopiesIntoANewFileOnly)
{
    AddWord(QStringLiteral("kept"));
    for (int i = 0; i < 200; ++i)
        AddWord(QStringLiteral("gone %1").arg(i));
    Exec(QStringLiteral("DELETE FROM Words WHERE Word <> 'kept'"));
    Db()->Close();

    auto jet = engine::JetEngine::Create();
    const QString copy = m_dir.filePath(QStringLiteral("copy.mdb"));
    jet->CompactDatabase(ConnectionString(), JetConnection(copy));
    EXPECT_LT(QFileInfo(copy).size(), QFileInfo(Path()).size());
    auto connection = engine::Connection::Create();
    connection->Open(JetConnection(copy));
    auto rs = engine::Recordset::Create();
    rs->Open(QStringLiteral("SELECT * FROM Words"), connection, engine::adOpenStatic, engine::adLockOptimistic,
        engine::adCmdText);
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(Get(rs, QStringLiteral("Word")).bstrVal(), QStringLiteral("kept"));
    rs->AddNew();
    Put(rs, QStringLiteral("Word"), Text(QStringLiteral("added to the copy")));
    rs->Update();
    EXPECT_EQ(Get(rs, QStringLiteral("MemoryCycle")), platform::Variant::FromI4(1)) << "defaults come along";
    connection->Close();

    const qint64 copySize = QFileInfo(copy).size();
    auto e = ErrorOf([&] { jet->CompactDatabase(ConnectionString(), JetConnection(copy)); });
    EXPECT_TRUE(e.Description().value_or(QString()).contains(QStringLiteral("already exists")));
    EXPECT_EQ(QFileInfo(copy).size(), copySize);

    const QString absent = m_dir.filePath(QStringLiteral("absent.mdb"));
    const QString target = m_dir.filePath(QStringLiteral("never.mdb"));
    e = ErrorOf([&] { jet->CompactDatabase(JetConnection(absent), JetConnection(target)); });
    EXPECT_EQ(e.Description().value_or(QString()), QStringLiteral("Could not find file '%1'.").arg(absent));
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(FolderEntries(), (QStringList { "copy.mdb", "db.mdb" }));

    // A file that is no database has no state to keep and is copied as it is,
    // past the first buffer's worth.
    const QString junk = m_dir.filePath(QStringLiteral("junk.mdb"));
    QByteArray bytes(100000, 'x');
    bytes[99999] = 'y';
    QFile junkFile(junk);
    ASSERT_TRUE(junkFile.open(QIODevice::ReadWrite));
    junkFile.write(bytes);
    junkFile.flush();
    junkFile.seek(0);
    QFile junkCopy(m_dir.filePath(QStringLiteral("junk copy.mdb")));
    ASSERT_TRUE(junkCopy.open(QIODevice::WriteOnly));
    EXPECT_TRUE(engine::CopyDatabaseFile(junk, junkFile.handle(), junkCopy.handle(), 1));
    junkCopy.close();
    EXPECT_EQ(Bytes(junkCopy.fileName()), bytes);
}

} // namespace
