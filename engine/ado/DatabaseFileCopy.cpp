// The committed-state copy of a data file. A connection of its own opens
// the file (which rolls back a hot journal) and holds a read transaction
// for the length of the copy: in rollback mode a writer needs an exclusive
// lock to touch the file, which it cannot get while the read lock stands,
// so the bytes copied are one committed state. In WAL mode the file alone
// is not that state, and the pages are read through SQLite instead.
#include "engine/ado/DatabaseFileCopy.h"

#include "engine/sqlite/SqliteHandles.h"
#include "platform/FileName.h"

#include <array>
#include <cerrno>
#include <climits>
#include <linux/fs.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace engine {

namespace {

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool ReadAndWrite(int from, int to)
{
    std::array<char, 1 << 16> buffer;
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            return true;
        if (!WriteAll(to, buffer.data(), static_cast<size_t>(got)))
            return false;
    }
}

// The cheapest copy the file system offers: shared blocks (copy-on-write
// file systems), then a copy inside the kernel, then plain reads and
// writes where neither is supported between these two files.
bool CopyBytes(int from, int to)
{
    if (::ioctl(to, FICLONE, from) == 0)
        return true;
    bool copiedAny = false;
    for (;;) {
        const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, size_t(1) << 30, 0);
        if (n > 0) {
            copiedAny = true;
            continue;
        }
        if (n == 0)
            return true;
        if (errno == EINTR)
            continue;
        // Not supported here: only an untouched target may start over.
        if (!copiedAny && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
            break;
        return false;
    }
    return ::lseek(from, 0, SEEK_SET) == 0 && ReadAndWrite(from, to);
}

// The committed pages of a WAL-mode file, as one rollback-mode image.
bool CopyThroughSqlite(sqlite3* db, int to)
{
    sqlite3_int64 size = 0;
    unsigned char* image = sqlite3_serialize(db, "main", &size, 0);
    if (!image)
        return false;
    // Bytes 18 and 19 name the journal mode the file is read and written
    // in; 1 is the rollback journal, so that the copy is complete without
    // a -wal file beside it.
    if (size >= 20) {
        image[18] = 1;
        image[19] = 1;
    }
    const bool written = WriteAll(to, reinterpret_cast<const char*>(image), size_t(size));
    sqlite3_free(image);
    return written;
}

// Runs one statement and reads its first row's first column as text.
int StepText(sqlite3* db, const char* sql, QByteArray* text)
{
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    rc = sqlite3_step(raw);
    if (rc == SQLITE_ROW && text)
        *text = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)));
    sqlite3_finalize(raw);
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_OK : rc;
}

} // namespace

bool CopyDatabaseFile(const QString& sourcePath, int sourceFd, int out, int timeoutSeconds)
{
    sqlite3* raw = nullptr;
    // Read-write, so that SQLite may roll back a hot journal; a file this
    // user cannot write is opened read-only by SQLite itself.
    const int rc = sqlite3_open_v2(platform::EncodeFileName(sourcePath).constData(), &raw,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE, nullptr);
    const DatabaseHandle db(raw);
    if (rc != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(raw, timeoutSeconds > INT_MAX / 1000 ? INT_MAX : timeoutSeconds * 1000);

    // The read of the schema starts the read transaction; the first read
    // is also where SQLite finds and rolls back a hot journal.
    if (StepText(raw, "BEGIN", nullptr) != SQLITE_OK)
        return false;
    const int read = StepText(raw, "SELECT count(*) FROM sqlite_master", nullptr);
    if ((read & 0xFF) == SQLITE_NOTADB)
        return ReadAndWrite(sourceFd, out);
    QByteArray mode;
    if (read != SQLITE_OK || StepText(raw, "PRAGMA journal_mode", &mode) != SQLITE_OK)
        return false;

    const bool copied
        = mode.compare("wal", Qt::CaseInsensitive) == 0 ? CopyThroughSqlite(raw, out) : CopyBytes(sourceFd, out);
    StepText(raw, "COMMIT", nullptr);
    return copied;
}

} // namespace engine
