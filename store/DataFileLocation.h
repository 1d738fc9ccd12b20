// Where the word store's files lie: the data file db.mdb and its Backup/
// folder. A trainer run from a folder it may write keeps them beside its
// executable, as it always has. An installed trainer lives in a folder
// its user cannot write (/usr/bin), so its files go to the user's own
// data folder ($XDG_DATA_HOME/lexitrain, ~/.local/share/lexitrain by
// default), where the first start makes an empty data file. A tool may
// also point the store at any data file, whose folder then holds Backup/.
#pragma once

#include <QString>
#include <optional>

class DataFileLocation {
public:
    // The name under which the store asks for its data file.
    static constexpr const char* kDataFileName = "db.mdb";

    // Makes every name resolve beside path, and kDataFileName resolve to
    // path itself; an empty path goes back to the folder rule above.
    void SetDataFile(const QString& path);

    // The full path of a name (which may hold a sub-folder) in the store's
    // folder; absent when the executable's folder cannot be found. The
    // folder is chosen afresh on every call, as the executable's path is
    // read. A call that lands in the per-user folder makes that folder and
    // an empty data file in it when there is none yet; a failure to make
    // them is left for the backup and the open to report.
    std::optional<QString> Resolve(const QString& name);

    // The per-user folder an installed trainer uses.
    static QString PerUserFolder();

private:
    std::optional<QString> Folder();

    // The data file set by SetDataFile; empty when the folder rule holds.
    QString m_strDataFile;
};
