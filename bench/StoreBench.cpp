// The word store at scale: start-up (backup and open), the two study
// selections, one review answer, and taking 100 words into study, over data
// files of 10k, 100k and 1M words. Each figure stands beside a baseline —
// a plain copy of the file, or the same work written directly against
// SQLite's C API — and the ratio is reported as a counter.
#include "platform/Clock.h"
#include "platform/ExecutablePath.h"
#include "platform/MessageBox.h"
#include "store/CWordStore.h"
#include "store/DataFileSchema.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <malloc.h>
#include <map>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(9, 0, 0));

fs::path BenchRoot()
{
    const char* dir = std::getenv("LEXITRAIN_BENCH_DIR");
    return dir ? fs::path(dir) : fs::temp_directory_path() / "lexitrain-bench";
}

struct Sqlite {
    sqlite3* db = nullptr;
    explicit Sqlite(const fs::path& path)
    {
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    }
    ~Sqlite() { sqlite3_close(db); }
    void Exec(const char* sql) const
    {
        char* error = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            std::fprintf(stderr, "bench: %s: %s\n", sql, error);
            std::abort();
        }
    }
};

// A data file of `words` cards in study, spread over the last 64 days with
// intervals of 1 to 64 days (so that some are due), 2% taken into study
// today, and 1000 new words waiting. Made once and kept between runs.
fs::path DataFile(int words)
{
    const fs::path dir = BenchRoot() / ("words-" + std::to_string(words));
    const fs::path file = dir / "db.mdb";
    if (fs::exists(file))
        return file;
    fs::create_directories(dir);
    const fs::path temp = dir / "making.mdb";
    fs::remove(temp);
    CreateDataFile(QString::fromStdString(temp.string()));
    {
        Sqlite s(temp);
        s.Exec("PRAGMA synchronous=OFF; BEGIN");
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(s.db,
                           "INSERT INTO Words (Word, Pronunciation, Description, MemoryCycle, Date) VALUES (?,?,?,?,?)",
                           -1, &insert, nullptr);
        std::mt19937 random(7);
        for (int i = 0; i < words; ++i) {
            const std::string word = "word" + std::to_string(i);
            const std::string pron = "/w\xc9\x9c\xcb\x90" "d" + std::to_string(i % 97) + "/";
            const std::string desc = "The meaning of " + word + ", with an example sentence or two that a learner "
                                     "wrote down to remember it by.";
            const bool today = random() % 50 == 0;
            const int cycle = today ? 1 : 1 << (random() % 7);
            const QDate date = kNow.date().addDays(today ? 0 : -static_cast<int>(random() % 64));
            const std::string dateText = date.toString("yyyy-MM-dd").toStdString() + " 00:00:00";
            sqlite3_bind_text(insert, 1, word.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, pron.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 3, desc.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(insert, 4, cycle);
            sqlite3_bind_text(insert, 5, dateText.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        s.Exec("COMMIT");
    }
    fs::rename(temp, file);
    return file;
}

// A working copy beside which the store believes its executable lives.
struct Workspace {
    fs::path dir;
    explicit Workspace(int words)
    {
        dir = BenchRoot() / ("run-" + std::to_string(words));
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::copy_file(DataFile(words), dir / "db.mdb");
        platform::SetExecutableFilePathForTesting(QString::fromStdString((dir / "lexitrain").string()));
        platform::Clock::SetFixed(kNow);
        Sqlite(dir / "db.mdb").Exec("DELETE FROM NewWords");
    }
    ~Workspace() { fs::remove_all(dir); }
    fs::path Data() const { return dir / "db.mdb"; }
};

std::map<std::string, double>& Baselines()
{
    static std::map<std::string, double> seconds;
    return seconds;
}

// Records a baseline's time per iteration, or reports the ratio to it.
void Compare(benchmark::State& state, const std::string& key, double seconds, bool isBaseline,
             const char* counter = "ratio")
{
    const double perIteration = seconds / static_cast<double>(state.iterations());
    if (isBaseline)
        Baselines()[key] = perIteration;
    else if (Baselines().count(key))
        state.counters[counter] = perIteration / Baselines()[key];
}

template <typename F>
double TimeIt(F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string Key(const char* what, const benchmark::State& state) { return what + std::to_string(state.range(0)); }

// ---- Start-up -------------------------------------------------------------

void BM_StartupPlainCopy(benchmark::State& state)
{
    Workspace ws(static_cast<int>(state.range(0)));
    double total = 0;
    for (auto _ : state) {
        const fs::path target = ws.dir / "copy.MDB";
        total += TimeIt([&] { fs::copy_file(ws.Data(), target); });
        state.PauseTiming();
        fs::remove(target);
        state.ResumeTiming();
    }
    Compare(state, Key("startup", state), total, true);
}

// The same copy made durable, as the start-up backup must be before the
// data file is opened: the file and its folder flushed to disk.
void BM_StartupCopyAndSync(benchmark::State& state)
{
    Workspace ws(static_cast<int>(state.range(0)));
    double total = 0;
    for (auto _ : state) {
        const fs::path target = ws.dir / "copy.MDB";
        total += TimeIt([&] {
            fs::copy_file(ws.Data(), target);
            for (const fs::path& p : {target, ws.dir}) {
                const int fd = open(p.c_str(), O_RDONLY);
                fsync(fd);
                close(fd);
            }
        });
        state.PauseTiming();
        fs::remove(target);
        state.ResumeTiming();
    }
    Compare(state, Key("startupsync", state), total, true);
}

void BM_StartupBackupAndOpen(benchmark::State& state)
{
    Workspace ws(static_cast<int>(state.range(0)));
    platform::RecordingMessageSink quiet;
    double total = 0;
    for (auto _ : state) {
        total += TimeIt([&] {
            CWordStore store;
            if (!store.BackupDataFile() || !store.OpenDatabase())
                state.SkipWithError("start-up failed");
        });
        state.PauseTiming();
        // Every start but the first finds the Backup folder made: the
        // backups go, the folder stays.
        for (const fs::directory_entry& backup : fs::directory_iterator(ws.dir / "Backup"))
            fs::remove(backup.path());
        platform::Clock::Advance(1);
        state.ResumeTiming();
    }
    Compare(state, Key("startup", state), total, false);
    Compare(state, Key("startupsync", state), total, false, "ratio_synced");
}

// ---- The selections ---------------------------------------------------------

// The two selections written with SQLite's own date functions, each Jet
// function replaced by its SQLite counterpart, so that the ratio measures
// the engine and not a cleverer query.
constexpr const char* kRawReview =
    "SELECT * FROM Words WHERE julianday(date(?1)) - julianday(date(Date, '+' || MemoryCycle || ' days')) >= 0 "
    "AND (strftime('%Y', Date) <> strftime('%Y', ?1) OR strftime('%m', Date) <> strftime('%m', ?1) "
    "OR strftime('%d', Date) <> strftime('%d', ?1))";
constexpr const char* kRawLearn =
    "SELECT * FROM Words WHERE strftime('%Y', Date) = strftime('%Y', ?1) AND strftime('%m', Date) = "
    "strftime('%m', ?1) AND strftime('%d', Date) = strftime('%d', ?1) AND MemoryCycle = 1";
// The same selections as one would write them by hand for SQLite: the
// harder baseline, reported as ratio_tuned.
constexpr const char* kTunedReview =
    "SELECT * FROM Words WHERE date(Date, '+' || MemoryCycle || ' days') <= date(?1) AND date(Date) <> date(?1)";
constexpr const char* kTunedLearn = "SELECT * FROM Words WHERE date(Date) = date(?1) AND MemoryCycle = 1";

// Fetches every column of every row into one buffer, as any snapshot must.
std::size_t RawFetch(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    const std::string now = kNow.toString("yyyy-MM-dd HH:mm:ss").toStdString();
    sqlite3_bind_text(st, 1, now.c_str(), -1, SQLITE_TRANSIENT);
    std::string rows;
    std::size_t count = 0;
    const int columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(st, c) == SQLITE_INTEGER) {
                const sqlite3_int64 v = sqlite3_column_int64(st, c);
                rows.append(reinterpret_cast<const char*>(&v), sizeof v);
            } else {
                const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                rows.append(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(st, c)));
            }
        }
        ++count;
    }
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(rows.data());
    return count;
}

