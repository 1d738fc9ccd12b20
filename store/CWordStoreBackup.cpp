// Where the data file lies and the copy of it that every start makes. The
// data file is db.mdb beside the executable; each start copies it to
// Backup/db.YYYY.MM.DD.hh.mm.ss.MDB beside it before the trainer's own
// connection opens it.
//
// The copy holds exactly the last committed state, never the bytes of the
// moment: a write cut short by a crash is rolled back first, another
// process's write waits until the copy is made, and a file in WAL mode is
// copied with the WAL's committed pages (engine/DatabaseFileCopy.h).
//
// The copy is the one place where the program writes a file other than the
// data file, so it is made with care: it never replaces an existing file,
// not even when two starts race for the same name (the copy is made under no
// name or a temporary one, then linked into place, which fails when the name
// is taken); a copy that fails part-way (read error, disk full) leaves
// nothing behind; and the copy, its folder and a Backup folder just made
// are flushed to disk before the data file is opened, so that a crash
// right after start-up cannot leave a backup that looks complete but is
// not.
//
// Only one of the routes that place the copy runs on a given system; tests
// force each of them, and failing writes and flushes, through
// store/BackupCopyFaults.h.
#include "engine/ado/DatabaseFileCopy.h"
#include "platform/Clock.h"
#include "platform/FileName.h"
#include "platform/MessageBox.h"
#include "store/BackupCopyFaults.h"
#include "store/CWordStore.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

BackupCopyFaults* g_faults = nullptr;

// True, with errno set to error as the system would set it, when a test
// has forced this fault.
bool Forced(bool BackupCopyFaults::*fault, int error)
{
    if (!g_faults || !(g_faults->*fault))
        return false;
    errno = error;
    return true;
}

// A file descriptor owned by one scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    void Reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// A named temporary file that is removed unless it was given its final name.
class TemporaryName {
public:
    TemporaryName(int dirFd, QByteArray name)
        : m_dirFd(dirFd)
        , m_name(std::move(name))
    {
    }
    ~TemporaryName()
    {
        if (!m_name.isEmpty())
            ::unlinkat(m_dirFd, m_name.constData(), 0);
    }
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;

    const char* Get() const { return m_name.constData(); }
    void Release() { m_name.clear(); }

private:
    int m_dirFd;
    QByteArray m_name;
};

// Flushes a folder's entries. File systems that cannot flush a folder say
// EINVAL; there is nothing more to be had there.
bool SyncFolder(int dirFd)
{
    return ::fsync(dirFd) == 0 || errno == EINVAL;
}

