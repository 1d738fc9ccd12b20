// The engine against SQLite's C API on data files of 10k, 100k and 1M
// words: opening the due-for-review selection (the store's exact Jet text,
// through the translator and Jet's functions) beside the same selection
// written for SQLite with its own date functions and every column of every
// row fetched; opening "SELECT * FROM Words" and appending one row at 1M
// words; and the snapshot's memory against the rows' own bytes (text and
// blob bytes as SQLite gives them, 8 per number). The ratios are printed
// after the runs. Targets: open within 1.5x of the C API, memory within 2x.
#include "engine/ado/Connection.h"
#include "engine/ado/Field.h"
#include "engine/ado/JetEngine.h"
#include "engine/jetsql/JetSql.h"
#include "engine/ado/Recordset.h"
#include "engine/ado/RecordsetImpl.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <malloc.h>
#include <map>
#include <memory>
#include <random>
#include <sqlite3.h>
#include <string>

namespace {

const char* const kDueJet
    = "SELECT * FROM Words \t\t                 WHERE DateDiff(\"d\", DateAdd(\"d\", MemoryCycle, "
      "Date), now())>=0  AND \t\t\t\t\t\t ( YEAR(Date) <> YEAR(Now()) OR MONTH(Date) <> "
      "MONTH(Now()) OR DAY(Date) <> DAY(Now()) )";
const char* const kDueSqlite = "SELECT * FROM Words WHERE date(Date, '+' || MemoryCycle || ' days') <= "
                               "date('now', 'localtime') AND date(Date) <> date('now', 'localtime')";
const char* const kWordsDdl = "CREATE TABLE Words (ID COUNTER PRIMARY KEY, Word TEXT(255), Pronunciation TEXT(255), "
                              "Description MEMO, MemoryCycle LONG DEFAULT 1, [Date] DATETIME DEFAULT Now())";

QString ConnectionTo(const QString& path)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False;").arg(path);
}

std::string RandomText(std::mt19937& random, int minLength, int maxLength)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz      ";
    std::uniform_int_distribution<int> length(minLength, maxLength), letter(0, sizeof letters - 2);
    std::string text(std::size_t(length(random)), ' ');
    for (char& c : text)
        c = letters[letter(random)];
    return text;
}

