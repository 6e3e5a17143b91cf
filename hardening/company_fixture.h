// The scaffolding of the many-process tests: a scratch folder with a start-up directory and
// companies in it, the programs under test (impcust-cli, stress_reader) found through
// IMPCUST_BIN_DIR, and a reading of what a company's customer set holds, taken from the files
// by the structural checker rather than through the engine that wrote them.
//
// Contract that is easy to get wrong: the checker is given names relative to the company
// directory (ReadCustomers enters it and goes back), because a dot in a folder of the scratch
// path would otherwise be taken for the start of an extension.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "datafiles/customer_record.h"
#include "datafiles/file_sets.h"
#include "hardening/stress_support.h"
#include "isam/verify.h"
#include "platform/env.h"
#include "platform/process.h"
#include "platform/scratch_dir.h"

namespace hardening {

namespace fs = std::filesystem;

inline std::string BinDir() {
  const char* dir = std::getenv("IMPCUST_BIN_DIR");
  return dir != nullptr ? dir : ".";
}
inline std::string Program(const std::string& name) {
#ifdef _WIN32
  return (fs::path(BinDir()) / (name + ".exe")).string();
#else
  return (fs::path(BinDir()) / name).string();
#endif
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
inline void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline int EnvInt(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

// What a company's customer set holds, read from its files.
struct Customers {
  bool readable = false;
  isam::VerifyResult verify;            // the checker's verdict on ARFILE01
  std::map<std::string, int32_t> code;  // key 1 → record; a code met twice is a problem
  std::vector<std::string> problems;    // keys without records, records unlike their code…
};

class CompanyFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(scratch_.path());
    startup_ = root_ / "startup";
    fs::create_directories(startup_);
    fs::create_directories(root_ / "appdata");
    fs::create_directories(root_ / "temp");
    SetVariable("APPDATA", (root_ / "appdata").string());
    SetVariable("TEMP", (root_ / "temp").string());
    ASSERT_EQ(platform::Env::Default()->GetCurrentDirectory(&previous_dir_), 0);
  }
  void TearDown() override { platform::Env::Default()->SetCurrentDirectory(previous_dir_); }

  static void SetVariable(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
  }

  // A company directory holding only an empty ARINFO.DAT: its first start creates every set.
  fs::path NewCompany(const std::string& name) {
    const fs::path dir = root_ / name;
    fs::create_directories(dir);
    WriteFile(dir / "ARINFO.DAT", "");
    return dir;
  }

  std::vector<std::string> ImportArgs(const fs::path& company, const fs::path& csv,
                                      const fs::path& report) const {
    return {"import",        "--company", company.string(), "--startup-dir", startup_.string(),
            "--no-progress", "--report",  report.string(),  csv.string()};
  }

  // Runs the checker on one set of `company` (see the header comment for the names).
  isam::VerifyResult Verify(const fs::path& company, const std::string& set,
                            const isam::VerifyOptions& options) {
    platform::Env* env = platform::Env::Default();
    isam::VerifyResult result;
    if (env->SetCurrentDirectory(company.string()) != 0) return result;
    result = isam::VerifyDataFileSet(env, set, options);
    env->SetCurrentDirectory(previous_dir_);
    return result;
  }

  // Walks both indexes of ARFILE01 and reads every record a key names straight from the .DAT.
  // Each record must be the customer its code stands for, carry both keys, and be named by
  // exactly one key of each index.
  Customers ReadCustomers(const fs::path& company, bool ignore_in_use) {
    Customers out;
    platform::Env* env = platform::Env::Default();
    if (env->SetCurrentDirectory(company.string()) != 0) return out;
    isam::VerifyOptions options;
    options.check_record_refs = true;
    options.ignore_in_use = ignore_in_use;
    out.verify = isam::VerifyDataFileSet(env, "ARFILE01", options);
    std::map<int32_t, std::string> by_record;
    std::map<int32_t, std::string> name_key;
    isam::ListIndexKeys(env, "ARFILE01", 1, [&](const std::string& key, int32_t n) {
      if (!out.code.emplace(key, n).second) out.problems.push_back("code " + key + " twice");
      if (!by_record.emplace(n, key).second) {
        out.problems.push_back("record " + std::to_string(n) + " under two codes");
      }
    });
    isam::ListIndexKeys(env, "ARFILE01", 2, [&](const std::string& key, int32_t n) {
      if (!name_key.emplace(n, key).second) {
        out.problems.push_back("record " + std::to_string(n) + " under two name keys");
      }
    });
    env->SetCurrentDirectory(previous_dir_);
    out.readable = out.verify.readable;
    if (!out.readable) return out;

    std::ifstream dat(company / "ARFILE01.DAT", std::ios::binary);
    std::vector<char> record(datafiles::CustomerRecord::kLength);
    for (const auto& [n, code] : by_record) {
      dat.seekg(static_cast<std::streamoff>(n) * datafiles::CustomerRecord::kLength);
      if (!dat.read(record.data(), static_cast<std::streamsize>(record.size()))) {
        out.problems.push_back("record " + std::to_string(n) + " of " + code + " beyond the file");
        dat.clear();
        continue;
      }
      const std::string mismatch =
          RecordMismatch(reinterpret_cast<const uint8_t*>(record.data()), code);
      if (!mismatch.empty())
        out.problems.push_back("record " + std::to_string(n) + ": " + mismatch);
      const auto name = name_key.find(n);
      if (name == name_key.end()) {
        out.problems.push_back(code + " has no key 2");
      } else if (name->second != NameKeyOf(code)) {
        out.problems.push_back(code + ": key 2 is not its name's");
      }
    }
    for (const auto& [n, key] : name_key) {
      if (by_record.count(n) == 0) {
        out.problems.push_back("record " + std::to_string(n) + " has key 2 but no key 1");
      }
    }
    return out;
  }

  platform::ScratchDir scratch_{"hardening"};
  fs::path root_, startup_;
  std::string previous_dir_;
};

}  // namespace hardening
