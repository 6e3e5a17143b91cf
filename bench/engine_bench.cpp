// Engine benchmarks, run by hand (never as a test):
//   (a) the import's unit of work per row on a customer-like set (record length 1492, keys of
//       10 bytes unique and 30 bytes with duplicates): LookupKey, LockDataFile, AddRecord, two
//       InsertKey, UnlockDataFile;
//   (b) LookupKey of random present keys with a warm page pool;
//   (c) the same unit of work on SQLite (one table, two indexes, one transaction per row,
//       synchronous=OFF), in rollback-journal and in WAL mode.
// Rows per second are the items_per_second counters. The runs of 1,000,000 rows take long and
// are added only with --with-1m. Files go to the system temp dir, or to IMPCUST_BENCH_DIR.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "isam/isam.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kRecordLength = 1492;
constexpr int kCodeLength = 10;
constexpr int kNameLength = 30;
constexpr int32_t kPageBuffers = 500;
constexpr uint8_t kNetworkMode = 2;
constexpr int kCodeOffset = 4;  // the first four bytes of a record belong to the engine
constexpr int kNameOffset = 15;

// One customer row as the import produces it.
struct Row {
  std::string code;  // "C000012345"
  std::string name;  // a Thai-looking name of up to 30 code page 874 bytes
};

std::string ThaiName(std::mt19937& rng) {
  // Consonants, vowels and tone marks of code page 874, in syllable-like runs.
  static const unsigned char kConsonants[] = {0xA1, 0xA4, 0xA7, 0xA8, 0xAA, 0xB4, 0xB5,
                                              0xB7, 0xB9, 0xBA, 0xBB, 0xBE, 0xC1, 0xC2,
                                              0xC3, 0xC5, 0xC7, 0xCA, 0xCB, 0xCD};
  static const unsigned char kVowels[] = {0xD0, 0xD1, 0xD2, 0xD4, 0xD5, 0xD8, 0xE0, 0xE1, 0xE4};
  static const unsigned char kTones[] = {0xE8, 0xE9, 0xEA};
  std::string name;
  const size_t length = 12 + rng() % (kNameLength - 11);
  while (name.size() < length) {
    name += static_cast<char>(kConsonants[rng() % sizeof kConsonants]);
    if (rng() % 2) name += static_cast<char>(kVowels[rng() % sizeof kVowels]);
    if (rng() % 5 == 0) name += static_cast<char>(kTones[rng() % sizeof kTones]);
    if (rng() % 6 == 0) name += ' ';
  }
  name.resize(std::min<size_t>(name.size(), kNameLength));
  return name;
}

// `count` rows with distinct codes in shuffled order; one name in ten repeats an earlier one.
std::vector<Row> MakeRows(int64_t count, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<int64_t> numbers(static_cast<size_t>(count));
  std::iota(numbers.begin(), numbers.end(), 1);
  std::shuffle(numbers.begin(), numbers.end(), rng);
  std::vector<Row> rows(static_cast<size_t>(count));
  for (size_t i = 0; i < rows.size(); ++i) {
    char code[16];
    std::snprintf(code, sizeof code, "C%09lld", static_cast<long long>(numbers[i]));
    rows[i].code = code;
    rows[i].name = (i > 0 && rng() % 10 == 0) ? rows[rng() % i].name : ThaiName(rng);
  }
  return rows;
}

void FillRecord(const Row& row, std::vector<char>& record) {
  std::fill(record.begin(), record.end(), 0);
  record[kCodeOffset] = static_cast<char>(row.code.size());
  std::memcpy(&record[kCodeOffset + 1], row.code.data(), row.code.size());
  record[kNameOffset] = static_cast<char>(row.name.size());
  std::memcpy(&record[kNameOffset + 1], row.name.data(), row.name.size());
}

std::string BenchDir() {
  const char* dir = getenv("IMPCUST_BENCH_DIR");
  fs::path base = dir ? fs::path(dir) : fs::temp_directory_path();
  std::string pattern = (base / "engine_bench_XXXXXX").string();
  if (!mkdtemp(pattern.data())) return (base / "engine_bench").string();
  return pattern;
}

