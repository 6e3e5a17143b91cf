// Many imports at once into one company that has no data file sets yet, while another process
// looks customers up throughout. Half of the imports bring codes of their own, the other half
// share one pool of codes in different orders, so that they race for the same customers.
// Afterwards every code is stored exactly once with both keys and the customer it stands for,
// every set is sound, the reports add up, and the watching process never met a half-published
// customer.
//
// Size: IMPCUST_STRESS_PROCS imports (default 4) of IMPCUST_STRESS_ROWS rows (default 2000).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "datafiles/file_sets.h"
#include "hardening/company_fixture.h"
#include "isam/verify.h"
#include "platform/process.h"

namespace hardening {
namespace {

using Clock = std::chrono::steady_clock;

std::string DisjointCode(int process, int row) {
  char text[16];
  std::snprintf(text, sizeof text, "D%02d%06d", process % 100, row % 1000000);
  return text;
}
std::string SharedCode(int row) {
  char text[16];
  std::snprintf(text, sizeof text, "S%07d", row % 10000000);
  return text;
}

// The rows of import p: even imports have codes of their own; odd ones walk the shared pool,
// each from its own starting point, every other one backwards.
std::vector<std::string> CodesOf(int p, int procs, int rows) {
  std::vector<std::string> codes;
  codes.reserve(static_cast<size_t>(rows));
  if (p % 2 == 0) {
    for (int j = 0; j < rows; ++j) codes.push_back(DisjointCode(p, j));
    return codes;
  }
  const int sharers = procs / 2;
  const int q = p / 2;
  const int start = static_cast<int>(static_cast<int64_t>(rows) * q / std::max(sharers, 1));
  for (int j = 0; j < rows; ++j) {
    const int step = q % 2 == 0 ? j : rows - 1 - j;
    codes.push_back(SharedCode((start + step) % rows));
  }
  return codes;
}

class StressTest : public CompanyFixture {};

TEST_F(StressTest, ManyImportsAtTheFirstStartStoreEveryCodeOnceWithBothKeys) {
  const int procs = EnvInt("IMPCUST_STRESS_PROCS", 4);
  const int rows = EnvInt("IMPCUST_STRESS_ROWS", 2000);
  ASSERT_GE(procs, 2);
  const fs::path company = NewCompany("co");

  std::set<std::string> universe;
  std::vector<fs::path> csvs, reports;
  for (int p = 0; p < procs; ++p) {
    const std::vector<std::string> codes = CodesOf(p, procs, rows);
    universe.insert(codes.begin(), codes.end());
    csvs.push_back(root_ / ("import" + std::to_string(p) + ".csv"));
    reports.push_back(root_ / ("report" + std::to_string(p) + ".json"));
    WriteFile(csvs.back(), CsvOf(codes));
  }
  std::string code_list;
  for (const std::string& code : universe) code_list.append(code).append("\n");
  // The reader also looks for codes that no import brings.
  for (int j = 0; j < 50; ++j) code_list.append("X").append(std::to_string(j)).append("\n");
  WriteFile(root_ / "codes.txt", code_list);
  const fs::path stop = root_ / "stop", reader_out = root_ / "reader.txt";

  // Every process starts at once against a company whose sets do not exist yet.
  const auto started = Clock::now();
  std::vector<std::unique_ptr<platform::ChildProcess>> imports(static_cast<size_t>(procs));
  for (int p = 0; p < procs; ++p) {
    ASSERT_EQ(platform::StartProcess(Program("impcust-cli"),
                                     ImportArgs(company, csvs[p], reports[p]), &imports[p]),
              0);
  }
  std::unique_ptr<platform::ChildProcess> reader;
  ASSERT_EQ(platform::StartProcess(Program("stress_reader"),
                                   {"lookup", company.string(), (root_ / "codes.txt").string(),
                                    stop.string(), reader_out.string()},
                                   &reader),
            0);
  const uint32_t limit_ms = 120000 + static_cast<uint32_t>(procs) * rows * 10;
  std::vector<int> exit_codes(static_cast<size_t>(procs), -1);
  for (int p = 0; p < procs; ++p) {
    ASSERT_EQ(imports[p]->Wait(limit_ms, &exit_codes[p]), 0) << "import " << p << " hangs";
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  WriteFile(stop, "");
  int reader_code = -1;
  ASSERT_EQ(reader->Wait(60000, &reader_code), 0) << "the reader does not stop";

  // Exit codes and reports.
  long total_rows = 0, total_added = 0, total_refused = 0, total_exists = 0;
  std::map<std::string, int> added_by;  // code → number of imports that report it added
  std::map<std::string, int64_t> record_of;
  for (int p = 0; p < procs; ++p) {
    EXPECT_EQ(exit_codes[p], 0) << "import " << p;
    const nlohmann::json r = nlohmann::json::parse(ReadFile(reports[p]), nullptr, false);
    ASSERT_FALSE(r.is_discarded()) << "report of import " << p;
    EXPECT_EQ(r["rows"], rows) << p;
    EXPECT_EQ(r["added"].get<int>() + r["skipped_exists"].get<int>() + r["refused"].get<int>(),
              rows)
        << p;
    EXPECT_EQ(r["skipped_empty_code"], 0) << p;
    EXPECT_EQ(r["skipped_long_code"], 0) << p;
    EXPECT_EQ(r["not_reached"], 0) << p;
    if (p % 2 == 0) {
      EXPECT_EQ(r["added"], rows) << "import " << p << " has codes of its own";
    }
    total_rows += r["rows"].get<long>();
    total_added += r["added"].get<long>();
    total_refused += r["refused"].get<long>();
    total_exists += r["skipped_exists"].get<long>();
    for (const auto& o : r["outcomes"]) {
      const std::string code = o["code"];
      if (o["outcome"] == "added") {
        ++added_by[code];
        record_of[code] = o["record"].get<int64_t>();
      } else if (o["outcome"] == "refused") {
        // Only a customer that another import added between the lookup and the add.
        EXPECT_EQ(o["status"], 10230) << code;
      } else {
        EXPECT_EQ(o["outcome"], "skipped-exists") << code;
      }
    }
  }
  EXPECT_EQ(total_added, static_cast<long>(universe.size()));
  for (const std::string& code : universe) {
    EXPECT_EQ(added_by[code], 1) << code << " reported added by that many imports";
  }

  // The files.
  isam::VerifyOptions strict;
  strict.check_record_refs = true;
  for (const datafiles::DataFileSetDef* def : datafiles::kCompanySets) {
    const isam::VerifyResult v = Verify(company, std::string(def->name), strict);
    EXPECT_TRUE(v.Sound()) << def->name << ": " << (v.defects.empty() ? v.error : v.defects[0]);
  }
  const Customers stored = ReadCustomers(company, false);
  ASSERT_TRUE(stored.readable);
  for (size_t i = 0; i < stored.problems.size() && i < 20; ++i) ADD_FAILURE() << stored.problems[i];
  EXPECT_EQ(stored.code.size(), universe.size());
  for (const std::string& code : universe) {
    const auto at = stored.code.find(code);
    if (at == stored.code.end()) {
      ADD_FAILURE() << code << " is missing";
    } else if (record_of.count(code) != 0) {
      EXPECT_EQ(at->second, record_of[code]) << code << " is not where its import put it";
    }
  }
  const isam::SetFacts& facts = stored.verify.facts;
  EXPECT_EQ(facts.records_used - facts.free_found, static_cast<int64_t>(universe.size()))
      << "records without keys";
  ASSERT_EQ(facts.indexes.size(), 2u);
  EXPECT_EQ(facts.indexes[0].key_count, static_cast<int32_t>(universe.size()));
  EXPECT_EQ(facts.indexes[1].key_count, static_cast<int32_t>(universe.size()));

  // The watching process.
  const std::string watched = ReadFile(reader_out);
  EXPECT_EQ(reader_code, 0) << watched;
  long lookups = 0, found = 0, conflicts = 0, reached = 0, faults = -1;
  ASSERT_EQ(
      std::sscanf(watched.c_str(), "lookups %ld found %ld conflicts %ld reached %ld faults %ld",
                  &lookups, &found, &conflicts, &reached, &faults),
      5)
      << watched;
  EXPECT_EQ(faults, 0);
  EXPECT_GT(found, 0) << "the reader never saw a customer while the imports ran";

  std::printf(
      "stress: %d imports x %d rows = %ld rows in %.1f s (%.0f rows/s): %ld added, %ld skipped "
      "as existing, %ld refused as duplicates; %zu customers, %d records used, %lld free; "
      "reader: %ld lookups, %ld found, %ld collisions\n",
      procs, rows, total_rows, seconds, total_rows / seconds, total_added, total_exists,
      total_refused, universe.size(), facts.records_used, static_cast<long long>(facts.free_found),
      lookups, found, conflicts);
}

}  // namespace
}  // namespace hardening