void SelectionRaw(benchmark::State& state, const char* key, const char* sql)
{
    Workspace ws(static_cast<int>(state.range(0)));
    Sqlite s(ws.Data());
    double total = 0;
    std::size_t rows = 0;
    for (auto _ : state)
        total += TimeIt([&] { rows = RawFetch(s.db, sql); });
    state.counters["rows"] = static_cast<double>(rows);
    Compare(state, Key(key, state), total, true);
}

void SelectionStore(benchmark::State& state, const char* key, bool review)
{
    Workspace ws(static_cast<int>(state.range(0)));
    platform::RecordingMessageSink quiet;
    CWordStore store;
    store.OpenDatabase();
    double total = 0;
    for (auto _ : state)
        total += TimeIt([&] { review ? store.OpenReviewList() : store.OpenLearnList(); });
    state.counters["rows"] = static_cast<double>(store.GetWordCount());

    // The open selection's memory: the heap it holds, against its rows' bytes.
    store.m_recordset.Close();
    malloc_trim(0);
    const std::size_t before = mallinfo2().uordblks;
    review ? store.OpenReviewList() : store.OpenLearnList();
    const std::size_t held = mallinfo2().uordblks - before;
    Sqlite s(ws.Data());
    sqlite3_stmt* st = nullptr;
    const std::string now = kNow.toString("yyyy-MM-dd HH:mm:ss").toStdString();
    sqlite3_prepare_v2(s.db, review ? kRawReview : kRawLearn, -1, &st, nullptr);
    sqlite3_bind_text(st, 1, now.c_str(), -1, SQLITE_TRANSIENT);
    std::size_t raw = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            raw += sqlite3_column_type(st, c) == SQLITE_INTEGER ? 8 : static_cast<std::size_t>(sqlite3_column_bytes(st, c));
    }
    sqlite3_finalize(st);
    state.counters["memory_ratio"] = raw ? static_cast<double>(held) / static_cast<double>(raw) : 0;
    Compare(state, Key(key, state), total, false);
    Compare(state, Key((std::string(key) + "tuned").c_str(), state), total, false, "ratio_tuned");
}

