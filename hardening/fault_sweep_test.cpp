// The I/O fault sweep: a small import (customers added one by one with both keys, each add
// published by its unlock) runs once for every engine I/O call N of each kind, with the
// fault-injecting Env failing call N. Whatever the program reported, the customer set must
// afterwards be sound, or carry the in-use flag of an interrupted writer and be sound apart
// from it; every customer whose unlock succeeded must be there under both keys; and no record
// may lie without both keys, nor any key point to a free slot.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "datafiles/customer_key.h"
#include "datafiles/customer_record.h"
#include "datafiles/file_sets.h"
#include "dialogs/dialogs.h"
#include "dialogs/recording_presenter.h"
#include "fileaccess/access.h"
#include "fileaccess/end_program.h"
#include "isam/isam.h"
#include "isam/verify.h"
#include "platform/env.h"
#include "platform/fault_env.h"

namespace {

using platform::CallKind;

constexpr int kCustomers = 6;
constexpr char kSet[] = "ARFILE01";

std::string CodeOf(int i) { return std::string("C").append(std::to_string(1000 + i)); }

struct RunResult {
  std::set<std::string> published;  // codes whose add and unlock both succeeded
  int calls = 0;                    // calls of the swept kind the run made
};

// One import into the current directory through `env`; nothing here asserts.
RunResult Import(platform::FaultEnv* env, CallKind kind) {
  RunResult result;
  isam::ResetEngine(env);
  isam::StartEngine(2, 64);
  fileaccess::ResetAccessLayer();
  fileaccess::SetOpenInSaveMode(false);
  fileaccess::SetFlushAfterWrite(true);
  fileaccess::ClearEndRequest();
  const auto block = datafiles::KeyDescriptorBlock(datafiles::kArFile01);
  isam::FileBlock* fb = nullptr;
  fileaccess::OpenOrCreate(fb, kSet, datafiles::kArFile01.record_length, block.data(),
                           datafiles::kArFile01.key_count);
  if (fileaccess::AccessOk() && fb != nullptr) {
    for (int i = 0; i < kCustomers && !fileaccess::EndRequested(); ++i) {
      datafiles::CustomerRecord record;
      record.SetCode(CodeOf(i));
      record.SetName(i % 2 == 0 ? "\xA1\xD2\xC3\xA4\xE9\xD2 " + std::to_string(i) : "SHOP");
      isam::LockDataFile(fb);
      if (!isam::StatusOk()) continue;
      int32_t n = 0;
      fileaccess::AddWithKeys(
          fb, [](const void* r, int k) { return datafiles::CustomerKey(r, k); }, 2, record.data(),
          n);
      const bool added = fileaccess::AccessOk();
      isam::UnlockDataFile(fb);
      if (added && isam::StatusOk()) result.published.insert(CodeOf(i));
    }
    fileaccess::CloseChecked(fb);
  }
  isam::StopEngine();
  result.calls = env->Calls(kind);
  isam::ResetEngine(nullptr);
  return result;
}

// The checks on what a run left, read straight from the files.
void CheckSet(const RunResult& run, const std::string& label) {
  isam::VerifyOptions strict;
  strict.check_record_refs = true;
  const isam::VerifyResult v = isam::VerifyDataFileSet(nullptr, kSet, strict);
  if (!v.readable) {
    // The set was never created completely: then nothing can have been published.
    EXPECT_TRUE(run.published.empty()) << label << ": published rows without a readable set";
    return;
  }
  if (!v.Sound()) {
    EXPECT_NE(v.facts.in_use, 0) << label << ": unsound without the in-use flag: "
                                 << (v.defects.empty() ? "" : v.defects[0]);
    isam::VerifyOptions lenient = strict;
    lenient.ignore_in_use = true;
    const isam::VerifyResult l = isam::VerifyDataFileSet(nullptr, kSet, lenient);
    EXPECT_TRUE(l.Sound()) << label << ": " << (l.defects.empty() ? "" : l.defects[0]);
  }
  std::map<int32_t, std::string> by_code;
  std::set<int32_t> by_name;
  isam::ListIndexKeys(nullptr, kSet, 1,
                      [&](const std::string& key, int32_t n) { by_code[n] = key; });
  isam::ListIndexKeys(nullptr, kSet, 2, [&](const std::string&, int32_t n) { by_name.insert(n); });
  std::set<std::string> codes;
  for (const auto& [n, code] : by_code) {
    codes.insert(code);
    EXPECT_EQ(by_name.count(n), 1u) << label << ": customer " << code << " lacks its name key";
  }
  for (int32_t n : by_name) {
    EXPECT_EQ(by_code.count(n), 1u) << label << ": record " << n << " lacks its code key";
  }
  for (const std::string& code : run.published) {
    EXPECT_EQ(codes.count(code), 1u) << label << ": published customer " << code << " lost";
  }
  // Every record in use carries keys: records used minus free ones equals the keyed ones.
  if (v.facts.in_use == 0) {
    EXPECT_EQ(v.facts.records_used - v.facts.free_found, static_cast<int64_t>(by_code.size()))
        << label << ": records without keys";
  }
}

class FaultSweep : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Env* os = platform::Env::Default();
    ASSERT_EQ(os->GetCurrentDirectory(&previous_), 0);
    std::random_device rd;
    root_ = std::filesystem::temp_directory_path() / ("fault_sweep_" + std::to_string(rd()));
    std::filesystem::create_directories(root_);
    dialogs::SetPresenter(&presenter_);
    fileaccess::SetEndProgramHandler([](const fileaccess::EndRequest&) {});
  }
  void TearDown() override {
    fileaccess::SetEndProgramHandler(nullptr);
    fileaccess::ClearEndRequest();
    fileaccess::ResetAccessLayer();
    dialogs::SetPresenter(nullptr);
    platform::Env::Default()->SetCurrentDirectory(previous_);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  // A fresh, current folder for one run.
  void Fresh(const std::string& name) {
    const auto dir = root_ / name;
    std::filesystem::create_directories(dir);
    ASSERT_EQ(platform::Env::Default()->SetCurrentDirectory(dir.string()), 0);
  }

  std::string previous_;
  std::filesystem::path root_;
  dialogs::RecordingPresenter presenter_;
};

