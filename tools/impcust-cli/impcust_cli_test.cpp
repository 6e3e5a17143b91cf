// End-to-end tests of impcust-cli: real processes on real files, through the real engine.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <tuple>

#include "platform/process.h"
#include "platform/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

std::string BinDir() {
  const char* dir = std::getenv("IMPCUST_BIN_DIR");
  return dir != nullptr ? dir : ".";
}
std::string Cli() { return (fs::path(BinDir()) / "impcust-cli").string(); }
std::string IsamTool() { return (fs::path(BinDir()) / "isamtool").string(); }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Every file below `dir` with its bytes: the "checksum" of a directory.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string name = e.path().lexically_relative(dir).string();
    out[name] = e.is_regular_file() ? ReadFile(e.path()) : std::string("<dir>");
  }
  return out;
}

void SetVariable(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  ::setenv(name, value.c_str(), 1);
#endif
}

// Code page 874 titles of the checked columns.
const char kCode[] = "\xC3\xCB\xD1\xCA\xC5\xD9\xA1\xA4\xE9\xD2";
const char kName[] = "\xAA\xD7\xE8\xCD\xC5\xD9\xA1\xCB\xB9\xD5\xE9/\xC5\xD9\xA1\xA4\xE9\xD2";
const char kBilling[] = "\xC7\xD2\xA7\xBA\xD4\xC5 1";

std::string TitleRow() {
  std::string row = std::string(kCode) + "," + kName;
  for (int c = 2; c < 20; ++c) row += c == 15 ? std::string(",") + kBilling : std::string(",");
  return row + "\r\n";
}

// A data row: code, name and column 12, the rest empty.
std::string Row(const std::string& code, const std::string& name, const std::string& value12 = "") {
  std::string row = code + "," + name;
  for (int c = 2; c < 20; ++c) row += "," + (c == 12 ? value12 : std::string());
  return row + "\r\n";
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(scratch_.path());
    startup_ = root_ / "startup";
    fs::create_directories(startup_);
    fs::create_directories(root_ / "appdata");
    fs::create_directories(root_ / "temp");
    SetVariable("APPDATA", (root_ / "appdata").string());
    SetVariable("TEMP", (root_ / "temp").string());
  }

  // A company directory holding only an empty ARINFO.DAT.
  fs::path NewCompany(const std::string& name) {
    const fs::path dir = root_ / name;
    fs::create_directories(dir);
    WriteFile(dir / "ARINFO.DAT", "");
    return dir;
  }

  fs::path Csv(const std::string& name, const std::string& bytes) {
    const fs::path path = root_ / name;
    WriteFile(path, bytes);
    return path;
  }

  int Import(const fs::path& company, const fs::path& csv, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"import",        "--company",       company.string(),
                                     "--startup-dir", startup_.string(), "--no-progress"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(csv.string());
    return platform::RunProcess(Cli(), args);
  }

  nlohmann::json ImportReport(const fs::path& company, const fs::path& csv, int* exit_code,
                              std::vector<std::string> extra = {}) {
    const fs::path report = root_ / ("report" + std::to_string(++reports_) + ".json");
    extra.push_back("--report");
    extra.push_back(report.string());
    *exit_code = Import(company, csv, extra);
    return nlohmann::json::parse(ReadFile(report));
  }

  int Check(const fs::path& company, const std::string& set) {
    return platform::RunProcess(IsamTool(), {"check", (company / set).string()});
  }

  platform::ScratchDir scratch_{"impcust-cli"};
  fs::path root_, startup_;
  int reports_ = 0;
};

