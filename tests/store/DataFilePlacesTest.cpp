// Where the data file may lie and what a user may be allowed there: folders
// whose names the connection string's syntax would cut short, or that are
// not UTF-8, and folders and files the user cannot write. The permission
// cases run as the unprivileged user nobody when the tests run as root
// (root ignores file modes, so there they would prove nothing), on folders
// that user owns.
#include "platform/Clock.h"
#include "platform/ExecutablePath.h"
#include "platform/FileName.h"
#include "platform/MessageBox.h"
#include "store/CWordStore.h"
#include "store/DataFileSchema.h"
#include "store/JetConnectionString.h"
#include "store/RawDataFile.h"
#include "support/AsUnprivilegedUser.h"

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <dirent.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const auto Native = platform::EncodeFileName; // a path's bytes

// Every entry of a folder, by its bytes.
QList<QByteArray> Entries(const QByteArray& folder)
{
    QList<QByteArray> names;
    if (DIR* d = ::opendir(folder.constData())) {
        while (const dirent* e = ::readdir(d)) {
            const QByteArray name(e->d_name);
            if (name != "." && name != "..")
                names << name;
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(DataFilePlacesTest, OddFolderNamesHoldTheirOwnDataFile)
{
    // An ordinary path gives the text the program always gave.
    EXPECT_EQ(JetConnectionString("/home/me/lexitrain/db.mdb"),
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/home/me/lexitrain/db.mdb;Persist Security Info=False;");
    EXPECT_EQ(JetConnectionString("/home/me/my words/db.mdb"),
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/home/me/my words/db.mdb;Persist Security Info=False;");

    const QByteArray folders[] = {
        "my;words",
        "a=b",
        "say \"hi\"",
        "it's",
        " both ends ",
        "trailing ",
        "caf\xe9",
        "\xff\xfe;mixed \xc3\xa9",
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray root = Native(dir.path());
    platform::Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(7, 4, 9)));
    for (const QByteArray& folder : folders) {
        SCOPED_TRACE(folder.toHex().toStdString());
        const QByteArray native = root + '/' + folder;
        ASSERT_EQ(::mkdir(native.constData(), 0700), 0);
        const QString text = platform::DecodeFileName(native);
        EXPECT_EQ(Native(text), native);

        CreateDataFile(text + "/db.mdb");
        EXPECT_EQ(Entries(native), QList<QByteArray> { "db.mdb" });
        platform::SetExecutableFilePathForTesting(text + "/lexitrain");
        platform::RecordingMessageSink messages;
        {
            CWordStore store;
            EXPECT_TRUE(store.BackupDataFile());
            ASSERT_TRUE(store.OpenDatabase());
            EXPECT_TRUE(store.AddNewWord("here", "", ""));
        }
        EXPECT_TRUE(messages.Messages().empty());
        EXPECT_EQ(Entries(native + "/Backup"), QList<QByteArray> { "db.2024.03.05.07.04.09.MDB" });
        EXPECT_EQ(RawDataFile(platform::DecodeFileName(native + "/db.mdb")).WordCounts(),
            (QHash<QString, int> { { "here", 1 } }));
    }
    // Nothing was made anywhere but in those folders.
    QList<QByteArray> expected(std::begin(folders), std::end(folders));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Entries(root), expected);
    // Qt cannot find these names to remove them.
    std::error_code ignored;
    for (const QByteArray& folder : folders)
        std::filesystem::remove_all((root + '/' + folder).toStdString(), ignored);
    platform::ClearExecutableFilePathOverride();
    platform::Clock::Reset();
}

// Each case in a folder of its own: the modes to set, then what the start
// (backup, open) must give.
TEST(DataFilePlacesTest, FilesAndFoldersTheUserCannotWrite)
{
    const struct {
        const char* name;
        mode_t folderMode;
        int backupFolderMode; // -1: no Backup folder yet
        mode_t dataMode;
        const char* outcome; // how the start ended, then what its one message says
        const char* said;
    } cases[] = {
        { "read-only-data-file", 0700, -1, 0444, "not opened: ", "cannot be written" },
        { "read-only-folder", 0500, -1, 0644, "no backup: ", "Error: Failed to backup data file. (CreateDirectory)" },
        { "read-only-folder-with-backups", 0500, 0700, 0644, "not opened: ", "rollback journal" },
        { "unwritable-backup-folder", 0700, 0500, 0644,
            "no backup: ", "Error: Failed to backup data file. (CopyFile)" },
        { "all-writable", 0700, -1, 0644, "opened and added", "" },
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_EQ(::chmod(Native(dir.path()).constData(), 0755), 0);
    platform::Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(7, 4, 9)));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = dir.filePath(c.name);
        ASSERT_TRUE(QDir().mkdir(folder));
        CreateDataFile(folder + "/db.mdb");
        ASSERT_TRUE(RawDataFile(folder + "/db.mdb", true).Exec("INSERT INTO NewWords (Word) VALUES ('kept')"));
        if (c.backupFolderMode >= 0) {
            ASSERT_TRUE(QDir().mkdir(folder + "/Backup"));
        }
        const QByteArray before = FileBytes(folder + "/db.mdb");
        ASSERT_EQ(::chmod(Native(folder + "/db.mdb").constData(), c.dataMode), 0);
        if (c.backupFolderMode >= 0) {
            ASSERT_EQ(::chmod(Native(folder + "/Backup").constData(), mode_t(c.backupFolderMode)), 0);
        }
        ASSERT_EQ(::chmod(Native(folder).constData(), c.folderMode), 0);

        QList<QByteArray> owned { Native(folder), Native(folder + "/db.mdb") };
        if (c.backupFolderMode >= 0)
            owned << Native(folder + "/Backup");
        const QString outcome = QString::fromStdString(AsUnprivilegedUser(owned, [&]() -> std::string {
            platform::SetExecutableFilePathForTesting(folder + "/lexitrain");
            platform::RecordingMessageSink messages;
            const auto shown = [&] {
                return messages.Messages().size() == 1 ? messages.Messages()[0].text.toStdString()
                                                       : std::to_string(messages.Messages().size()) + " messages";
            };
            CWordStore store;
            if (!store.BackupDataFile())
                return "no backup: " + shown();
            if (!messages.Messages().empty())
                return "a backup, and " + shown();
            if (!store.OpenDatabase())
                return "not opened: " + shown();
            return store.AddNewWord("added", "", "") ? "opened and added" : "opened, no word added";
        }));
        EXPECT_TRUE(outcome.startsWith(c.outcome) && outcome.contains(c.said)) << outcome.toStdString();
        const bool backedUp = QString(c.outcome) != "no backup: ", opened = QString(c.outcome) == "opened and added";

        ASSERT_EQ(::chmod(Native(folder).constData(), 0700), 0);
        if (backedUp) {
            const RawDataFile backup(folder + "/Backup/db.2024.03.05.07.04.09.MDB");
            EXPECT_EQ(backup.WordCounts(), (QHash<QString, int> { { "kept", 1 } }));
        } else if (QFileInfo(folder + "/Backup").isDir()) {
            EXPECT_TRUE(Entries(Native(folder + "/Backup")).isEmpty());
        }
        if (!opened) {
            EXPECT_EQ(FileBytes(folder + "/db.mdb"), before); // nothing lost, nothing changed
        }
    }
    platform::ClearExecutableFilePathOverride();
    platform::Clock::Reset();
}

} // namespace
