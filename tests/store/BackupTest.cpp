// The start-up backup: the backup's
// name at a fixed clock, the three failure messages, starts within one
// second and the next, a race of several starts for one name, each route
// that places the copy, and copies that fail part-way leaving nothing
// behind.
#include "platform/Clock.h"
#include "platform/ExecutablePath.h"
#include "platform/MessageBox.h"
#include "store/BackupCopyFaults.h"
#include "store/CWordStore.h"
#include "store/DataFileSchema.h"
#include "store/RawDataFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
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
        ASSERT_TRUE(WriteFileBytes(Path(name), bytes));
    }
    QByteArray ReadFile(const QString& name) const { return FileBytes(Path(name)); }

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

// The copy under the clock's name, with the data file's times and
// permissions; a second start in the same second finds the name taken and
// never overwrites it, the next second's start makes its own.
TEST_F(BackupTest, CopiesTheDataFileUnderTheTimeStampedNameOncePerSecond)
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
    const QFileInfo original(Path("db.mdb")), copy(Path("Backup/db.2024.03.05.07.04.09.MDB"));
    EXPECT_TRUE(copy.lastModified() == original.lastModified() && copy.permissions() == original.permissions());

    WriteFile(QStringLiteral("db.mdb"), "second");
    EXPECT_FALSE(m_store.BackupDataFile());
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0].text, kCopyFailed);
    EXPECT_EQ(ReadFile(QStringLiteral("Backup/db.2024.03.05.07.04.09.MDB")), data);

    platform::Clock::Advance(1);
    EXPECT_TRUE(m_store.BackupDataFile());
    EXPECT_EQ(ReadFile(QStringLiteral("Backup/db.2024.03.05.07.04.10.MDB")), QByteArray("second"));
    EXPECT_EQ(BackupEntries().size(), 2);
    EXPECT_EQ(m_messages.Messages().size(), 1u);
}

