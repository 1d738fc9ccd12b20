// The connection wrapper: opening, executing, counting, compacting, and the
// "CADODataBase Error" report with its stored last error; the forms of the
// layer's reports, and its own exception (caught as itself or as a standard
// exception).
#include "DbTestFixture.h"
#include "db/CADOException.h"
#include "db/ComErrorReport.h"
#include "engine/ado/Field.h"
#include "engine/ado/Recordset.h"

#include <QFile>

using platform::Variant;

namespace {
// A connection wrapper whose engine object could not be created.
class DataBaseWithoutConnection : public CADODataBase {
public:
    void DropConnection() { m_pConnection.reset(); }
};

std::shared_ptr<engine::Recordset> ForwardOnlyRows(int count)
{
    std::vector<std::vector<Variant>> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({ Variant::FromI4(i + 1) });
    return engine::Recordset::FromRows({ engine::ColumnInfo { QStringLiteral("N"), engine::adInteger } }, rows, true);
}
} // namespace

using DataBase = DbTest;

TEST_F(DataBase, FailedOpenStoresTheConnectionStringAndTheReport)
{
    const QString missing = ConnectionStringFor(m_dir.filePath(QStringLiteral("missing.mdb")));
    EXPECT_FALSE(m_database.Open(missing));
    EXPECT_FALSE(m_database.IsOpen());
    const QString report = OnlyMessage();
    ExpectReport(report, QStringLiteral("CADODataBase Error"), m_database.GetLastError());
    EXPECT_NE(m_database.GetLastError(), 0u);
    // The box shows the report alone; the stored text has the connection first.
    EXPECT_FALSE(report.contains(QStringLiteral("Connection String")));
    EXPECT_EQ(m_database.GetLastErrorString(), QStringLiteral("Connection String = ") + missing + "\r\n" + report);
    EXPECT_EQ(m_database.GetConnectionString(), missing);
    // The description alone, as the report prints it.
    EXPECT_FALSE(m_database.GetErrorDescription().isEmpty());
    EXPECT_TRUE(report.endsWith(QStringLiteral("Description = ") + m_database.GetErrorDescription() + "\r\n"));
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("missing.mdb")))); // never created
}

TEST_F(DataBase, OpenCloseReopenAndExecute)
{
    CADODataBase fresh;
    fresh.Close(); // never opened: nothing happens
    EXPECT_FALSE(fresh.IsOpen());
    EXPECT_EQ(fresh.GetLastError(), 0u);
    EXPECT_EQ(fresh.GetRecordsAffected(), 0);
    EXPECT_EQ(fresh.GetConnectionTimeout(), 0);

    OpenDatabase();
    EXPECT_TRUE(m_database.IsOpen());
    EXPECT_EQ(m_database.GetConnectionString(), ConnectionString());
    // Opening again closes first; an empty text reuses the stored one.
    EXPECT_TRUE(m_database.Open(QString()));
    EXPECT_TRUE(m_database.IsOpen());
    EXPECT_EQ(m_database.GetConnectionString(), ConnectionString());

    EXPECT_TRUE(m_database.Execute(QStringLiteral("UPDATE Words SET MemoryCycle = 8 WHERE Word <> 'dog'")));
    EXPECT_EQ(m_database.GetRecordsAffected(), 2);
    EXPECT_TRUE(m_database.Execute(QStringLiteral("DELETE FROM Words WHERE Word = 'nothing'")));
    EXPECT_EQ(m_database.GetRecordsAffected(), 0);
    EXPECT_TRUE(m_database.Execute(QStringLiteral("UPDATE Words SET MemoryCycle = 8 WHERE Word = 'dog'")));
    EXPECT_EQ(m_database.GetRecordsAffected(), 1);
    EXPECT_TRUE(m_messages.Messages().empty());

    // A failure forgets the count of the statement before it.
    EXPECT_FALSE(m_database.Execute(QStringLiteral("UPDATE NoSuchTable SET x = 1")));
    EXPECT_EQ(m_database.GetRecordsAffected(), 0);
    ExpectReport(OnlyMessage(), QStringLiteral("CADODataBase Error"), m_database.GetLastError());
    EXPECT_TRUE(m_database.IsOpen()); // a report closes nothing

    m_database.Close();
    EXPECT_FALSE(m_database.IsOpen());
    m_database.Close();
    EXPECT_FALSE(m_database.IsOpen());
}

