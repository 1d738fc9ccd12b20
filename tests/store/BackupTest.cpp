// The start-up backup and the paths beside the executable: the backup's
// name at a fixed clock, the three failure messages, starts within one
// second and the next, a race of several starts for one name, and copies
// that fail part-way leaving nothing behind.
#include "platform/Clock.h"
#include "platform/ExecutablePath.h"
#include "platform/MessageBox.h"
#include "store/CWordStore.h"
#include "store/DataFileSchema.h"
#include "store/RawDataFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kCopyFailed = QStringLiteral("Error: Failed to backup data file. (CopyFile)");
const QString kCreateFailed = QStringLiteral("Error: Failed to backup data file. (CreateDirectory)");
const QString kNoDataFile = QStringLiteral("Error: Falied to get data file.");

class BackupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        platform::SetExecutableFilePathForTesting(m_dir.filePath(QStringLiteral("lexitrain")));
        platform::Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(7, 4, 9)));
    }
    void TearDown() override
    {
        platform::ClearExecutableFilePathOverride();
        platform::Clock::Reset();
    }

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    void WriteFile(const QString& name, const QByteArray& bytes) const
    {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    QByteArray ReadFile(const QString& name) const
    {
        QFile f(Path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    // Every entry of Backup/, hidden ones included, so that a leftover
    // temporary file shows.
    QStringList BackupEntries() const
    {
        return QDir(Path(QStringLiteral("Backup")))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir m_dir;
    platform::RecordingMessageSink m_messages;
    CWordStore m_store;
};

TEST_F(BackupTest, CopiesTheDataFileUnderTheTimeStampedName)
{
    const QByteArray data("SQLite format 3\0 and some pages", 31);
    WriteFile(QStringLiteral("db.mdb"), data);
    m_store.m_nMode = CWordStore::modeReview;

    EXPECT_TRUE(m_store.BackupDataFile());

    EXPECT_TRUE(m_messages.Messages().empty());
    EXPECT_EQ(m_store.m_nMode, CWordStore::modeNone);
    EXPECT_EQ(BackupEntries(), QStringList { QStringLiteral("db.2024.03.05.07.04.09.MDB") });
    EXPECT_EQ(ReadFile(QStringLiteral("Backup/db.2024.03.05.07.04.09.MDB")), data);
    EXPECT_EQ(ReadFile(QStringLiteral("db.mdb")), data);
    const QFileInfo original(Path(QStringLiteral("db.mdb")));
    const QFileInfo copy(Path(QStringLiteral("Backup/db.2024.03.05.07.04.09.MDB")));
    EXPECT_EQ(copy.lastModified(), original.lastModified());
    EXPECT_EQ(copy.permissions(), original.permissions());
}

TEST_F(BackupTest, MissingDataFileMakesTheFolderAndFailsTheCopy)
{
    EXPECT_FALSE(m_store.BackupDataFile());

    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0].text, kCopyFailed);
    EXPECT_EQ(m_messages.Messages()[0].flags, platform::MB_ICONERROR);
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("Backup"))).isDir());
    EXPECT_TRUE(BackupEntries().isEmpty());
}

TEST_F(BackupTest, PlainFileNamedBackupCannotBecomeTheFolder)
{
    WriteFile(QStringLiteral("db.mdb"), "data");
    WriteFile(QStringLiteral("Backup"), "not a folder");

    EXPECT_FALSE(m_store.BackupDataFile());

    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0].text, kCreateFailed);
    EXPECT_EQ(m_messages.Messages()[0].flags, platform::MB_ICONERROR);
    EXPECT_EQ(ReadFile(QStringLiteral("Backup")), QByteArray("not a folder"));
    EXPECT_EQ(ReadFile(QStringLiteral("db.mdb")), QByteArray("data"));
}

TEST_F(BackupTest, SecondStartInTheSameSecondFailsAndTheNextSecondSucceeds)
{
    WriteFile(QStringLiteral("db.mdb"), "first");
    ASSERT_TRUE(m_store.BackupDataFile());

    WriteFile(QStringLiteral("db.mdb"), "second");
    EXPECT_FALSE(m_store.BackupDataFile());
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0].text, kCopyFailed);
    // The earlier backup is never overwritten.
    EXPECT_EQ(ReadFile(QStringLiteral("Backup/db.2024.03.05.07.04.09.MDB")), QByteArray("first"));

    platform::Clock::Advance(1);
    EXPECT_TRUE(m_store.BackupDataFile());
    EXPECT_EQ(ReadFile(QStringLiteral("Backup/db.2024.03.05.07.04.10.MDB")), QByteArray("second"));
    EXPECT_EQ(BackupEntries().size(), 2);
    EXPECT_EQ(m_messages.Messages().size(), 1u);
}