void BM_ReviewRaw(benchmark::State& state) { SelectionRaw(state, "review", kRawReview); }
void BM_ReviewTuned(benchmark::State& state) { SelectionRaw(state, "reviewtuned", kTunedReview); }
void BM_LearnTuned(benchmark::State& state) { SelectionRaw(state, "learntuned", kTunedLearn); }
void BM_ReviewStore(benchmark::State& state) { SelectionStore(state, "review", true); }
void BM_LearnRaw(benchmark::State& state) { SelectionRaw(state, "learn", kRawLearn); }
void BM_LearnStore(benchmark::State& state) { SelectionStore(state, "learn", false); }

// ---- One answer ---------------------------------------------------------------

void BM_AnswerRaw(benchmark::State& state)
{
    Workspace ws(static_cast<int>(state.range(0)));
    Sqlite s(ws.Data());
    sqlite3_stmt* update = nullptr;
    sqlite3_prepare_v2(s.db, "UPDATE Words SET MemoryCycle = MemoryCycle * 2, Date = ? WHERE ID = ?", -1, &update,
                       nullptr);
    double total = 0;
    int id = 1;
    for (auto _ : state) {
        total += TimeIt([&] {
            s.Exec("BEGIN");
            sqlite3_bind_text(update, 1, "2026-12-06 00:00:00", -1, SQLITE_STATIC);
            sqlite3_bind_int(update, 2, id++);
            sqlite3_step(update);
            sqlite3_reset(update);
            s.Exec("COMMIT");
        });
    }
    sqlite3_finalize(update);
    Compare(state, Key("answer", state), total, true);
}

