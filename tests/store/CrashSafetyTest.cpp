// Kills a process in the middle of the store's writes, again and again,
// and checks after every kill that the data file is whole: SQLite's
// integrity check passes, every word the process was told was saved is
// there exactly once across NewWords and Words, and the next start's
// backup and open succeed.
#include "engine/ado/Connection.h"
#include "engine/ado/Field.h"
#include "engine/ado/Recordset.h"
#include "platform/Clock.h"
#include "platform/ExecutablePath.h"
#include "platform/MessageBox.h"
#include "store/CWordStore.h"
#include "store/DataFileSchema.h"

#include <QDate>
#include <QHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QDateTime Day(int n) { return QDateTime(QDate(2024, 1, 1).addDays(n), QTime(9, 0, n % 60)); }

// The child's work: add words, take some into study, answer what is due.
// Each word is reported on the pipe only once AddNewWord has returned.
[[noreturn]] void WriteUntilKilled(int round, int reportFd)
{
    platform::RecordingMessageSink quiet;
    platform::Clock::SetFixed(Day(round));
    CWordStore store;
    if (!store.OpenDatabase())
        _exit(2);
    for (int n = 0;; ++n) {
        const QString word = QStringLiteral("w%1-%2").arg(round).arg(n);
        if (store.AddNewWord(word, QStringLiteral("pron"), QStringLiteral("a description of ") + word)) {
            const QByteArray line = word.toUtf8() + '\n';
            if (write(reportFd, line.constData(), line.size()) != line.size())
                _exit(3);
        }
        if (n % 3 == 0)
            store.AddWordsToList(2);
        if (store.OpenReviewList()) {
            store.Remember();
            store.Forget();
        }
    }
}

QStringList ReadReported(int fd)
{
    QByteArray all;
    char buf[4096];
    ssize_t got;
    while ((got = read(fd, buf, sizeof buf)) > 0)
        all.append(buf, got);
    QStringList words;
    for (const QByteArray& line : all.split('\n')) {
        if (!line.isEmpty())
            words << QString::fromUtf8(line);
    }
    return words;
}

// Opened for writing, so that a hot journal left by the kill is rolled
// back first, as the next start of the program would.
QString IntegrityCheck(const QString& path)
{
    sqlite3* db = nullptr;
    QString result = QStringLiteral("cannot open");
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW)
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return result;
}

// How often each word stands in the two tables together.
QHash<QString, int> WordCounts(const QString& connectionString)
{
    auto connection = engine::Connection::Create();
    connection->Open(connectionString);
    QHash<QString, int> counts;
    for (const char* table : {"NewWords", "Words"}) {
        auto rs = engine::Recordset::Create();
        rs->Open(QStringLiteral("SELECT Word FROM %1").arg(table), connection, engine::adOpenStatic,
                 engine::adLockOptimistic, engine::adCmdText);
        for (; !rs->IsEOF(); rs->MoveNext())
            ++counts[rs->GetFields()->Item(0)->Value().bstrVal()];
    }
    return counts;
}

TEST(CrashSafetyTest, KillsMidWriteLoseAndDoubleNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString dataPath = dir.filePath("db.mdb");
    const QString connectionString =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False;").arg(dataPath);
    CreateDataFile(dataPath);
    platform::SetExecutableFilePathForTesting(dir.filePath("lexitrain"));

    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> delayMicros(1000, 200000);
    QStringList saved;
    constexpr int kRounds = 120;
    for (int round = 0; round < kRounds; ++round) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            WriteUntilKilled(round, fds[1]);
        }
        close(fds[1]);
        usleep(static_cast<useconds_t>(delayMicros(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself in round " << round;
        saved << ReadReported(fds[0]);
        close(fds[0]);

        ASSERT_EQ(IntegrityCheck(dataPath), "ok") << "round " << round;
        const QHash<QString, int> counts = WordCounts(connectionString);
        for (const QString& word : saved)
            ASSERT_EQ(counts.value(word), 1) << word.toStdString() << " after round " << round;
        for (auto it = counts.begin(); it != counts.end(); ++it)
            ASSERT_EQ(it.value(), 1) << it.key().toStdString() << " doubled after round " << round;

        // The next start backs up and opens the file.
        platform::RecordingMessageSink messages;
        platform::Clock::SetFixed(Day(round).addSecs(30));
        CWordStore next;
        ASSERT_TRUE(next.BackupDataFile()) << "round " << round;
        ASSERT_TRUE(next.OpenDatabase()) << "round " << round;
        EXPECT_TRUE(messages.Messages().empty());
    }
    EXPECT_GT(saved.size(), kRounds / 2);  // the kills did land among saved words
    platform::Clock::Reset();
    platform::ClearExecutableFilePathOverride();
}

}  // namespace