TEST_F(FaultSweep, EveryFailedCallLeavesTheSetSoundAndThePublishedCustomers) {
  const struct {
    CallKind kind;
    const char* name;
    int error;
  } kinds[] = {
      {CallKind::kRead, "read", platform::kErrGeneric},
      {CallKind::kWrite, "write", platform::kErrDiskFull},
      {CallKind::kLock, "lock", platform::kErrAccessDenied},
      {CallKind::kUnlock, "unlock", platform::kErrGeneric},
      {CallKind::kFlush, "flush", platform::kErrGeneric},
      {CallKind::kOpen, "open", platform::kErrAccessDenied},
      {CallKind::kCreate, "create", platform::kErrDiskFull},
      {CallKind::kDelete, "delete", platform::kErrAccessDenied},
  };
  int injected = 0, clean_outcomes = 0;
  for (const auto& k : kinds) {
    Fresh(std::string("clean_") + k.name);
    platform::FaultEnv counting(platform::Env::Default());
    const RunResult clean = Import(&counting, k.kind);
    ASSERT_EQ(clean.published.size(), static_cast<size_t>(kCustomers)) << "fault-free run";
    CheckSet(clean, std::string("clean ") + k.name);
    for (int n = 1; n <= clean.calls; ++n) {
      const std::string label = std::string(k.name) + " #" + std::to_string(n);
      Fresh(std::string(k.name) + "_" + std::to_string(n));
      platform::FaultEnv faulty(platform::Env::Default());
      faulty.UseVirtualClock(true);
      faulty.FailNth(k.kind, n, k.error);
      const RunResult run = Import(&faulty, k.kind);
      ++injected;
      if (run.published.size() == static_cast<size_t>(kCustomers)) ++clean_outcomes;
      CheckSet(run, label);
      if (HasFailure()) return;
    }
  }
  std::printf("fault sweep: %d injected faults, %d runs still published every customer\n", injected,
              clean_outcomes);
  EXPECT_GT(injected, 0);
}

}  // namespace
