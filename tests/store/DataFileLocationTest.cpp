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
#include <cstdlib>
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

TEST_F(DataFileLocationTest, FirstInstalledStartMakesAnEmptyDataFileAndLaterStartsKeepIt)
{
    platform::SetExecutableFilePathForTesting(m_dir.filePath("usr/bin/lexitrain"));
    const QString perUser = m_dir.filePath("home/.local/share/lexitrain");
    {
        CWordStore store;
        ASSERT_TRUE(store.BackupDataFile());
        ASSERT_TRUE(store.OpenDatabase());
        EXPECT_TRUE(store.AddNewWord("first", "", ""));
        store.CloseDatabase();
    }
    EXPECT_TRUE(QFile::exists(perUser + "/Backup/db.2024.03.05.07.04.09.MDB"));
    platform::Clock::Advance(1);
    {
        CWordStore store;
        ASSERT_TRUE(store.BackupDataFile());
        ASSERT_TRUE(store.OpenDatabase());
        EXPECT_FALSE(store.AddNewWord("first", "", "")) << "the second start found a fresh file";
    }
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(DataFileLocationTest, ADataFileNamedByAToolKeepsItsBackupBesideIt)
{
    const QString data = m_dir.filePath("lists/words.sqlite");
    QDir().mkpath(m_dir.filePath("lists"));
    CreateDataFile(data);
    platform::SetExecutableFilePathForTesting(m_dir.filePath("usr/bin/lexitrain-words"));
    CWordStore store;
    store.SetDataFile(data);
    QString path;
    ASSERT_TRUE(store.GetDataFilePath("db.mdb", path));
    EXPECT_EQ(path, data);
    ASSERT_TRUE(store.BackupDataFile());
    EXPECT_TRUE(QFile::exists(m_dir.filePath("lists/Backup/db.2024.03.05.07.04.09.MDB")));
    EXPECT_FALSE(QDir(m_dir.filePath("home")).exists()) << "the per-user folder was made for a named file";
}

} // namespace
