// The choice between the executable's folder and the per-user folder. The
// test is whether the executable's folder holds a data file or may be
// written, since that is what the backup needs: a build folder or an
// unpacked copy passes and behaves exactly as before; /usr/bin does not for
// anyone but root.
#include "store/DataFileLocation.h"

#include "platform/ComError.h"
#include "platform/ExecutablePath.h"
#include "platform/FileName.h"
#include "store/DataFileSchema.h"

#include <QDir>
#include <QStandardPaths>
#include <unistd.h>

void DataFileLocation::SetDataFile(const QString& path)
{
    m_strDataFile = path;
}

QString DataFileLocation::PerUserFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/lexitrain");
}

std::optional<QString> DataFileLocation::Folder()
{
    const std::optional<QString> executable = platform::ExecutableFilePath();
    if (!executable)
        return std::nullopt;
    const qsizetype slash = executable->lastIndexOf(u'/');
    if (slash < 0)
        return std::nullopt; // no folder to take off
    QString folder = slash == 0 ? QStringLiteral("/") : executable->left(slash);
    // A data file already beside the executable is the user's, writable
    // folder or not: a start from a read-only copy must use (and fail to
    // back up) those words, never silently switch to an empty file.
    const bool besideExecutable = platform::FileExists(folder + u'/' + QLatin1String(kDataFileName));
    if (!besideExecutable && ::access(platform::EncodeFileName(folder).constData(), W_OK) != 0) {
        folder = PerUserFolder();
        const QString dataFile = folder + u'/' + QLatin1String(kDataFileName);
        if (QDir().mkpath(folder) && !platform::FileExists(dataFile)) {
            try {
                CreateDataFile(dataFile);
            } catch (const platform::ComError&) {
                // The backup then finds no data file and says so.
            }
        }
    }
    return folder;
}

std::optional<QString> DataFileLocation::Resolve(const QString& name)
{
    if (!m_strDataFile.isEmpty()) {
        if (name == QLatin1String(kDataFileName))
            return m_strDataFile;
        const qsizetype slash = m_strDataFile.lastIndexOf(u'/');
        return (slash <= 0 ? QStringLiteral("/") : m_strDataFile.left(slash)) + u'/' + name;
    }
    const std::optional<QString> folder = Folder();
    if (!folder)
        return std::nullopt;
    // The separator is added even after "/", as the folder of an executable
    // in the root gives "//db.mdb", which the file system takes as "/db.mdb".
    return *folder + u'/' + name;
}