// ---- the engine ------------------------------------------------------------------------

class EngineSet {
 public:
  explicit EngineSet(const std::string& dir) : base_(dir + "/ARFILE01") {
    isam::ResetEngine();
    isam::StartEngine(kNetworkMode, kPageBuffers);
    uint8_t descriptors[isam::kKeyDescriptorBytes] = {kCodeLength, 0, kNameLength, 1};
    isam::CreateDataFile(base_, kRecordLength, 2, descriptors);
    if (isam::StatusOk()) isam::OpenDataFile(fb_, base_, false);
    ok_ = isam::StatusOk();
  }
  ~EngineSet() {
    if (fb_) isam::CloseDataFile(fb_);
    isam::StopEngine();
  }
  bool ok() const { return ok_; }
  int32_t status() const { return isam::StatusCode(); }

  // The import's unit of work; false when the engine reports a failure.
  bool ImportRow(const Row& row, std::vector<char>& record) {
    int32_t n = 0;
    isam::LookupKey(fb_, 1, n, row.code);
    if (isam::StatusCode() != 10200) return false;  // the code must be new
    FillRecord(row, record);
    isam::LockDataFile(fb_);
    if (!isam::StatusOk()) return false;
    isam::AddRecord(fb_, n, record.data());
    if (isam::StatusOk()) isam::InsertKey(fb_, 1, n, row.code);
    if (isam::StatusOk()) isam::InsertKey(fb_, 2, n, row.name);
    const bool ok = isam::StatusOk();
    isam::UnlockDataFile(fb_);
    return ok && isam::StatusOk();
  }

  bool Lookup(const std::string& code, int32_t* n) {
    isam::LookupKey(fb_, 1, *n, code);
    return isam::StatusOk();
  }

 private:
  std::string base_;
  isam::FileBlock* fb_ = nullptr;
  bool ok_ = false;
};