// Starts that cannot make the copy: each shows its one message and leaves
// nothing in Backup/. Each case starts from an executable in a folder of
// its own, but the last, whose executable's folder is unknown.
TEST_F(BackupTest, FailedStartsShowTheirMessageAndLeaveNothing)
{
    const struct {
        const char* what;
        std::function<void(const QString& folder)> prepare;
        QString message;
    } cases[] = {
        { "no data file", [](const QString&) {}, kCopyFailed },
        { "a plain file named Backup",
            [](const QString& folder) {
                WriteFileBytes(folder + "/db.mdb", "data");
                WriteFileBytes(folder + "/Backup", "not a folder");
            },
            kCreateFailed },
        // A folder opens but cannot be read; a dangling link cannot be
        // opened at all; a pipe would block a plain copy forever.
        { "a folder as the data file", [](const QString& folder) { QDir(folder).mkdir("db.mdb"); }, kCopyFailed },
        { "a dangling link as the data file",
            [](const QString& folder) { QFile::link(folder + "/nowhere", folder + "/db.mdb"); }, kCopyFailed },
        { "a pipe as the data file",
            [](const QString& folder) { ::mkfifo(QFile::encodeName(folder + "/db.mdb").constData(), 0600); },
            kCopyFailed },
        { "no executable folder", [](const QString&) {}, kNoDataFile },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString folder = Path(c.what);
        ASSERT_TRUE(QDir().mkdir(folder));
        c.prepare(folder);
        // (Reading a pipe would wait for a writer.)
        const auto dataBytes
            = [&] { return QFileInfo(folder + "/db.mdb").isFile() ? FileBytes(folder + "/db.mdb") : QByteArray(); };
        const QByteArray before = dataBytes();
        const bool unknown = c.message == kNoDataFile;
        platform::SetExecutableFilePathForTesting(
            unknown ? std::optional<QString>() : std::optional<QString>(folder + "/lexitrain"));
        m_messages.Clear();

        EXPECT_FALSE(m_store.BackupDataFile());

        ASSERT_EQ(m_messages.Messages().size(), 1u);
        EXPECT_EQ(m_messages.Messages()[0].text, c.message);
        EXPECT_EQ(m_messages.Messages()[0].flags, platform::MB_ICONERROR);
        EXPECT_EQ(dataBytes(), before);
        const QFileInfo backup(folder + "/Backup");
        if (c.message == kCreateFailed)
            EXPECT_EQ(FileBytes(folder + "/Backup"), QByteArray("not a folder"));
        else if (unknown)
            EXPECT_FALSE(backup.exists());
        else
            EXPECT_TRUE(backup.isDir()
                && QDir(backup.filePath()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }
}

// Each route that places the copy, forced in turn as on a system that lacks
// the routes before it, and on each the ways a copy goes wrong: another
// start taking the name just before the copy is placed (two starts racing
// in one second), a full disk, a failing flush, a file-size limit. A copy
// that fails shows the copy's message, publishes nothing under the final
// name, replaces nothing, leaves no temporary file and gives up at once:
// each copy runs in a child process that an alarm would kill.
TEST_F(BackupTest, EveryRoutePlacesTheCopyAndEveryFailureLeavesNothing)
{
    CreateDataFile(Path(QStringLiteral("db.mdb")));
    ASSERT_TRUE(RawDataFile(Path(QStringLiteral("db.mdb")), true).AddLongWords(QStringLiteral("big"), 40));
    const QByteArray data = ReadFile(QStringLiteral("db.mdb"));
    ASSERT_GT(data.size(), 200 * 1024);
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("Backup")));
    const QString name = QStringLiteral("db.2024.03.05.07.04.09.MDB");
    const QString path = Path(QStringLiteral("Backup/") + name);

    using Route = BackupCopyFaults::Route;
    enum Fault { kNone, kNameTaken, kDiskFull, kFailingFlush, kSizeLimit };
    constexpr int kFailedAsACopy = 100;
    for (const Route route :
        { Route::UnnamedThroughProc, Route::UnnamedByDescriptor, Route::RenameNoReplace, Route::HardLink }) {
        for (const Fault fault : { kNone, kNameTaken, kDiskFull, kFailingFlush, kSizeLimit }) {
            SCOPED_TRACE(testing::Message() << "route " << int(route) << ", fault " << fault);
            QFile::remove(path);
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                ::alarm(20);
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit { 64 * 1024, 64 * 1024 };
                if (fault == kSizeLimit)
                    ::setrlimit(RLIMIT_FSIZE, &limit);
                BackupCopyFaults faults;
                faults.noUnnamedFiles = route == Route::RenameNoReplace || route == Route::HardLink;
                faults.noRenameNoReplace = route == Route::HardLink;
                faults.noProc = route == Route::UnnamedByDescriptor;
                faults.diskFull = fault == kDiskFull;
                faults.failingFlush = fault == kFailingFlush;
                if (fault == kNameTaken)
                    faults.beforePlacing = [&] { WriteFileBytes(path, "taken"); };
                SetBackupCopyFaultsForTesting(&faults);
                platform::RecordingMessageSink messages;
                if (m_store.BackupDataFile())
                    ::_exit(int(faults.placedBy));
                ::_exit(messages.Messages().size() == 1 && messages.Messages()[0].text == kCopyFailed
                        ? kFailedAsACopy
                        : kFailedAsACopy + 1);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status)) << "the copy did not end by itself";
            EXPECT_EQ(WEXITSTATUS(status), fault == kNone ? int(route) : kFailedAsACopy);
            const bool placed = fault == kNone || fault == kNameTaken;
            EXPECT_EQ(BackupEntries(), placed ? QStringList { name } : QStringList());
            EXPECT_EQ(FileBytes(path), fault == kNone ? data : QByteArray(placed ? "taken" : "<missing>"));
        }
    }
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
        EXPECT_EQ(ReadFile(QStringLiteral("Backup/db.2024.03.05.07.04.11.MDB")).mid(18, 2), QByteArray("\x01\x01"));
    }
    // A file left in WAL mode opens, in the rollback journal from then on.
    EXPECT_TRUE(m_store.OpenDatabase());
    m_store.CloseDatabase();
    EXPECT_EQ(RawDataFile(data).WordCounts(), LongWords(QStringLiteral("wal"), 5));
    EXPECT_EQ(RawDataFile(data).Column("PRAGMA journal_mode"), QStringList { QStringLiteral("delete") });
    EXPECT_TRUE(m_messages.Messages().empty());
}

} // namespace
