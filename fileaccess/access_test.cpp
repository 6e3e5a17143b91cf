#include "fileaccess/access.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "fileaccess/test_fixture.h"
#include "isam/isam.h"
#include "isam/verify.h"
#include "platform/fault_env.h"
#include "platform/process.h"
#include "platform/system.h"

namespace fileaccess {
namespace {

using Kind = dialogs::RecordingPresenter::CallKind;

// A small set with two unique keys of 10 bytes: key k is the 10 bytes at 4 + 10 (k - 1).
constexpr char kSet[] = "TESTSET";
constexpr int32_t kRecordLength = 40;

std::array<uint8_t, 200> TwoUniqueKeys() {
  std::array<uint8_t, 200> block{};
  block[0] = 10;
  block[2] = 10;
  return block;
}

std::array<uint8_t, kRecordLength> Record(const std::string& key1, const std::string& key2) {
  std::array<uint8_t, kRecordLength> r{};
  std::memcpy(r.data() + 4, key1.data(), std::min<size_t>(key1.size(), 10));
  std::memcpy(r.data() + 14, key2.data(), std::min<size_t>(key2.size(), 10));
  return r;
}

std::string KeyOf(const void* record, int k) {
  const auto* b = static_cast<const uint8_t*>(record) + 4 + 10 * (k - 1);
  return std::string(reinterpret_cast<const char*>(b),
                     strnlen(reinterpret_cast<const char*>(b), 10));
}

class AccessTest : public AccessFixture {
 protected:
  void OpenTestSet() {
    const auto block = TwoUniqueKeys();
    OpenOrCreate(fb_, kSet, kRecordLength, block.data(), 2);
    ASSERT_TRUE(AccessOk());
    ASSERT_NE(fb_, nullptr);
  }
  int32_t Add(const std::string& k1, const std::string& k2, const KeyBuilder& b = KeyOf) {
    const auto r = Record(k1, k2);
    int32_t n = 0;
    AddWithKeys(fb_, b, 2, r.data(), n);
    return n;
  }
  void TearDown() override {
    if (fb_ != nullptr) CloseChecked(fb_);
    AccessFixture::TearDown();
  }
  isam::FileBlock* fb_ = nullptr;
};

TEST(EngineMessage, ExactTextsIncludingTheirSpelling) {
  const struct {
    int32_t code;
    const char* text;
  } cases[] = {
      {9502, "DOS error code <2>"},
      {9500, "DOS error code <0>"},
      {9899, "DOS error code <399>"},
      {9902, ""},
      {0, ""},
      {10003, "Serious I/O error occurred while in save mode"},
      {10230, "Cannot add duplicate key"},
      {10323, "Close of Fileblock not possible because of a non-removeable lock"},
      {10341, "Fileblock unlock attempt failed"},
      {10360, "No repair during open, because theFileblock is not exclusively used"},
      {10399, "A lock prevents the operation"},
      {10415, "Too much records"},
      {10475, "Error while restructing the data record"},
      {10481, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(EngineMessage(c.code), c.text) << c.code;
}

TEST_F(AccessTest, LockCollisionsAreSilentNineHundredTimesThenAsked) {
  const std::string question =
      "(10330) \xC1\xD5\xA1\xD2\xC3\xC5\xE7\xCD\xA4\xA2\xE9\xCD\xC1\xD9\xC5\xAB\xE9\xCD\xB9\xA1"
      "\xD1\xB9. \xE2\xBB\xC3\xB4\xC5\xCD\xA7\xE3\xCB\xC1\xE8\xCD\xD5\xA1\xA4\xC3\xD1\xE9\xA7?";
  for (int i = 1; i <= kSilentLockRetries; ++i) ASSERT_TRUE(RetryOnLockFor(false, 10330, true));
  EXPECT_TRUE(presenter_.calls().empty());
  presenter_.QueueAnswer(true);
  EXPECT_TRUE(RetryOnLockFor(false, 10330, true));  // the 901st asks; Yes goes on
  ASSERT_EQ(presenter_.CallsOf(Kind::kQuestion).size(), 1u);
  EXPECT_EQ(presenter_.CallsOf(Kind::kQuestion)[0].text, question);
  for (int i = 1; i <= kSilentLockRetries; ++i) ASSERT_TRUE(RetryOnLockFor(false, 10330, true));
  EXPECT_EQ(presenter_.CallsOf(Kind::kQuestion).size(), 1u);
  presenter_.QueueAnswer(false);
  EXPECT_FALSE(RetryOnLockFor(false, 10330, true));  // No ends the program
  ASSERT_EQ(ends_.size(), 1u);
  EXPECT_EQ(ends_[0].reason, EndReason::kUserDeclined);
  EXPECT_EQ(LockRetryCount(), 0);
}

TEST_F(AccessTest, OnlyConflictsAreRetriedAndTheCountRestarts) {
  EXPECT_TRUE(RetryOnLockFor(false, 10399, true));
  EXPECT_TRUE(RetryOnLockFor(false, 10355, true));
  EXPECT_EQ(LockRetryCount(), 2);
  EXPECT_FALSE(RetryOnLockFor(false, 10200, true));  // not found: no retry
  EXPECT_EQ(LockRetryCount(), 0);
  EXPECT_FALSE(RetryOnLockFor(true, 0, true));
  for (int i = 1; i <= kSilentLockRetries; ++i) ASSERT_TRUE(RetryOnLockFor(false, 10330, false));
  EXPECT_FALSE(RetryOnLockFor(false, 10330, false));  // without asking: gives up
  EXPECT_TRUE(presenter_.calls().empty());
  EXPECT_TRUE(ends_.empty());
}

TEST_F(AccessTest, RecordLengthLimit) {
  const auto block = TwoUniqueKeys();
  OpenOrCreate(fb_, "BIG6000", 6000, block.data(), 2);
  EXPECT_TRUE(AccessOk());
  CloseChecked(fb_);
  OpenOrCreate(fb_, "ARFILE09", 7000, block.data(), 2);
  EXPECT_FALSE(AccessOk());
  EXPECT_EQ(Errors(),
            std::vector<std::string>{"ARFILE09: Record size too big.! (Size = 7000, Max = 6000)"});
  ASSERT_EQ(ends_.size(), 1u);
  EXPECT_FALSE(Exists("ARFILE09.DAT"));
}

TEST_F(AccessTest, MissingSetIsCreatedAndOpenedWithItsIndexes) {
  std::vector<std::string> texts;
  dialogs::SetStatusTextHook([&](const std::string& t) { texts.push_back(t); });
  OpenTestSet();
  const std::string opening =
      "\xA1\xD3\xC5\xD1\xA7\xE0\xBB\xD4\xB4\xE1\xBF\xE9\xC1\xA2\xE9\xCD\xC1\xD9\xC5 ";
  EXPECT_EQ(texts, (std::vector<std::string>{opening + "TESTSET.DAT", opening + "TESTSET.DAT"}));
  EXPECT_EQ(isam::KeyCount(fb_), 2);
  EXPECT_EQ(isam::IndexKeyLength(fb_, 1), 10);
  EXPECT_EQ(isam::RecordLength(fb_), kRecordLength);
  EXPECT_FALSE(Exists(CreationGuardName(kSet)));
  CloseChecked(fb_);
  EXPECT_TRUE(isam::VerifyDataFileSet(nullptr, kSet).Sound());

  texts.clear();
  const auto block = TwoUniqueKeys();
  OpenOrCreate(fb_, "~TEMP", kRecordLength, block.data(), 2);
  ASSERT_TRUE(AccessOk());
  EXPECT_EQ(texts.front(), opening + "Temporary File");
}

// The undo of a partial add, and what the layer does once the program is being ended.
TEST_F(AccessTest, RefusedKeysUndoTheAdd) {
  OpenTestSet();
  const int32_t first = Add("A1", "A2");
  ASSERT_TRUE(AccessOk());
  EXPECT_EQ(first, 1);

  // The second key is refused: key 1 and the record go again, the slot is free.
  const int32_t second = Add("B1", "A2");
  EXPECT_FALSE(AccessOk());
  EXPECT_EQ(isam::IndexKeyCount(fb_, 1), 1);
  EXPECT_EQ(isam::IndexKeyCount(fb_, 2), 1);
  int32_t n = 0;
  FindWithRetry(fb_, 1, n, "B1");
  EXPECT_FALSE(AccessOk());
  EXPECT_EQ(Add("C1", "C2"), second);  // the freed slot is taken again
  EXPECT_TRUE(AccessOk());

  // A duplicate first key: nothing to remove, the record is deleted.
  const int32_t dup = Add("A1", "D2");
  EXPECT_FALSE(AccessOk());
  EXPECT_EQ(isam::IndexKeyCount(fb_, 2), 2);
  EXPECT_EQ(Add("E1", "E2"), dup);

  FindWithRetry(fb_, 1, n, "C1");
  EXPECT_TRUE(AccessOk());
  EXPECT_EQ(n, second);
  EXPECT_TRUE(Errors().empty());
  EXPECT_TRUE(ends_.empty());
}

TEST_F(AccessTest, KeyThatCannotBeRemovedInTheUndoEndsTheProgram) {
  OpenTestSet();
  Add("A1", "A2");
  int calls = 0;
  // Key 1 reads differently when the undo asks for it again, so its removal fails.
  const KeyBuilder shifty = [&](const void* r, int k) {
    return k == 1 && ++calls > 1 ? std::string("ZZ") : KeyOf(r, k);
  };
  Add("B1", "A2", shifty);
  EXPECT_FALSE(AccessOk());
  EXPECT_EQ(Errors(), std::vector<std::string>{"10220: Key to delete was not found"});
  ASSERT_EQ(ends_.size(), 1u);
  EXPECT_EQ(ends_[0].reason, EndReason::kFatalFileError);
  EXPECT_EQ(ends_[0].status_code, 10220);

  // From now on nothing is written or looked up.
  int32_t n = 0;
  const int32_t before = isam::RecordsUsed(fb_);
  Add("C1", "C2");
  EXPECT_FALSE(AccessOk());
  EXPECT_EQ(isam::RecordsUsed(fb_), before);
  FindWithRetry(fb_, 1, n, "A1");
  EXPECT_FALSE(AccessOk());
  EXPECT_EQ(ends_.size(), 1u);
}

TEST_F(AccessTest, CloseOfAHandleNeverOpenedReportsNothing) {
  isam::FileBlock* none = nullptr;
  CloseChecked(none);
  EXPECT_FALSE(AccessOk());
  EXPECT_TRUE(presenter_.calls().empty());
}

TEST_F(AccessTest, OpenFailureOtherThanMissingIsReportedAndSwitchesAutoSelectOff) {
  int disabled = 0;
  SetDisableAutoSelectHook([&] { ++disabled; });
  Put("BROKEN.DAT", "short");  // too short to hold a data header
  const auto block = TwoUniqueKeys();
  OpenOrCreate(fb_, "BROKEN", kRecordLength, block.data(), 2);
  EXPECT_FALSE(AccessOk());
  EXPECT_EQ(disabled, 1);
  const auto errors = Errors();
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[1],
            "\xE4\xC1\xE8\xCA\xD2\xC1\xD2\xC3\xB6\xE0\xBB\xD4\xB4\xE1\xBF\xE9\xC1\xA2\xE9\xCD\xC1"
            "\xD9\xC5 BROKEN \xE4\xB4\xE9.");
  ASSERT_EQ(ends_.size(), 1u);
  EXPECT_EQ(Get("BROKEN.DAT"), "short");  // an unreadable set is never replaced
}

// An Env that lets "another process" finish creating the set just as this one takes the
// creation guard: the set it made (holding a record) must survive.
class RacingEnv final : public platform::Env {
 public:
  RacingEnv(platform::Env* base, std::string source_dir) : base_(base), source_(source_dir) {}
  int OpenFile(const std::string& name, platform::OpenMode mode,
               std::unique_ptr<platform::File>* out) override {
    if (!raced_ && name == CreationGuardName(kSet)) {
      raced_ = true;
      for (const char* ext : {".DAT", ".IX", ".DIA"}) {
        const std::string from = source_ + "/TESTSET" + ext;
        if (std::filesystem::exists(from)) {
          std::filesystem::copy_file(from, std::string("TESTSET") + ext);
        }
      }
    }
    return base_->OpenFile(name, mode, out);
  }
  int CloseFile(std::unique_ptr<platform::File> f) override {
    return base_->CloseFile(std::move(f));
  }
  int DeleteFile(const std::string& n) override { return base_->DeleteFile(n); }
  int RenameFile(const std::string& a, const std::string& b) override {
    return base_->RenameFile(a, b);
  }
  bool FileExists(const std::string& n) override { return base_->FileExists(n); }
  bool DirectoryExists(const std::string& n) override { return base_->DirectoryExists(n); }
  int CreateDirectory(const std::string& n) override { return base_->CreateDirectory(n); }
  int ListFiles(const std::string& d, std::vector<std::string>* n) override {
    return base_->ListFiles(d, n);
  }
  int GetCurrentDirectory(std::string* o) override { return base_->GetCurrentDirectory(o); }
  int SetCurrentDirectory(const std::string& d) override { return base_->SetCurrentDirectory(d); }
  platform::DriveType GetDriveType(const std::string& p) override { return base_->GetDriveType(p); }
  bool GetEnvironmentVariable(const std::string& n, std::string* v) override {
    return base_->GetEnvironmentVariable(n, v);
  }
  void SleepMs(uint32_t ms) override { base_->SleepMs(ms); }
  uint64_t MonotonicMicros() override { return base_->MonotonicMicros(); }
  uint32_t RandomSeed() override { return base_->RandomSeed(); }
  int WindowsVersion() override { return base_->WindowsVersion(); }

  bool raced_ = false;

 private:
  platform::Env* base_;
  std::string source_;
};

TEST_F(AccessTest, ASetCreatedMeanwhileIsNeverDestroyed) {
  // Make the other process's set: created, one record added, closed.
  OpenTestSet();
  Add("OTHER1", "OTHER2");
  ASSERT_TRUE(AccessOk());
  CloseChecked(fb_);
  const std::filesystem::path made = dir_ / "made";
  std::filesystem::create_directory(made);
  for (const char* ext : {".DAT", ".IX", ".DIA"}) {
    const std::filesystem::path from = dir_ / (std::string(kSet) + ext);
    if (std::filesystem::exists(from)) std::filesystem::rename(from, made / from.filename());
  }
  isam::StopEngine();

  RacingEnv racing(platform::Env::Default(), made.string());
  isam::ResetEngine(&racing);
  ASSERT_GT(isam::StartEngine(2, 500), 0);
  OpenTestSet();
  EXPECT_TRUE(racing.raced_);
  EXPECT_EQ(Get("TESTSET.DAT").substr(0, 64), Get((made / "TESTSET.DAT").string()).substr(0, 64));
  EXPECT_EQ(Get("TESTSET.IX"), Get((made / "TESTSET.IX").string()));
  EXPECT_EQ(isam::RecordsUsed(fb_), 1);
  int32_t n = 0;
  FindWithRetry(fb_, 1, n, "OTHER1");
  EXPECT_TRUE(AccessOk());
  CloseChecked(fb_);
  isam::StopEngine();
  isam::ResetEngine(nullptr);
  ASSERT_GT(isam::StartEngine(2, 500), 0);
}

// Several processes find the set missing at once; each adds its own record. Every record must
// be in the set afterwards, which fails when a late creator replaces an earlier one's set.
// The processes are this test program again, each running only the test below in the folder
// and with the number the variables name.
constexpr char kChildDir[] = "IMPCUST_ACCESS_CHILD_DIR";
constexpr char kChildNumber[] = "IMPCUST_ACCESS_CHILD_NUMBER";

TEST_F(AccessTest, ProcessesStartingTogetherShareOneNewSet) {
  constexpr int kProcesses = 4;
  isam::StopEngine();
  const std::string self = platform::ExecutablePath();
  ASSERT_FALSE(self.empty());
  std::vector<std::unique_ptr<platform::ChildProcess>> children(kProcesses);
  for (int p = 0; p < kProcesses; ++p) {
    platform::ProcessOptions options;
    options.stdin_file = platform::NullDevice();
    options.stdout_file = (dir_ / ("child" + std::to_string(p) + ".txt")).string();
    options.stderr_file = options.stdout_file;
    options.environment = {std::string(kChildDir) + "=" + dir_.string(),
                           std::string(kChildNumber) + "=" + std::to_string(p)};
    ASSERT_EQ(platform::StartProcess(self,
                                     {"--gtest_filter=AccessTest.DISABLED_OneOfSeveralStarters",
                                      "--gtest_also_run_disabled_tests"},
                                     options, &children[p]),
              0);
  }
  for (int p = 0; p < kProcesses; ++p) {
    int code = -1;
    ASSERT_EQ(children[p]->Wait(120000, &code), 0) << p;
    EXPECT_EQ(code, 0) << "child " << p << ":\n" << Get("child" + std::to_string(p) + ".txt");
  }
  isam::ResetEngine(nullptr);
  ASSERT_GT(isam::StartEngine(2, 500), 0);
  OpenTestSet();
  EXPECT_EQ(isam::IndexKeyCount(fb_, 1), kProcesses);
  for (int p = 0; p < kProcesses; ++p) {
    int32_t n = 0;
    FindWithRetry(fb_, 1, n, "P" + std::to_string(p));
    EXPECT_TRUE(AccessOk()) << p;
  }
  CloseChecked(fb_);
  EXPECT_TRUE(isam::VerifyDataFileSet(nullptr, kSet).Sound());
}

// One of the processes of the test above.
TEST_F(AccessTest, DISABLED_OneOfSeveralStarters) {
  platform::Env* os = platform::Env::Default();
  std::string dir, number;
  if (!os->GetEnvironmentVariable(kChildDir, &dir) ||
      !os->GetEnvironmentVariable(kChildNumber, &number)) {
    GTEST_SKIP() << "runs only as a process started by ProcessesStartingTogetherShareOneNewSet";
  }
  ASSERT_EQ(os->SetCurrentDirectory(dir), 0);
  const auto block = TwoUniqueKeys();
  isam::FileBlock* fb = nullptr;
  OpenOrCreate(fb, kSet, kRecordLength, block.data(), 2);
  ASSERT_TRUE(AccessOk());
  const auto r = Record("P" + number, "Q" + number);
  int32_t n = 0;
  AddWithKeys(fb, KeyOf, 2, r.data(), n);
  EXPECT_TRUE(AccessOk());
  CloseChecked(fb);
  for (const std::string& e : Errors()) ADD_FAILURE() << e;
}

// Through the real engine: a write lock that is never granted.
TEST_F(AccessTest, LockNeverGrantedAsksAfterNineHundredAndNoStopsTheAdd) {
  OpenTestSet();
  CloseChecked(fb_);
  isam::StopEngine();
  platform::FaultEnv fault(platform::Env::Default());
  fault.UseVirtualClock(true);
  isam::ResetEngine(&fault);
  ASSERT_GT(isam::StartEngine(2, 500), 0);
  OpenTestSet();
  fault.RefuseLocks(true);
  presenter_.QueueAnswer(false);
  const auto r = Record("L1", "L2");
  int32_t n = 0;
  AddWithKeys(fb_, KeyOf, 2, r.data(), n);
  fault.RefuseLocks(false);
  EXPECT_FALSE(AccessOk());
  EXPECT_EQ(presenter_.CallsOf(Kind::kQuestion).size(), 1u);
  ASSERT_EQ(ends_.size(), 1u);
  EXPECT_EQ(ends_[0].reason, EndReason::kUserDeclined);
  EXPECT_EQ(isam::RecordsUsed(fb_), 0);
  CloseChecked(fb_);
  isam::StopEngine();
  isam::ResetEngine(nullptr);
  ASSERT_GT(isam::StartEngine(2, 500), 0);
}

}  // namespace
}  // namespace fileaccess