void BM_EngineImport(benchmark::State& state) {
  const int64_t count = state.range(0);
  const std::vector<Row> rows = MakeRows(count, 42);
  std::vector<char> record(kRecordLength);
  for (auto _ : state) {
    state.PauseTiming();
    const std::string dir = BenchDir();
    {
      EngineSet set(dir);
      if (!set.ok()) {
        state.SkipWithError(
            ("engine set not opened, status " + std::to_string(set.status())).c_str());
        fs::remove_all(dir);
        break;
      }
      state.ResumeTiming();
      for (const Row& row : rows) {
        if (!set.ImportRow(row, record)) {
          state.SkipWithError(("import failed, status " + std::to_string(set.status())).c_str());
          break;
        }
      }
      state.PauseTiming();
    }
    fs::remove_all(dir);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_EngineLookupWarm(benchmark::State& state) {
  const int64_t count = state.range(0);
  const std::vector<Row> rows = MakeRows(count, 7);
  const std::string dir = BenchDir();
  {
    EngineSet set(dir);
    std::vector<char> record(kRecordLength);
    bool ok = set.ok();
    for (size_t i = 0; ok && i < rows.size(); ++i) ok = set.ImportRow(rows[i], record);
    if (!ok) {
      state.SkipWithError(
          ("filling the set failed, status " + std::to_string(set.status())).c_str());
    } else {
      std::mt19937 rng(99);
      int32_t n = 0;
      for (int i = 0; i < 20000; ++i) set.Lookup(rows[rng() % rows.size()].code, &n);  // warm up
      for (auto _ : state) {
        if (!set.Lookup(rows[rng() % rows.size()].code, &n)) {
          state.SkipWithError("a present key was not found");
          break;
        }
        benchmark::DoNotOptimize(n);
      }
      state.SetItemsProcessed(state.iterations());
    }
  }
  fs::remove_all(dir);
}

// ---- SQLite ----------------------------------------------------------------------------

class SqliteSet {
 public:
  SqliteSet(const std::string& dir, bool wal) {
    ok_ = sqlite3_open((dir + "/arfile01.db").c_str(), &db_) == SQLITE_OK &&
          Exec(wal ? "PRAGMA journal_mode=WAL" : "PRAGMA journal_mode=DELETE") &&
          Exec("PRAGMA synchronous=OFF") &&
          Exec(
              "CREATE TABLE customer (id INTEGER PRIMARY KEY, code TEXT NOT NULL, "
              "name BLOB NOT NULL, record BLOB NOT NULL)") &&
          Exec("CREATE UNIQUE INDEX customer_code ON customer(code)") &&
          Exec("CREATE INDEX customer_name ON customer(name)") &&
          Prepare("SELECT id FROM customer WHERE code = ?1", &find_) &&
          Prepare("INSERT INTO customer (code, name, record) VALUES (?1, ?2, ?3)", &insert_) &&
          Prepare("BEGIN IMMEDIATE", &begin_) && Prepare("COMMIT", &commit_);
  }
  ~SqliteSet() {
    for (sqlite3_stmt* s : {find_, insert_, begin_, commit_}) sqlite3_finalize(s);
    sqlite3_close(db_);
  }
  bool ok() const { return ok_; }
  std::string error() const { return db_ ? sqlite3_errmsg(db_) : "no database"; }

  bool ImportRow(const Row& row, std::vector<char>& record) {
    sqlite3_bind_text(find_, 1, row.code.data(), static_cast<int>(row.code.size()), SQLITE_STATIC);
    const int found = sqlite3_step(find_);
    sqlite3_reset(find_);
    if (found != SQLITE_DONE) return false;  // the code must be new
    FillRecord(row, record);
    if (!Step(begin_)) return false;
    sqlite3_bind_text(insert_, 1, row.code.data(), static_cast<int>(row.code.size()),
                      SQLITE_STATIC);
    sqlite3_bind_blob(insert_, 2, row.name.data(), static_cast<int>(row.name.size()),
                      SQLITE_STATIC);
    sqlite3_bind_blob(insert_, 3, record.data(), static_cast<int>(record.size()), SQLITE_STATIC);
    const bool inserted = Step(insert_);
    return Step(commit_) && inserted;
  }

 private:
  bool Exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  bool Prepare(const char* sql, sqlite3_stmt** stmt) {
    return sqlite3_prepare_v2(db_, sql, -1, stmt, nullptr) == SQLITE_OK;
  }
  static bool Step(sqlite3_stmt* stmt) {
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    return rc == SQLITE_DONE;
  }

  sqlite3* db_ = nullptr;
  sqlite3_stmt* find_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* begin_ = nullptr;
  sqlite3_stmt* commit_ = nullptr;
  bool ok_ = false;
};

void BM_SqliteImport(benchmark::State& state, bool wal) {
  const int64_t count = state.range(0);
  const std::vector<Row> rows = MakeRows(count, 42);
  std::vector<char> record(kRecordLength);
  for (auto _ : state) {
    state.PauseTiming();
    const std::string dir = BenchDir();
    {
      SqliteSet set(dir, wal);
      if (!set.ok()) {
        state.SkipWithError(("sqlite set not created: " + set.error()).c_str());
        fs::remove_all(dir);
        break;
      }
      state.ResumeTiming();
      for (const Row& row : rows) {
        if (!set.ImportRow(row, record)) {
          state.SkipWithError(("sqlite import failed: " + set.error()).c_str());
          break;
        }
      }
      state.PauseTiming();
    }
    fs::remove_all(dir);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void RegisterAll(bool with_1m) {
  std::vector<int64_t> sizes = {10000, 100000};
  if (with_1m) sizes.push_back(1000000);
  auto import = [&](benchmark::internal::Benchmark* b) {
    for (int64_t n : sizes) b->Arg(n);
    b->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
  };
  import(benchmark::RegisterBenchmark("EngineImport", BM_EngineImport));
  import(benchmark::RegisterBenchmark("SqliteImport/rollback", BM_SqliteImport, false));
  import(benchmark::RegisterBenchmark("SqliteImport/wal", BM_SqliteImport, true));
  benchmark::RegisterBenchmark("EngineLookupWarm", BM_EngineLookupWarm)->Arg(100000);
}

}  // namespace

int main(int argc, char** argv) {
  bool with_1m = false;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--with-1m") == 0) {
      with_1m = true;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RegisterAll(with_1m);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