// A data file of n words, made once per size for the whole run: dates up
// to 120 days back with a time of day, intervals 1 to 64 days, so that
// roughly half of the words are due.
const QString& DataFile(int n)
{
    static QTemporaryDir dir;
    static std::map<int, QString> files;
    auto it = files.find(n);
    if (it != files.end())
        return it->second;
    const QString path = dir.filePath(QStringLiteral("words-%1.mdb").arg(n));
    engine::JetEngine::Create()->CreateDatabase(ConnectionTo(path));
    {
        auto connection = engine::Connection::Create();
        connection->Open(ConnectionTo(path));
        connection->Execute(QString::fromLatin1(kWordsDdl), nullptr, engine::adExecuteNoRecords);
        connection->Close();
    }
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Words (Word, Pronunciation, Description, MemoryCycle, Date) VALUES (?,?,?,?,?)",
        -1, &insert, nullptr);
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> daysBack(0, 120), cycle(0, 6), seconds(0, 86399);
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < n; ++i) {
        const std::string word = RandomText(random, 4, 12), ipa = RandomText(random, 4, 14),
                          description = RandomText(random, 20, 120);
        const QByteArray date = now.addDays(-daysBack(random))
                                    .date()
                                    .startOfDay()
                                    .addSecs(seconds(random))
                                    .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                    .toUtf8();
        sqlite3_bind_text(insert, 1, word.data(), int(word.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, ipa.data(), int(ipa.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, description.data(), int(description.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 4, 1 << cycle(random));
        sqlite3_bind_text(insert, 5, date.constData(), int(date.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return files.emplace(n, path).first->second;
}

std::shared_ptr<engine::Recordset> OpenWithEngine(
    const std::shared_ptr<engine::Connection>& connection, const char* sql)
{
    auto rs = engine::Recordset::Create();
    rs->SetCursorLocation(engine::adUseClient);
    rs->Open(
        QString::fromLatin1(sql), connection, engine::adOpenStatic, engine::adLockOptimistic, engine::adCmdUnknown);
    return rs;
}

// Fetches every column of every row with the C API; the rows' raw bytes.
std::size_t FetchWithSqlite(sqlite3* db, const char* sql, std::size_t& rows)
{
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    const int columns = sqlite3_column_count(stmt);
    std::size_t bytes = 0;
    rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER:
                benchmark::DoNotOptimize(sqlite3_column_int64(stmt, c));
                bytes += 8;
                break;
            case SQLITE_FLOAT:
                benchmark::DoNotOptimize(sqlite3_column_double(stmt, c));
                bytes += 8;
                break;
            case SQLITE_TEXT:
                benchmark::DoNotOptimize(sqlite3_column_text(stmt, c));
                bytes += std::size_t(sqlite3_column_bytes(stmt, c));
                break;
            case SQLITE_BLOB:
                benchmark::DoNotOptimize(sqlite3_column_blob(stmt, c));
                bytes += std::size_t(sqlite3_column_bytes(stmt, c));
                break;
            default:
                break;
            }
        }
    }
    sqlite3_finalize(stmt);
    return bytes;
}

void BM_OpenDue_Engine(benchmark::State& state)
{
    auto connection = engine::Connection::Create();
    connection->Open(ConnectionTo(DataFile(int(state.range(0)))));
    long rows = 0;
    for (auto _ : state) {
        auto rs = OpenWithEngine(connection, kDueJet);
        rows = rs->RecordCount();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = double(rows);
}

void BM_OpenDue_SqliteCApi(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(
        DataFile(int(state.range(0))).toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::size_t rows = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(FetchWithSqlite(db, kDueSqlite, rows));
    sqlite3_close(db);
    state.counters["rows"] = double(rows);
}

// The translator's own text for the due selection, run with the C API: the
// part of the engine's time that is the query itself (Jet's functions)
// rather than the snapshot.
void BM_OpenDue_TranslatedCApi(benchmark::State& state)
{
    sqlite3* db = nullptr;
    auto connection = engine::Connection::Create();
    connection->Open(ConnectionTo(DataFile(int(state.range(0)))));
    db = connection->Handle();
    const QByteArray sql = engine::jetsql::Translate(QString::fromLatin1(kDueJet)).sql.toUtf8();
    std::size_t rows = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(FetchWithSqlite(db, sql.constData(), rows));
    state.counters["rows"] = double(rows);
}

void BM_OpenAll_Engine(benchmark::State& state)
{
    auto connection = engine::Connection::Create();
    connection->Open(ConnectionTo(DataFile(int(state.range(0)))));
    for (auto _ : state)
        benchmark::DoNotOptimize(OpenWithEngine(connection, "SELECT * FROM Words")->RecordCount());
}

void BM_OpenAll_SqliteCApi(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(
        DataFile(int(state.range(0))).toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::size_t rows = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(FetchWithSqlite(db, "SELECT * FROM Words", rows));
    sqlite3_close(db);
}

// One AddNew + Update on the append target the store opens.
void BM_AppendOne_Engine(benchmark::State& state)
{
    auto connection = engine::Connection::Create();
    connection->Open(ConnectionTo(DataFile(int(state.range(0)))));
    auto rs = OpenWithEngine(connection, "SELECT * FROM Words");
    auto fields = rs->GetFields();
    for (auto _ : state) {
        rs->AddNew();
        fields->Item(QStringLiteral("Word"))->PutValue(platform::Variant::FromBstr(QStringLiteral("appended")));
        fields->Item(QStringLiteral("Description"))->PutValue(platform::Variant::FromBstr(QStringLiteral("a row")));
        rs->Update();
    }
    connection->Execute(QStringLiteral("DELETE FROM Words WHERE Word = 'appended'"));
}

// The snapshot's bytes (its own accounting, and what malloc saw) against
// the rows' raw bytes.
void BM_SnapshotMemory(benchmark::State& state)
{
    const QString& path = DataFile(int(state.range(0)));
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::size_t rows = 0;
    const std::size_t raw = FetchWithSqlite(db, "SELECT * FROM Words", rows);
    sqlite3_close(db);
    auto connection = engine::Connection::Create();
    connection->Open(ConnectionTo(path));
    std::size_t held = 0, allocated = 0;
    for (auto _ : state) {
        malloc_trim(0);
        const std::size_t before = mallinfo2().uordblks + mallinfo2().hblkhd;
        auto rs = OpenWithEngine(connection, "SELECT * FROM Words");
        allocated = mallinfo2().uordblks + mallinfo2().hblkhd - before;
        held = rs->GetImpl().MemoryBytes();
    }
    state.counters["raw_MB"] = double(raw) / 1e6;
    state.counters["snapshot_MB"] = double(held) / 1e6;
    state.counters["malloc_MB"] = double(allocated) / 1e6;
    state.counters["snapshot_x"] = double(held) / double(raw);
    state.counters["malloc_x"] = double(allocated) / double(raw);
}

BENCHMARK(BM_OpenDue_Engine)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDue_SqliteCApi)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDue_TranslatedCApi)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAll_Engine)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAll_SqliteCApi)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendOne_Engine)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SnapshotMemory)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Keeps each run's times so that the engine can be set beside the C API:
// the wall-clock ratio, and the CPU ratio, which other work on a shared
// machine disturbs less.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            m_times[run.benchmark_name()] = { run.GetAdjustedRealTime(), run.GetAdjustedCPUTime() };
    }
    void PrintRatios() const
    {
        std::printf("\nEngine against the C API (same rows, every column fetched):\n");
        for (const auto& [name, time] : m_times) {
            const std::size_t at = name.find("_Engine");
            if (at == std::string::npos)
                continue;
            for (const char* other : { "_SqliteCApi", "_TranslatedCApi" }) {
                std::string key = name;
                key.replace(at, 7, other);
                const auto found = m_times.find(key);
                if (found == m_times.end())
                    continue;
                std::printf("  %-26s vs %-32s wall %9.1f / %9.1f ms = %5.2f   cpu %9.1f / %9.1f ms = %5.2f\n",
                    name.c_str(), key.c_str(), time.first, found->second.first, time.first / found->second.first,
                    time.second, found->second.second, time.second / found->second.second);
            }
        }
    }

private:
    std::map<std::string, std::pair<double, double>> m_times;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