// Flushes the folder that holds path, so that a folder just made there
// survives a power cut together with the first file put into it.
bool SyncParentFolder(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray parent = slash <= 0 ? QByteArray("/") : path.left(slash);
    const FileDescriptor folder(::open(parent.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder.IsOpen() && SyncFolder(folder.Get());
}

// How long the copy waits for another process's write to finish, as the
// data file's own connection does.
constexpr int kLockTimeoutSeconds = 15;

// Copies the last committed state of source to a new file target; false,
// leaving no file at target and no temporary file beside it, when source is
// not a readable regular file, when target exists, when that state cannot
// be read, or when any read, write or flush fails.
bool CopyToNewFile(const QString& source, const QString& target)
{
    const QByteArray sourcePath = platform::EncodeFileName(source);
    const QByteArray targetPath = platform::EncodeFileName(target);
    const qsizetype slash = targetPath.lastIndexOf('/');
    const QByteArray folderPath = slash == 0 ? QByteArray("/") : targetPath.left(slash);
    const QByteArray targetName = targetPath.mid(slash + 1);

    // Non-blocking, so that a pipe under the data file's name cannot hang
    // the start; it is refused below as not a regular file.
    FileDescriptor in(::open(sourcePath.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat sourceStat { };
    if (!in.IsOpen() || ::fstat(in.Get(), &sourceStat) != 0 || !S_ISREG(sourceStat.st_mode))
        return false;
    ::fcntl(in.Get(), F_SETFL, ::fcntl(in.Get(), F_GETFL) & ~O_NONBLOCK);

    FileDescriptor folder(::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsOpen())
        return false;
    // Placing the copy below is what guarantees no overwrite; this only
    // spares copying a large file for a name that is already taken.
    if (::faccessat(folder.Get(), targetName.constData(), F_OK, AT_SYMLINK_NOFOLLOW) == 0)
        return false;

    // An unnamed file in the folder where the file system has them: it
    // vanishes by itself if anything fails before it is linked. Elsewhere a
    // hidden temporary name, removed on failure.
    std::optional<TemporaryName> temporary;
    FileDescriptor out(Forced(&BackupCopyFaults::noUnnamedFiles, EOPNOTSUPP)
            ? -1
            : ::openat(folder.Get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (!out.IsOpen()) {
        QByteArray pattern = folderPath + "/.db.mdb.backup.XXXXXX";
        out.Reset(::mkostemp(pattern.data(), O_CLOEXEC));
        if (!out.IsOpen())
            return false;
        temporary.emplace(folder.Get(), pattern.mid(folderPath.size() + 1));
    }
    if (g_faults && g_faults->diskFull) {
        const FileDescriptor full(::open("/dev/full", O_WRONLY | O_CLOEXEC));
        if (!full.IsOpen() || ::dup3(full.Get(), out.Get(), O_CLOEXEC) < 0)
            return false;
    }

    // in stays open until the copy is placed: closing it while the copy's
    // own connection holds its read lock would drop that lock.
    if (!engine::CopyDatabaseFile(source, in.Get(), out.Get(), kLockTimeoutSeconds))
        return false;
    // The copy keeps the data file's permissions and times, as a file copy
    // does; neither matters enough to fail the start over.
    ::fchmod(out.Get(), sourceStat.st_mode & 07777);
    const struct timespec times[2] = { sourceStat.st_atim, sourceStat.st_mtim };
    ::futimens(out.Get(), times);
    if (Forced(&BackupCopyFaults::failingFlush, EIO) || ::fsync(out.Get()) != 0)
        return false;

    if (g_faults && g_faults->beforePlacing)
        g_faults->beforePlacing();
    using Route = BackupCopyFaults::Route;
    Route placed = Route::None;
    if (temporary) {
        if (!Forced(&BackupCopyFaults::noRenameNoReplace, EINVAL)
            && ::renameat2(folder.Get(), temporary->Get(), folder.Get(), targetName.constData(), RENAME_NOREPLACE)
                == 0) {
            placed = Route::RenameNoReplace;
            temporary->Release();
        } else if (errno == EINVAL // no RENAME_NOREPLACE here; a hard link refuses a taken name as well
            && ::linkat(folder.Get(), temporary->Get(), folder.Get(), targetName.constData(), 0) == 0) {
            placed = Route::HardLink;
        }
    } else {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(out.Get());
        if (!Forced(&BackupCopyFaults::noProc, ENOENT)
            && ::linkat(AT_FDCWD, self.constData(), folder.Get(), targetName.constData(), AT_SYMLINK_FOLLOW) == 0)
            placed = Route::UnnamedThroughProc;
        else if (errno == ENOENT // no /proc
            && ::linkat(out.Get(), "", folder.Get(), targetName.constData(), AT_EMPTY_PATH) == 0)
            placed = Route::UnnamedByDescriptor;
    }
    if (placed == Route::None)
        return false;
    if (g_faults)
        g_faults->placedBy = placed;
    if (!SyncFolder(folder.Get())) {
        ::unlinkat(folder.Get(), targetName.constData(), 0);
        return false;
    }
    return true;
}

} // namespace

void SetBackupCopyFaultsForTesting(BackupCopyFaults* faults)
{
    g_faults = faults;
}

bool CWordStore::GetDataFilePath(const QString& lpszName, QString& strPath)
{
    const std::optional<QString> path = m_location.Resolve(lpszName);
    if (!path)
        return false;
    strPath = *path;
    return true;
}

bool CWordStore::BackupDataFile()
{
    m_nMode = modeNone;
    QString strDataFile;
    if (!GetDataFilePath(QStringLiteral("db.mdb"), strDataFile)) {
        platform::ShowMessage(QStringLiteral("Error: Falied to get data file."), platform::MB_ICONERROR);
        return false;
    }
    QString strBackupDir;
    GetDataFilePath(QStringLiteral("Backup"), strBackupDir);

    const QByteArray backupDir = platform::EncodeFileName(strBackupDir);
    struct stat dirStat { };
    if (::stat(backupDir.constData(), &dirStat) != 0 || !S_ISDIR(dirStat.st_mode)) {
        // A start that loses a race to create the folder finds it made.
        const bool made = (::mkdir(backupDir.constData(), 0777) == 0 && SyncParentFolder(backupDir))
            || (errno == EEXIST && ::stat(backupDir.constData(), &dirStat) == 0 && S_ISDIR(dirStat.st_mode));
        if (!made) {
            platform::ShowMessage(
                QStringLiteral("Error: Failed to backup data file. (CreateDirectory)"), platform::MB_ICONERROR);
            return false;
        }
    }

    const QDateTime now = platform::Clock::Now();
    const QString strName = QString::asprintf("Backup/db.%04d.%02d.%02d.%02d.%02d.%02d.MDB", now.date().year(),
        now.date().month(), now.date().day(), now.time().hour(), now.time().minute(), now.time().second());
    QString strBackupFile;
    GetDataFilePath(strName, strBackupFile);
    if (!CopyToNewFile(strDataFile, strBackupFile)) {
        platform::ShowMessage(QStringLiteral("Error: Failed to backup data file. (CopyFile)"), platform::MB_ICONERROR);
        return false;
    }
    return true;
}
