// The collection's figures on a data file whose dates are known, at a fixed
// clock: counts, the trainer's own due and learn selections, words per
// interval and the 30-day forecast.
#include "store/CollectionStats.h"

#include "engine/ado/Connection.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "store/CWordStore.h"
#include "store/DataFileSchema.h"
#include "store/WordListError.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(CollectionStatsTest, FiguresOfAFileWithKnownDates)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    platform::Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0)));
    platform::RecordingMessageSink messages;
    const QString data = dir.filePath("db.mdb");
    CreateDataFile(data);
    {
        auto c = engine::Connection::Create();
        c->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;").arg(data));
        const auto exec = [&](const QString& sql) { c->Execute(sql, nullptr, engine::adExecuteNoRecords); };
        for (int i = 0; i < 3; ++i)
            exec(QStringLiteral("INSERT INTO NewWords (Word) VALUES ('new%1')").arg(i));
        // word, interval, study date -> due day
        const char* const cards[][3] = {
            { "today1", "1", "#2024-03-05#" }, // learned today, due tomorrow
            { "today2", "1", "#2024-03-05 08:30:00#" }, // learned today (with a time), due tomorrow
            { "remembered", "2", "#2024-03-05#" }, // answered today: not learned, due 03-07
            { "zero", "0", "#2024-03-05#" }, // studied today: never due today, so tomorrow
            { "yesterday", "1", "#2024-03-04#" }, // due today
            { "late", "32", "#2024-01-25#" }, // due 02-26: overdue, so due today
            { "three", "3", "#2024-03-03#" }, // due 03-06, interval counted with 2
            { "eight", "8", "#2024-03-01#" }, // due 03-09
            { "month", "64", "#2024-02-01#" }, // due 04-05: day 31, outside the forecast
            { "edge", "32", "#2024-03-03#" }, // due 04-04: day 30
        };
        for (const auto& card : cards)
            exec(QStringLiteral("INSERT INTO Words (Word, MemoryCycle, [Date]) VALUES ('%1', %2, %3)")
                     .arg(card[0], card[1], card[2]));
    }

    CWordStore store;
    store.SetDataFile(data);
    const CollectionStats stats = ReadCollectionStats(store);
    EXPECT_EQ(stats.newWords, 3);
    EXPECT_EQ(stats.inStudy, 10);
    EXPECT_EQ(stats.dueToday, 2);
    EXPECT_EQ(stats.learnedToday, 2);
    const std::vector<std::pair<long, long>> perInterval
        = { { 1, 4 }, { 2, 2 }, { 4, 0 }, { 8, 1 }, { 16, 0 }, { 32, 2 }, { 64, 1 } };
    EXPECT_EQ(stats.perInterval, perInterval);
    std::array<long, CollectionStats::kForecastDays> due {};
    due[0] = 4; // today1, today2, zero, three
    due[1] = 1; // remembered
    due[3] = 1; // eight
    due[29] = 1; // edge
    EXPECT_EQ(stats.dueOnDay, due);

    // The next day, yesterday's learning is due.
    platform::Clock::Advance(24 * 3600);
    const CollectionStats next = ReadCollectionStats(store);
    EXPECT_EQ(next.dueToday, 2 + 4);
    EXPECT_EQ(next.learnedToday, 0);
    EXPECT_EQ(next.dueOnDay[0], 1);

    // A file that is not a data file is named.
    store.SetDataFile(dir.filePath("missing.mdb"));
    try {
        ReadCollectionStats(store);
        ADD_FAILURE() << "read a missing file";
    } catch (const WordListError& e) {
        EXPECT_TRUE(e.Text().startsWith(dir.filePath("missing.mdb") + ": ")) << e.Text().toStdString();
    }
    platform::Clock::Reset();
}

} // namespace