TEST_F(CliTest, ImportsRowsWithTheirOutcomesAndASecondRunAddsNothing) {
  const fs::path company = NewCompany("co");
  const std::string rows = TitleRow() + Row("C001", "Alpha") + Row("C002", "Beta") +
                           Row("C001", "Alpha again") + Row("c002", "beta lower") +
                           Row("", "no code") + Row("ABCDEFGHIJK", "eleven") +
                           Row("ABCDEFGHIJ", "ten") + "\r\n";
  const fs::path csv = Csv("in.csv", rows);
  int code = -1;
  nlohmann::json report =
      ImportReport(company, csv, &code, {"--rejects", (root_ / "rej.csv").string()});
  ASSERT_EQ(code, 0);
  EXPECT_EQ(report["rows"], 8);
  EXPECT_EQ(report["added"], 3);
  EXPECT_EQ(report["skipped_exists"], 1);
  EXPECT_EQ(report["refused"], 1);
  EXPECT_EQ(report["skipped_empty_code"], 2);  // the empty code and the empty last line
  EXPECT_EQ(report["skipped_long_code"], 1);
  EXPECT_TRUE(report["stopped_at_row"].is_null());
  const std::vector<std::string> expected = {"added",
                                             "added",
                                             "skipped-exists",
                                             "refused",
                                             "skipped-empty-code",
                                             "skipped-long-code",
                                             "added",
                                             "skipped-empty-code"};
  ASSERT_EQ(report["outcomes"].size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const auto& o = report["outcomes"][i];
    EXPECT_EQ(o["row"], i + 1);
    EXPECT_EQ(o["outcome"], expected[i]) << i;
  }
  EXPECT_EQ(report["outcomes"][0]["record"], 1);
  EXPECT_EQ(report["outcomes"][2]["record"], 1);  // the existing C001
  EXPECT_EQ(report["outcomes"][3]["status"], 10230);
  EXPECT_TRUE(report["outcomes"][4]["status"].is_null());

  // The rejects carry the rows' own bytes and a reason in a column the import ignores.
  const std::string rejects = ReadFile(root_ / "rej.csv");
  EXPECT_NE(rejects.find("C001,Alpha again,"), std::string::npos);
  EXPECT_NE(rejects.find(",,skipped-exists\r\n"), std::string::npos);
  EXPECT_NE(rejects.find("c002,beta lower"), std::string::npos);
  EXPECT_EQ(rejects.find("C002,Beta,"), std::string::npos);
  const nlohmann::json again_of_rejects = ImportReport(company, root_ / "rej.csv", &code);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(again_of_rejects["added"], 0);

  const nlohmann::json again = ImportReport(company, csv, &code);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(again["added"], 0);
  EXPECT_EQ(again["skipped_exists"], 4);
  for (const char* set :
       {"ARFILE01", "ARFILE02", "ARFILE03", "ARFILE04", "ARFILE05", "GLFILE01", "BIFILE01"}) {
    EXPECT_EQ(Check(company, set), 0) << set;
  }
}

TEST_F(CliTest, ColumnTwelveStopsAtTheSameRowEveryTime) {
  const fs::path company = NewCompany("co");
  const fs::path csv = Csv("in.csv", TitleRow() + Row("A1", "a", "1234.50") + Row("A2", "b", "-") +
                                         Row("A3", "c", "\"1,234.50\"") + Row("A4", "d", "7"));
  for (int run = 0; run < 2; ++run) {
    int code = -1;
    const nlohmann::json report = ImportReport(company, csv, &code);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(report["stopped_at_row"], 3);
    EXPECT_EQ(report["added"], run == 0 ? 2 : 0);
    EXPECT_EQ(report["skipped_exists"], run == 0 ? 0 : 2);
    EXPECT_EQ(report["outcomes"][2]["outcome"], "stopped");
    EXPECT_EQ(report["outcomes"][3]["outcome"], "not-reached");
    EXPECT_EQ(report["not_reached"], 1);
  }
  EXPECT_EQ(Check(company, "ARFILE01"), 0);
}

TEST_F(CliTest, BadInputIsRefusedBeforeTheCompanyIsTouched) {
  const fs::path company = NewCompany("co");
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
  std::string wide = TitleRow();
  for (int c = 0; c < 200; ++c) wide += "x,";
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"binary garbage", garbage},
      {"NUL byte", TitleRow() + std::string("C1,a\0b\r\n", 8)},
      {"1 MB line", TitleRow() + "C1," + std::string(1 << 20, 'n') + "\r\n"},
      {"unbalanced quote", TitleRow() + "C1,\"open name,,,\r\nC2,b\r\n"},
      {"200 columns, no titles", std::string(200, ',') + "\r\n" + std::string(200, ',')},
      {"11 columns", std::string(kCode) + "," + kName + ",,,,,,,,,\r\n"},
      {"empty file", ""},
  };
  const auto before = Snapshot(company);
  for (const auto& c : cases) {
    EXPECT_EQ(Import(company, Csv("bad.csv", c.bytes)), 2) << c.name;
    EXPECT_EQ(Snapshot(company), before) << c.name;
  }
  EXPECT_EQ(Import(company, root_ / "missing.csv"), 2);
  EXPECT_EQ(platform::RunProcess(Cli(), {"import", "--company"}), 2);
  EXPECT_EQ(Snapshot(company), before);
}

