// Where the store's files lie: beside an executable whose folder can be
// written (as before), in the user's own folder for one whose folder cannot
// (an installed trainer), where the first start finds an empty data file
// made for it, nowhere for an executable of no known folder, and beside any
// data file a tool names.
#include "platform/Clock.h"
#include "platform/ExecutablePath.h"
#include "platform/MessageBox.h"
#include "store/CWordStore.h"
#include "store/DataFileSchema.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace {

class DataFileLocationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_oldXdg = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("home/.local/share")));
        platform::Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(7, 4, 9)));
    }
    void TearDown() override
    {
        if (m_oldXdg.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_oldXdg);
        platform::ClearExecutableFilePathOverride();
        platform::Clock::Reset();
    }

    QTemporaryDir m_dir;
    QByteArray m_oldXdg;
    platform::RecordingMessageSink m_messages;
};

TEST_F(DataFileLocationTest, EachKindOfStartFindsItsFolder)
{
    const QString perUser = m_dir.filePath("home/.local/share/lexitrain");
    const struct {
        const char* what;
        std::optional<QString> executable;
        QString folder; // null: no path is formed
    } cases[] = {
        { "a build folder", m_dir.filePath("build/app/lexitrain"), m_dir.filePath("build/app") },
        // A folder that cannot be written: root may write anywhere, so
        // this stands in with one that is not there at all.
        { "an installed trainer", m_dir.filePath("usr/bin/lexitrain"), perUser },
        { "the root folder, the separator doubled", QStringLiteral("/lexitrain"), QStringLiteral("/") },
        { "a path with no folder", QStringLiteral("lexitrain"), QString() },
        { "an unknown executable", std::nullopt, QString() },
    };
    QDir().mkpath(m_dir.filePath("build/app"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform::SetExecutableFilePathForTesting(c.executable);
        CWordStore store;
        QString data = QStringLiteral("unchanged"), backup;
        EXPECT_EQ(store.GetDataFilePath("db.mdb", data), !c.folder.isNull());
        store.GetDataFilePath("Backup/db.x.MDB", backup);
        EXPECT_EQ(data, c.folder.isNull() ? QStringLiteral("unchanged") : c.folder + "/db.mdb");
        EXPECT_EQ(backup, c.folder.isNull() ? QString() : c.folder + "/Backup/db.x.MDB");
    }
    EXPECT_FALSE(QFile::exists(m_dir.filePath("build/app/db.mdb"))) << "a build folder's data file was made";
}

// The first installed start makes an empty data file in the user's folder
// and later starts keep it; a tool naming a data file keeps the backup
// beside that file and makes no per-user folder.
TEST_F(DataFileLocationTest, InstalledStartsKeepTheirFileAndANamedFileItsBackup)
{
    const QString named = m_dir.filePath("lists/words.sqlite");
    QDir().mkpath(m_dir.filePath("lists"));
    CreateDataFile(named);
    platform::SetExecutableFilePathForTesting(m_dir.filePath("usr/bin/lexitrain-words"));
    {
        CWordStore store;
        store.SetDataFile(named);
        QString path;
        ASSERT_TRUE(store.GetDataFilePath("db.mdb", path));
        EXPECT_EQ(path, named);
        ASSERT_TRUE(store.BackupDataFile());
        EXPECT_TRUE(QFile::exists(m_dir.filePath("lists/Backup/db.2024.03.05.07.04.09.MDB")));
        EXPECT_FALSE(QDir(m_dir.filePath("home")).exists()) << "the per-user folder was made for a named file";
    }

    platform::SetExecutableFilePathForTesting(m_dir.filePath("usr/bin/lexitrain"));
    const QString perUser = m_dir.filePath("home/.local/share/lexitrain");
    for (const bool first : { true, false }) {
        CWordStore store;
        ASSERT_TRUE(store.BackupDataFile());
        ASSERT_TRUE(store.OpenDatabase());
        EXPECT_EQ(store.AddNewWord("first", "", ""), first) << "the second start found a fresh file";
        EXPECT_TRUE(QFile::exists(perUser + "/Backup/db.2024.03.05.07.04.09.MDB"));
        platform::Clock::Advance(1);
    }
    EXPECT_TRUE(m_messages.Messages().empty());
}

} // namespace