TEST_F(BackupTest, StartsRacingForOneNameMakeExactlyOneBackup)
{
    QByteArray data(3 << 20, 'x'); // large enough for the copies to overlap
    for (int i = 0; i < data.size(); i += 4096)
        data[i] = static_cast<char>('a' + (i / 4096) % 26);
    WriteFile(QStringLiteral("db.mdb"), data);
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("Backup")));

    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    constexpr int kStarts = 4;
    pid_t children[kStarts];
    for (pid_t& child : children) {
        child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(gate[1]);
            char c;
            (void)!::read(gate[0], &c, 1); // returns at end of file, when every start is ready
            ::_exit(m_store.BackupDataFile() ? 0 : 1);
        }
    }
    ::close(gate[0]);
    ::close(gate[1]);
    int succeeded = 0;
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        succeeded += WEXITSTATUS(status) == 0 ? 1 : 0;
    }

    EXPECT_EQ(succeeded, 1);
    EXPECT_EQ(BackupEntries(), QStringList { QStringLiteral("db.2024.03.05.07.04.09.MDB") });
    EXPECT_EQ(ReadFile(QStringLiteral("Backup/db.2024.03.05.07.04.09.MDB")), data);
}

TEST_F(BackupTest, CopyThatCannotReadTheDataFileLeavesNothingBehind)
{
    // A folder under the data file's name opens but cannot be read; a
    // dangling link cannot be opened at all; a pipe would block a plain
    // copy forever.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("db.mdb")));
    EXPECT_FALSE(m_store.BackupDataFile());
    EXPECT_TRUE(BackupEntries().isEmpty());
    ASSERT_TRUE(QDir(m_dir.path()).rmdir(QStringLiteral("db.mdb")));

    ASSERT_TRUE(QFile::link(Path(QStringLiteral("nowhere")), Path(QStringLiteral("db.mdb"))));
    EXPECT_FALSE(m_store.BackupDataFile());
    EXPECT_TRUE(BackupEntries().isEmpty());
    ASSERT_TRUE(QFile::remove(Path(QStringLiteral("db.mdb"))));

    ASSERT_EQ(::mkfifo(QFile::encodeName(Path(QStringLiteral("db.mdb"))).constData(), 0600), 0);
    EXPECT_FALSE(m_store.BackupDataFile());
    EXPECT_TRUE(BackupEntries().isEmpty());

    ASSERT_EQ(m_messages.Messages().size(), 3u);
    for (const auto& m : m_messages.Messages()) {
        EXPECT_EQ(m.text, kCopyFailed);
        EXPECT_EQ(m.flags, platform::MB_ICONERROR);
    }
    ASSERT_TRUE(QFile::remove(Path(QStringLiteral("db.mdb"))));

    // A write that fails part-way (a file-size limit stands in for a full
    // disk): the copy fails at once, as a copy, and leaves nothing.
    CreateDataFile(Path(QStringLiteral("db.mdb")));
    RawDataFile(Path(QStringLiteral("db.mdb")), true).AddLongWords(QStringLiteral("big"), 40);
    ASSERT_GT(QFileInfo(Path(QStringLiteral("db.mdb"))).size(), 200 * 1024);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { 64 * 1024, 64 * 1024 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        platform::RecordingMessageSink messages;
        CWordStore store;
        const bool copied = store.BackupDataFile();
        ::_exit(!copied && messages.Messages().size() == 1 && messages.Messages()[0].text == kCopyFailed ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the limited copy did not fail with the copy's message";
    EXPECT_TRUE(BackupEntries().isEmpty()) << BackupEntries().join(u' ').toStdString();
}

// The backup is the last committed state, whatever the file looks like at
// the moment: a writer killed mid-transaction (pages in the file, the undo
// in a hot journal), a writer of another process mid-transaction while the
// copy is made, and a file in WAL mode whose committed pages are still in
// its -wal file. Each backup is read alone, with nothing beside it.
TEST_F(BackupTest, BackupHoldsTheLastCommittedState)
{
    const QString data = Path(QStringLiteral("db.mdb"));
    CreateDataFile(data);
    ASSERT_TRUE(RawDataFile(data, true).AddLongWords(QStringLiteral("kept"), 3));
    const auto backupWords = [&](const QString& name) {
        const RawDataFile backup(Path(QStringLiteral("Backup/") + name));
        EXPECT_EQ(backup.IntegrityCheck(), QStringLiteral("ok")) << name.toStdString();
        return backup.WordCounts();
    };

    // Killed mid-transaction, its pages spilled into the file.
    const pid_t killed = ::fork();
    ASSERT_GE(killed, 0);
    if (killed == 0) {
        const RawDataFile writer(data, true);
        writer.Exec(QStringLiteral("PRAGMA cache_size=2"));
        writer.Exec(QStringLiteral("BEGIN"));
        writer.AddLongWords(QStringLiteral("lost"), 20);
        ::raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(killed, &status, 0), killed);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_GT(QFileInfo(data + QStringLiteral("-journal")).size(), 0);
    EXPECT_TRUE(m_store.BackupDataFile());
    EXPECT_EQ(backupWords(QStringLiteral("db.2024.03.05.07.04.09.MDB")), LongWords(QStringLiteral("kept"), 3));

    // Another process mid-transaction: the copy waits for its commit.
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    const pid_t writing = ::fork();
    ASSERT_GE(writing, 0);
    if (writing == 0) {
        ::close(gate[0]);
        const RawDataFile writer(data, true);
        writer.Exec(QStringLiteral("PRAGMA cache_size=2"));
        writer.Exec(QStringLiteral("BEGIN"));
        writer.Exec(QStringLiteral("DELETE FROM NewWords"));
        writer.AddLongWords(QStringLiteral("new"), 20);
        (void)!::write(gate[1], "w", 1);
        ::usleep(300 * 1000);
        ::_exit(writer.Exec(QStringLiteral("COMMIT")) ? 0 : 1);
    }
    ::close(gate[1]);
    char c;
    ASSERT_EQ(::read(gate[0], &c, 1), 1);
    ::close(gate[0]);
    platform::Clock::Advance(1);
    EXPECT_TRUE(m_store.BackupDataFile());
    ASSERT_EQ(::waitpid(writing, &status, 0), writing);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(backupWords(QStringLiteral("db.2024.03.05.07.04.10.MDB")), LongWords(QStringLiteral("new"), 20));

    // WAL mode, the committed words still in the WAL while another
    // connection holds the file open.
    {
        const RawDataFile wal(data, true);
        ASSERT_TRUE(wal.Exec(QStringLiteral("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;")));
        ASSERT_TRUE(wal.Exec(QStringLiteral("DELETE FROM NewWords")));
        ASSERT_TRUE(wal.AddLongWords(QStringLiteral("wal"), 5));
        ASSERT_GT(QFileInfo(data + QStringLiteral("-wal")).size(), 0);
        platform::Clock::Advance(1);
        EXPECT_TRUE(m_store.BackupDataFile());
        EXPECT_EQ(backupWords(QStringLiteral("db.2024.03.05.07.04.11.MDB")), LongWords(QStringLiteral("wal"), 5));
        // The copy needs no WAL beside it: it is a rollback-journal file.
        QFile copy(Path(QStringLiteral("Backup/db.2024.03.05.07.04.11.MDB")));
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.read(20).mid(18), QByteArray("\x01\x01"));
    }
    // A file left in WAL mode opens, in the rollback journal from then on.
    EXPECT_TRUE(m_store.OpenDatabase());
    m_store.CloseDatabase();
    EXPECT_EQ(RawDataFile(data).WordCounts(), LongWords(QStringLiteral("wal"), 5));
    EXPECT_EQ(RawDataFile(data).Column("PRAGMA journal_mode"), QStringList { QStringLiteral("delete") });
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(BackupTest, UnknownExecutableFolderIsReportedAsNoDataFile)
{
    platform::SetExecutableFilePathForTesting(std::nullopt);
    QString path = QStringLiteral("unchanged");
    EXPECT_FALSE(m_store.GetDataFilePath(QStringLiteral("db.mdb"), path));
    EXPECT_EQ(path, QStringLiteral("unchanged"));

    EXPECT_FALSE(m_store.BackupDataFile());
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0].text, kNoDataFile);
    EXPECT_EQ(m_messages.Messages()[0].flags, platform::MB_ICONERROR);
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("Backup"))));

    // A path with no folder in it has nothing to take off either.
    platform::SetExecutableFilePathForTesting(QStringLiteral("lexitrain"));
    EXPECT_FALSE(m_store.GetDataFilePath(QStringLiteral("db.mdb"), path));
    EXPECT_EQ(path, QStringLiteral("unchanged"));
}

TEST_F(BackupTest, PathsAreFormedBesideTheExecutable)
{
    QString path;
    ASSERT_TRUE(m_store.GetDataFilePath(QStringLiteral("db.mdb"), path));
    EXPECT_EQ(path, m_dir.path() + QStringLiteral("/db.mdb"));
    ASSERT_TRUE(m_store.GetDataFilePath(QStringLiteral("Backup/db.x.MDB"), path));
    EXPECT_EQ(path, m_dir.path() + QStringLiteral("/Backup/db.x.MDB"));

    // An executable in the root: the separator doubles, and the path works.
    platform::SetExecutableFilePathForTesting(QStringLiteral("/lexitrain"));
    ASSERT_TRUE(m_store.GetDataFilePath(QStringLiteral("db.mdb"), path));
    EXPECT_EQ(path, QStringLiteral("//db.mdb"));
}

} // namespace
