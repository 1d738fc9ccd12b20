// The figures come from the data file through the engine, with the same
// date functions the trainer's selections use: due today and learned
// today are the counts of those very selections, and a word's due day is
// DateAdd("d", MemoryCycle, Date) as in the review selection's test.
#include "store/CollectionStats.h"

#include "engine/ado/Connection.h"
#include "engine/ado/Field.h"
#include "engine/ado/Recordset.h"
#include "platform/ComError.h"
#include "platform/MessageBox.h"
#include "store/CWordStore.h"
#include "store/WordListError.h"

#include <map>

namespace {

// Per interval and due day: the words of each (interval, days until due,
// studied today) group. A card studied today is never due today, whatever
// its interval.
constexpr const char* kScheduleGroups
    = "SELECT MemoryCycle, DateDiff(\"d\", Now(), DateAdd(\"d\", MemoryCycle, [Date])) AS DueIn, "
      "IIf(DateDiff(\"d\", [Date], Now()) = 0, 1, 0) AS StudiedToday, Count(*) AS N FROM Words "
      "GROUP BY MemoryCycle, DateDiff(\"d\", Now(), DateAdd(\"d\", MemoryCycle, [Date])), "
      "IIf(DateDiff(\"d\", [Date], Now()) = 0, 1, 0)";

long Number(const platform::Variant& value)
{
    switch (value.vt()) {
    case platform::VT_I2:
        return value.iVal();
    case platform::VT_I4:
    case platform::VT_INT:
        return value.lVal();
    case platform::VT_I8:
        return long(value.llVal());
    case platform::VT_R8:
        return long(value.dblVal());
    default:
        return 0;
    }
}

long Scalar(const std::shared_ptr<engine::Connection>& connection, const QString& sql)
{
    auto rs = connection->Execute(sql);
    return rs->IsEOF() ? 0 : Number(rs->GetFields()->Item(0)->Value());
}

// The count of one of the trainer's selections, opened as the trainer opens it.
long SelectionCount(CWordStore& store, bool review, const QString& dataFile)
{
    if (!(review ? store.OpenReviewList() : store.OpenLearnList()) && store.GetWordCount() != 0)
        throw WordListError(dataFile, 0,
            QStringLiteral("cannot open the %1 selection: %2")
                .arg(review ? QStringLiteral("review") : QStringLiteral("learn"),
                    store.m_recordset.GetLastErrorString().simplified()));
    const long count = long(store.GetWordCount());
    store.m_recordset.Close();
    return count;
}

} // namespace

CollectionStats ReadCollectionStats(CWordStore& store)
{
    QString dataFile;
    store.GetDataFilePath(QStringLiteral("db.mdb"), dataFile);
    platform::RecordingMessageSink shown;
    if (!store.OpenDatabase())
        throw WordListError(
            dataFile, 0, QStringLiteral("cannot open the data file: %1").arg(store.m_database.GetErrorDescription()));
    CollectionStats stats;
    try {
        const std::shared_ptr<engine::Connection> connection = store.m_database.GetActiveConnection();
        stats.newWords = Scalar(connection, QStringLiteral("SELECT Count(*) FROM NewWords"));
        stats.inStudy = Scalar(connection, QStringLiteral("SELECT Count(*) FROM Words"));
        stats.dueToday = SelectionCount(store, true, dataFile);
        stats.learnedToday = SelectionCount(store, false, dataFile);

        std::map<long, long> perInterval;
        auto rs = connection->Execute(QString::fromLatin1(kScheduleGroups));
        const auto fields = rs->GetFields();
        for (; !rs->IsEOF(); rs->MoveNext()) {
            const long cycle = Number(fields->Item(0)->Value());
            const platform::Variant dueIn = fields->Item(1)->Value();
            const bool studiedToday = Number(fields->Item(2)->Value()) != 0;
            const long words = Number(fields->Item(3)->Value());
            // The answers take an interval below 1 as 1.
            long bucket = 1;
            while (bucket <= cycle / 2)
                bucket *= 2;
            perInterval[bucket] += words;
            if (dueIn.IsNull() || dueIn.IsEmpty())
                continue;
            // Due today or overdue is today's review, unless studied today:
            // then the earliest it can come back is tomorrow.
            const long days = std::max(Number(dueIn), studiedToday ? 1L : 0L);
            if (days >= 1 && days <= CollectionStats::kForecastDays)
                stats.dueOnDay[size_t(days - 1)] += words;
        }
        if (!perInterval.empty()) {
            for (long bucket = 1; bucket <= perInterval.rbegin()->first; bucket *= 2)
                stats.perInterval.emplace_back(bucket, perInterval[bucket]);
        }
    } catch (const platform::ComError& e) {
        store.CloseDatabase();
        throw WordListError(dataFile, 0, e.Description().value_or(platform::CodeMeaning(e.Error())));
    }
    store.CloseDatabase();
    return stats;
}
