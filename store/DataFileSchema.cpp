// Making a new data file: an empty database under a temporary name, the
// two tables created through the engine's Jet SQL, then a compacted copy
// into the final name (the engine's copy never replaces an existing file
// and leaves no partial one), and the temporary file removed.
#include "store/DataFileSchema.h"

#include "engine/ado/Connection.h"
#include "engine/ado/JetEngine.h"
#include "platform/ComError.h"
#include "platform/FileName.h"
#include "store/JetConnectionString.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <unistd.h>

namespace {

// Removes the temporary file however the creation ends.
class TemporaryDataFile {
public:
    explicit TemporaryDataFile(QString path)
        : m_path(std::move(path))
    {
    }
    ~TemporaryDataFile()
    {
        ::unlink(platform::EncodeFileName(m_path).constData());
        ::unlink(platform::EncodeFileName(m_path + QStringLiteral("-journal")).constData());
    }
    TemporaryDataFile(const TemporaryDataFile&) = delete;
    TemporaryDataFile& operator=(const TemporaryDataFile&) = delete;
    const QString& Path() const { return m_path; }

private:
    QString m_path;
};

} // namespace

void CreateDataFile(const QString& path)
{
    const QFileInfo target(platform::AbsoluteFileName(path));
    if (platform::FileExists(target.absoluteFilePath()) || platform::IsLink(target.absoluteFilePath()))
        throw platform::ComError(platform::E_FAIL,
            QStringLiteral("Database '%1' already exists.").arg(target.absoluteFilePath()),
            QStringLiteral("Microsoft JET Database Engine"));
    const TemporaryDataFile temporary(target.absolutePath() + QStringLiteral("/.") + target.fileName()
        + QStringLiteral(".schema-") + QUuid::createUuid().toString(QUuid::Id128));
    const std::shared_ptr<engine::JetEngine> jet = engine::JetEngine::Create();
    jet->CreateDatabase(JetConnectionString(temporary.Path()));
    {
        const std::shared_ptr<engine::Connection> connection = engine::Connection::Create();
        connection->Open(JetConnectionString(temporary.Path()));
        connection->Execute(QString::fromLatin1(kCreateWordsTable), nullptr, engine::adExecuteNoRecords);
        connection->Execute(QString::fromLatin1(kCreateNewWordsTable), nullptr, engine::adExecuteNoRecords);
        connection->Close();
    }
    jet->CompactDatabase(JetConnectionString(temporary.Path()), JetConnectionString(target.absoluteFilePath()));
}