TEST_F(CliTest, FatalConditionsExitWithThree) {
  const fs::path csv = Csv("in.csv", TitleRow() + Row("C1", "a"));
  const fs::path no_info = root_ / "not-a-company";
  fs::create_directories(no_info);
  EXPECT_EQ(Import(no_info, csv), 3);
  EXPECT_TRUE(fs::is_empty(no_info));  // nothing created there

  // A left-over of an interrupted repair: No (or no answer) ends the program untouched.
  const fs::path company = NewCompany("co");
  ASSERT_EQ(Import(company, csv), 0);
  WriteFile(company / "ARFILE01.SAV", "old");
  const auto before = Snapshot(company);
  EXPECT_EQ(Import(company, csv, {"--assume-no"}), 3);
  EXPECT_EQ(Import(company, csv), 3);
  EXPECT_EQ(Snapshot(company), before);
}

TEST_F(CliTest, DryRunWritesNothingAndPredictsTheRealRun) {
  const fs::path company = NewCompany("co");
  ASSERT_EQ(Import(company, Csv("first.csv", TitleRow() + Row("C001", "x"))), 0);
  const fs::path csv =
      Csv("in.csv", TitleRow() + Row("C001", "exists") + Row("c001", "case twin") +
                        Row("N1", "new") + Row("N1", "in-file twin") + Row("n1", "case twin") +
                        Row("N2", "new") + Row("N3", "stop", "x") + Row("N4", "after"));
  const auto company_before = Snapshot(company);
  const auto startup_before = Snapshot(startup_);
  int dry_code = -1, real_code = -1;
  nlohmann::json dry = ImportReport(company, csv, &dry_code, {"--dry-run"});
  EXPECT_EQ(Snapshot(company), company_before);
  EXPECT_EQ(Snapshot(startup_), startup_before);

  // A company whose sets do not exist yet: they count as empty and are not created.
  const fs::path empty = NewCompany("empty");
  int empty_code = -1;
  const nlohmann::json on_empty = ImportReport(empty, csv, &empty_code, {"--dry-run"});
  EXPECT_EQ(empty_code, 1);
  EXPECT_EQ(on_empty["added"], 3);
  EXPECT_EQ(Snapshot(empty).size(), 1u);

  nlohmann::json real = ImportReport(company, csv, &real_code);
  EXPECT_EQ(dry_code, real_code);
  EXPECT_EQ(dry_code, 1);
  for (const char* key : {"rows", "added", "skipped_empty_code", "skipped_long_code",
                          "skipped_exists", "refused", "not_reached", "stopped_at_row"}) {
    EXPECT_EQ(dry[key], real[key]) << key;
  }
  ASSERT_EQ(dry["outcomes"].size(), real["outcomes"].size());
  for (size_t i = 0; i < dry["outcomes"].size(); ++i) {
    EXPECT_EQ(dry["outcomes"][i], real["outcomes"][i]) << i;
  }
  EXPECT_EQ(real["refused"], 2);
  EXPECT_EQ(real["skipped_exists"], 2);
}

// The records of a set's .DAT file (slot 0 is the header), sorted.
std::multiset<std::string> Records(const fs::path& dat, size_t length) {
  const std::string bytes = ReadFile(dat);
  std::multiset<std::string> out;
  for (size_t off = length; off + length <= bytes.size(); off += length) {
    out.insert(bytes.substr(off, length));
  }
  return out;
}