TEST_F(DataBase, ConnectionTimeoutIsSetOnlyWhenGiven)
{
    const long engineDefault = m_database.GetActiveConnection()->ConnectionTimeout();
    OpenDatabase();
    EXPECT_EQ(m_database.GetActiveConnection()->ConnectionTimeout(), engineDefault);
    m_database.SetConnectionTimeout(15);
    EXPECT_TRUE(m_database.Open(QString()));
    EXPECT_EQ(m_database.GetActiveConnection()->ConnectionTimeout(), 15);
}

TEST_F(DataBase, MissingConnectionFailsWithInvalidPointer)
{
    DataBaseWithoutConnection db;
    db.DropConnection();
    EXPECT_FALSE(db.IsOpen()); // no object is not open, and no error
    db.Close();
    EXPECT_FALSE(db.Open(ConnectionString()));
    EXPECT_EQ(OnlyMessage(),
        QStringLiteral("CADODataBase Error\r\nCode = 80004003\r\nCode meaning = Invalid pointer\r\n"
                       "Source = (null)\r\nDescription = (null)\r\n"));
    EXPECT_EQ(db.GetLastError(), 0x80004003u);
    EXPECT_EQ(db.GetErrorDescription(), QString());
    EXPECT_FALSE(db.Execute(QStringLiteral("DELETE FROM Words")));
    EXPECT_EQ(m_messages.Messages().size(), 2u);
    EXPECT_EQ(db.GetActiveConnection(), nullptr);
}

TEST_F(DataBase, RecordCountOfAnyRecordset)
{
    // A static snapshot knows its count.
    OpenDatabase();
    const std::shared_ptr<engine::Recordset> words = engine::Recordset::Create();
    words->Open(QStringLiteral("SELECT * FROM Words"), m_database.GetActiveConnection(), engine::adOpenStatic,
        engine::adLockOptimistic, engine::adCmdUnknown);
    EXPECT_EQ(CADODataBase::GetRecordCount(words), 3u);

    // A forward-only one is walked and left on its first row.
    const std::shared_ptr<engine::Recordset> three = ForwardOnlyRows(3);
    ASSERT_EQ(three->RecordCount(), -1);
    EXPECT_EQ(CADODataBase::GetRecordCount(three), 3u);
    ASSERT_FALSE(three->IsEOF());
    EXPECT_EQ(three->GetFields()->Item(0)->Value().lVal(), 1);
    EXPECT_EQ(CADODataBase::GetRecordCount(ForwardOnlyRows(0)), 0u);

    EXPECT_THROW(CADODataBase::GetRecordCount(nullptr), platform::ComError);
}

TEST_F(DataBase, CompactDatabaseOntoNewAndExistingFiles)
{
    const QString target = m_dir.filePath(QStringLiteral("compact.mdb"));
    EXPECT_TRUE(CADODataBase::CompactDatabase(ConnectionString(), ConnectionStringFor(target)));
    ASSERT_TRUE(QFile::exists(target));
    CADODataBase copy;
    ASSERT_TRUE(copy.Open(ConnectionStringFor(target)));
    EXPECT_TRUE(copy.Execute(QStringLiteral("UPDATE Words SET MemoryCycle = MemoryCycle")));
    EXPECT_EQ(copy.GetRecordsAffected(), 3);
    copy.Close();

    // Onto an existing file, or from a missing one: false, and no box.
    const QByteArray before = [&] {
        QFile f(target);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    EXPECT_FALSE(CADODataBase::CompactDatabase(ConnectionString(), ConnectionStringFor(target)));
    EXPECT_FALSE(CADODataBase::CompactDatabase(ConnectionStringFor(m_dir.filePath(QStringLiteral("none.mdb"))),
        ConnectionStringFor(m_dir.filePath(QStringLiteral("other.mdb")))));
    EXPECT_TRUE(m_messages.Messages().empty());
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("other.mdb"))));
}

