// JetEngine: making new data files and compacted copies. Either way the
// new file is written under a temporary name beside its destination,
// synced, and then linked to its final name, which fails rather than
// replaces when that name exists; so a destination never holds a partial
// file, and an existing file is never overwritten.
#include "engine/ado/JetEngine.h"

#include "engine/ado/ConnectionStringParts.h"
#include "engine/sqlite/SqliteError.h"
#include "engine/sqlite/SqliteHandles.h"
#include "platform/FileName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {

namespace {

// The application id this engine writes into the files it makes ("JET1"),
// so that a file can be told to come from it.
constexpr int kApplicationId = 0x4A455431;

QString Errno()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A temporary file beside the destination; removed unless kept.
class TempFile {
public:
    explicit TempFile(const QString& destination)
    {
        const QFileInfo info(destination);
        QByteArray pattern = platform::EncodeFileName(
            info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".new-XXXXXX"));
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0)
            ThrowJet(platform::E_FAIL,
                QStringLiteral("Cannot make a temporary file beside '%1': %2.").arg(destination, Errno()));
        // mkstemp makes the file private; a data file gets the permissions
        // any new file of the user would get.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        ::close(fd);
        m_path = pattern;
    }
    ~TempFile()
    {
        if (!m_path.isEmpty())
            ::unlink(m_path.constData());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const QByteArray& NativePath() const { return m_path; }
    QString Path() const { return platform::DecodeFileName(m_path); }

private:
    QByteArray m_path;
};

void SyncPath(const QByteArray& path, const QString& shown)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const QString why = Errno();
        if (fd >= 0)
            ::close(fd);
        ThrowJet(platform::E_FAIL, QStringLiteral("Cannot write '%1' to disk: %2.").arg(shown, why));
    }
    ::close(fd);
}

// Gives the synced temporary file its final name, refusing an existing one.
void Publish(const TempFile& temp, const QString& destination)
{
    SyncPath(temp.NativePath(), destination);
    const QByteArray target = platform::EncodeFileName(destination);
    if (::link(temp.NativePath().constData(), target.constData()) != 0) {
        if (errno == EEXIST)
            ThrowJet(platform::E_FAIL, QStringLiteral("Database '%1' already exists.").arg(destination));
        ThrowJet(platform::E_FAIL, QStringLiteral("Cannot write '%1': %2.").arg(destination, Errno()));
    }
    SyncPath(platform::EncodeFileName(QFileInfo(destination).absolutePath()), QFileInfo(destination).absolutePath());
}

QString RequireNewFile(const QString& connection, const char* object)
{
    const ConnectionStringParts parsed = ConnectionStringParts::Parse(connection);
    parsed.RequireJet(object);
    const QFileInfo info(platform::AbsoluteFileName(parsed.DataSource()));
    const QString path = info.absoluteFilePath();
    if (platform::FileExists(path) || platform::IsLink(path))
        ThrowJet(platform::E_FAIL, QStringLiteral("Database '%1' already exists.").arg(path));
    if (!platform::IsFolder(info.absolutePath()))
        ThrowJet(platform::E_FAIL,
            QStringLiteral("'%1' is not a valid path.  Make sure that the path name is spelled "
                           "correctly and that the folder exists.")
                .arg(info.absolutePath()));
    return path;
}

DatabaseHandle OpenFile(const QString& path, int flags)
{
    sqlite3* raw = nullptr;
    const int rc
        = sqlite3_open_v2(platform::EncodeFileName(path).constData(), &raw, flags | SQLITE_OPEN_EXRESCODE, nullptr);
    DatabaseHandle db(raw);
    if (rc != SQLITE_OK)
        throw SqliteError(rc, QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)), path);
    sqlite3_extended_result_codes(raw, 1);
    return db;
}

} // namespace

std::shared_ptr<JetEngine> JetEngine::Create()
{
    return std::make_shared<JetEngine>();
}

void JetEngine::CreateDatabase(const QString& connectionString)
{
    const QString path = RequireNewFile(connectionString, "JetEngine");
    TempFile temp(path);
    {
        DatabaseHandle db = OpenFile(temp.Path(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        ExecuteDirect(db.get(), "PRAGMA journal_mode=DELETE");
        ExecuteDirect(db.get(), "PRAGMA synchronous=FULL");
        // Writing the header makes the empty file a database file.
        ExecuteDirect(db.get(), QByteArray("PRAGMA application_id=" + QByteArray::number(kApplicationId)).constData());
    }
    Publish(temp, path);
}

void JetEngine::CompactDatabase(const QString& sourceConnection, const QString& destConnection)
{
    const ConnectionStringParts source = ConnectionStringParts::Parse(sourceConnection);
    source.RequireJet("JetEngine");
    const QString sourcePath = QFileInfo(platform::AbsoluteFileName(source.DataSource())).absoluteFilePath();
    if (!platform::FileExists(sourcePath) || platform::IsFolder(sourcePath))
        ThrowJet(platform::E_FAIL, QStringLiteral("Could not find file '%1'.").arg(sourcePath));
    if (platform::FileSize(sourcePath) == 0)
        ThrowJet(platform::E_FAIL, QStringLiteral("'%1' is not a database file.").arg(sourcePath));
    const QString destPath = RequireNewFile(destConnection, "JetEngine");

    DatabaseHandle db = OpenFile(sourcePath, SQLITE_OPEN_READWRITE);
    try {
        Statement schema(db.get(), QByteArray("SELECT count(*) FROM sqlite_master"));
        schema.Step();
    } catch (const platform::ComError&) {
        const int code = sqlite3_extended_errcode(db.get());
        throw SqliteError(code, QString::fromUtf8(sqlite3_errmsg(db.get())), sourcePath);
    }
    TempFile temp(destPath);
    Statement vacuum(db.get(), QByteArray("VACUUM INTO ?"));
    vacuum.Bind(1, StoredValue::MakeText(temp.NativePath()));
    vacuum.Step();
    Publish(temp, destPath);
}

} // namespace engine