TEST_F(CliTest, ExportThenImportReproducesEveryRecord) {
  const fs::path company = NewCompany("co");
  std::string rows = TitleRow();
  rows +=
      "Z9,\"Name, with \"\"quotes\"\"\",a,b,c,d,e,7,t8,-1,15/03/68,300,1e-3,K,b,44,5,6,"
      "01/02/67,1/3/2568\r\n";
  rows += "A1,\xE0\xA8\xC3\xD4\xAD \xE3\xA8\xB4\xD5 " + std::string(70, 'n') +
          ",,,,,,,,1,500,,2,-2.5,,,,,,12:34:56,\r\n";
  for (int i = 0; i < 30; ++i)
    rows += Row("K" + std::to_string(i), "name " + std::to_string(i), "12.25");
  ASSERT_EQ(Import(company, Csv("in.csv", rows)), 0);

  const fs::path out = root_ / "out.csv";
  ASSERT_EQ(platform::RunProcess(Cli(), {"export", "--company", company.string(), "--startup-dir",
                                         startup_.string(), out.string()}),
            0);
  const fs::path fresh = NewCompany("fresh");
  ASSERT_EQ(Import(fresh, out), 0);
  const auto original = Records(company / "ARFILE01.DAT", 1492);
  EXPECT_EQ(original.size(), 32u);
  EXPECT_EQ(Records(fresh / "ARFILE01.DAT", 1492), original);
  EXPECT_EQ(Check(fresh, "ARFILE01"), 0);
}

TEST_F(CliTest, TwoImportsAtOnceIntoOneCompanyBothComplete) {
  const fs::path company = NewCompany("co");
  std::string a = TitleRow(), b = TitleRow();
  for (int i = 0; i < 400; ++i) {
    a += Row("A" + std::to_string(i), "\xE0\xA8\xC3\xD4\xAD " + std::to_string(i));
    b += Row("B" + std::to_string(i), "\xE1\xCA\xA7 " + std::to_string(i));
  }
  const fs::path csv_a = Csv("a.csv", a), csv_b = Csv("b.csv", b);
  auto args = [&](const fs::path& csv, const std::string& report) {
    return std::vector<std::string>{
        "import",        "--company", company.string(),          "--startup-dir", startup_.string(),
        "--no-progress", "--report",  (root_ / report).string(), csv.string()};
  };
  std::unique_ptr<platform::ChildProcess> first, second;
  ASSERT_EQ(platform::StartProcess(Cli(), args(csv_a, "ra.json"), &first), 0);
  ASSERT_EQ(platform::StartProcess(Cli(), args(csv_b, "rb.json"), &second), 0);
  int code_a = -1, code_b = -1;
  ASSERT_EQ(first->Wait(120000, &code_a), 0);
  ASSERT_EQ(second->Wait(120000, &code_b), 0);
  EXPECT_EQ(code_a, 0);
  EXPECT_EQ(code_b, 0);
  EXPECT_EQ(nlohmann::json::parse(ReadFile(root_ / "ra.json"))["added"], 400);
  EXPECT_EQ(nlohmann::json::parse(ReadFile(root_ / "rb.json"))["added"], 400);
  // Every row of both is there under both keys: a third run finds them all.
  int code = -1;
  const nlohmann::json again_a = ImportReport(company, csv_a, &code);
  const nlohmann::json again_b = ImportReport(company, csv_b, &code);
  EXPECT_EQ(again_a["skipped_exists"], 400);
  EXPECT_EQ(again_b["skipped_exists"], 400);
  for (const char* set :
       {"ARFILE01", "ARFILE02", "ARFILE03", "ARFILE04", "ARFILE05", "GLFILE01", "BIFILE01"}) {
    EXPECT_EQ(Check(company, set), 0) << set;
  }
  // Both indexes hold a key for every row.
  const fs::path info = root_ / "info.json";
  const std::string command = "\"" + IsamTool() + "\" info \"" + (company / "ARFILE01").string() +
                              "\" --json > \"" + info.string() + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const nlohmann::json facts = nlohmann::json::parse(ReadFile(info));
  EXPECT_EQ(facts["data"]["records_used"], 800);
  ASSERT_EQ(facts["indexes"].size(), 2u);
  EXPECT_EQ(facts["indexes"][0]["key_count"], 800);
  EXPECT_EQ(facts["indexes"][1]["key_count"], 800);
}

}  // namespace
