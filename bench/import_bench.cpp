// Times the whole batch import, `impcust-cli import`, of generated customer files into an
// empty company: start-up, CSV load and header check, every row's lookup and add, the close.
// Run from the build's bin folder: ./import_bench [--benchmark_filter=...]
// Counters: rows_per_second over the whole command, peak_rss_mib of the import process.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "platform/process.h"
#include "platform/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

// Code page 874 titles of the checked columns.
const char kCode[] = "\xC3\xCB\xD1\xCA\xC5\xD9\xA1\xA4\xE9\xD2";
const char kName[] = "\xAA\xD7\xE8\xCD\xC5\xD9\xA1\xCB\xB9\xD5\xE9/\xC5\xD9\xA1\xA4\xE9\xD2";
const char kBilling[] = "\xC7\xD2\xA7\xBA\xD4\xC5 1";
// Thai name parts, code page 874 (company, prosperous, trade, gold, Siam, limited).
const char* const kParts[] = {
    "\xBA\xC3\xD4\xC9\xD1\xB7", "\xE0\xA8\xC3\xD4\xAD", "\xBE\xD2\xB3\xD4\xAA\xC2\xEC",
    "\xB7\xCD\xA7\xA4\xD3",     "\xCA\xC2\xD2\xC1",     "\xA8\xD3\xA1\xD1\xB4"};

void WriteCsv(const fs::path& path, int rows) {
  std::ofstream out(path, std::ios::binary);
  out << kCode << ',' << kName;
  for (int c = 2; c < 20; ++c) out << ',' << (c == 15 ? kBilling : "");
  out << "\r\n";
  uint32_t seed = 12345;
  for (int i = 0; i < rows; ++i) {
    seed = seed * 1103515245u + 12345u;
    // Distinct 10-byte codes in a scattered order (7919 is prime to 10^9).
    char code[16];
    std::snprintf(code, sizeof code, "C%09lld", (static_cast<long long>(i) * 7919) % 1000000000);
    out << code << ',' << kParts[seed % 6] << ' ' << kParts[(seed >> 8) % 6] << ' ' << i
        << ",12/3 Road,District,Province 10110,02-123-4567,Contact," << 1 + seed % 3
        << ",1234567890123,30,15/03/68,5," << (seed % 100000) << ".50,BKK,A,25,0,0,,\r\n";
  }
}

void BM_CliImport(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  platform::ScratchDir dir("impcust-import-bench");
  const fs::path root(dir.path());
  const fs::path csv = root / "rows.csv";
  WriteCsv(csv, rows);
  fs::create_directories(root / "startup");
  const std::string cli = platform::SiblingExecutable("impcust-cli");
  int run = 0;
  double peak_mib = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path company = root / ("company" + std::to_string(run++));
    fs::create_directories(company);
    std::ofstream(company / "ARINFO.DAT", std::ios::binary);
    state.ResumeTiming();
    const int code =
        platform::RunProcess(cli, {"import", "--company", company.string(), "--startup-dir",
                                   (root / "startup").string(), "--no-progress", csv.string()});
    if (code != 0) state.SkipWithError("impcust-cli import failed");
#ifndef _WIN32
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);  // the largest child so far: sizes run in rising order
    peak_mib = usage.ru_maxrss / 1024.0;
#endif
  }
  state.SetItemsProcessed(state.iterations() * rows);
  state.counters["rows_per_second"] = benchmark::Counter(
      static_cast<double>(rows) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["peak_rss_mib"] = peak_mib;
}

BENCHMARK(BM_CliImport)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