TEST_F(DataBase, TransactionsCommitAndRollBack)
{
    OpenDatabase();
    ASSERT_TRUE(m_database.BeginTrans());
    ASSERT_TRUE(m_database.Execute(QStringLiteral("DELETE FROM Words")));
    ASSERT_TRUE(m_database.RollbackTrans());
    ASSERT_TRUE(m_database.BeginTrans());
    ASSERT_TRUE(m_database.Execute(QStringLiteral("DELETE FROM Words WHERE Word = 'dog'")));
    ASSERT_TRUE(m_database.CommitTrans());
    ASSERT_TRUE(m_database.Execute(QStringLiteral("UPDATE Words SET MemoryCycle = MemoryCycle")));
    EXPECT_EQ(m_database.GetRecordsAffected(), 2);
    EXPECT_FALSE(m_database.CommitTrans()); // none open
    ExpectReport(OnlyMessage(), QStringLiteral("CADODataBase Error"), m_database.GetLastError());
    m_messages.Clear();
    EXPECT_FALSE(m_database.RollbackTrans());
    ExpectReport(OnlyMessage(), QStringLiteral("CADODataBase Error"), m_database.GetLastError());
}

TEST(ComErrorReport, FormsOfTheReport)
{
    using platform::ComError;
    EXPECT_EQ(FormatComErrorReport(QStringLiteral("Error"),
                  ComError(platform::DB_E_ERRORSINCOMMAND, QStringLiteral("Syntax error in FROM clause."),
                      QStringLiteral("Microsoft JET Database Engine"))),
        QStringLiteral("Error\r\nCode = 80040e14\r\nCode meaning = IDispatch error #3092\r\n"
                       "Source = Microsoft JET Database Engine\r\nDescription = Syntax error in FROM clause.\r\n"));
    EXPECT_EQ(FormatComErrorReport(QStringLiteral("CADOCommand Error"), ComError(platform::MakeHr(0x80040200u))),
        QStringLiteral("CADOCommand Error\r\nCode = 80040200\r\nCode meaning = Unknown error 0x80040200\r\n"
                       "Source = (null)\r\nDescription = (null)\r\n"));
    EXPECT_EQ(FormatComErrorReport(QStringLiteral("CADOParameter Error"),
                  ComError(platform::adErrInvalidArgument, QString(), QStringLiteral("ADODB.Parameter"))),
        QStringLiteral("CADOParameter Error\r\nCode = 800a0bb9\r\nCode meaning = Unknown error 0x800A0BB9\r\n"
                       "Source = ADODB.Parameter\r\nDescription = \r\n"));
    // The system text loses its line end: the meaning runs straight into the next line.
    EXPECT_TRUE(FormatComErrorReport(QStringLiteral("Error"), ComError(platform::E_POINTER))
                    .contains(QStringLiteral("Code meaning = Invalid pointer\r\nSource = ")));
    EXPECT_TRUE(FormatComErrorReport(QStringLiteral("Error"), ComError(platform::MakeHr(0x0000ABCDu)))
                    .contains(QStringLiteral("Code = 0000abcd\r\nCode meaning = Unknown error 0xABCD\r\n")));
}

TEST(CADOException, ThrownWithCodeAndText)
{
    try {
        ThrowADOException(42, QStringLiteral("no such word"));
        FAIL() << "ThrowADOException returned";
    } catch (const CADOException& e) {
        EXPECT_EQ(e.m_lErrorCode, 42);
        EXPECT_EQ(e.m_strError, QStringLiteral("no such word"));
    }
    EXPECT_THROW(ThrowADOException(-1, QString()), std::exception);
}