void BM_AnswerStore(benchmark::State& state)
{
    Workspace ws(static_cast<int>(state.range(0)));
    platform::RecordingMessageSink quiet;
    CWordStore store;
    store.OpenDatabase();
    store.OpenReviewList();
    double total = 0;
    for (auto _ : state) {
        total += TimeIt([&] {
            if (!store.Remember())
                state.SkipWithError("Remember failed");
        });
    }
    Compare(state, Key("answer", state), total, false);
}

// ---- Taking new words into study ---------------------------------------------

void FillNewWords(const fs::path& data, int count)
{
    Sqlite s(data);
    s.Exec("BEGIN");
    for (int i = 0; i < count; ++i) {
        const std::string sql = "INSERT INTO NewWords (Word, Pronunciation, Description) VALUES ('new" +
                                std::to_string(i) + "', 'p', 'a word waiting to be learned')";
        s.Exec(sql.c_str());
    }
    s.Exec("COMMIT");
}

void BM_TakeIntoStudyRaw(benchmark::State& state)
{
    Workspace ws(static_cast<int>(state.range(0)));
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FillNewWords(ws.Data(), 100);
        Sqlite s(ws.Data());
        state.ResumeTiming();
        total += TimeIt([&] {
            s.Exec("BEGIN");
            s.Exec("INSERT INTO Words (Word, Pronunciation, Description) "
                   "SELECT Word, Pronunciation, Description FROM NewWords ORDER BY ID LIMIT 100");
            s.Exec("DELETE FROM NewWords WHERE ID IN (SELECT ID FROM NewWords ORDER BY ID LIMIT 100)");
            s.Exec("COMMIT");
        });
    }
    Compare(state, Key("take", state), total, true);
}

void BM_TakeIntoStudyStore(benchmark::State& state)
{
    Workspace ws(static_cast<int>(state.range(0)));
    platform::RecordingMessageSink quiet;
    CWordStore store;
    store.OpenDatabase();
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FillNewWords(ws.Data(), 100);
        state.ResumeTiming();
        total += TimeIt([&] {
            if (store.AddWordsToList(100) != 100)
                state.SkipWithError("AddWordsToList did not move 100 words");
        });
    }
    state.counters["seconds"] = total / static_cast<double>(state.iterations());
    Compare(state, Key("take", state), total, false);
}

void Sizes(benchmark::internal::Benchmark* b)
{
    for (int words : {10000, 100000, 1000000})
        b->Arg(words);
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_StartupPlainCopy)->Apply(Sizes)->Iterations(5);
BENCHMARK(BM_StartupCopyAndSync)->Apply(Sizes)->Iterations(5);
BENCHMARK(BM_StartupBackupAndOpen)->Apply(Sizes)->Iterations(5);
BENCHMARK(BM_ReviewRaw)->Apply(Sizes);
BENCHMARK(BM_ReviewTuned)->Apply(Sizes);
BENCHMARK(BM_ReviewStore)->Apply(Sizes);
BENCHMARK(BM_LearnRaw)->Apply(Sizes);
BENCHMARK(BM_LearnTuned)->Apply(Sizes);
BENCHMARK(BM_LearnStore)->Apply(Sizes);
BENCHMARK(BM_AnswerRaw)->Apply(Sizes)->Iterations(50);
BENCHMARK(BM_AnswerStore)->Apply(Sizes)->Iterations(50);
BENCHMARK(BM_TakeIntoStudyRaw)->Apply(Sizes)->Iterations(5);
BENCHMARK(BM_TakeIntoStudyStore)->Apply(Sizes)->Iterations(5);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
