// Failed writes while changes are stored and published: a write that did not reach the file
// must be tried again by the next publish, never reported stored, and a tree change stopped
// half-way must leave the set marked as left by an interrupted writer.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "isam/isam.h"
#include "isam/verify.h"
#include "platform/env.h"
#include "platform/fault_env.h"

namespace isam {
namespace {

namespace fs = std::filesystem;
using platform::CallKind;

constexpr int32_t kRecordLength = 32;
constexpr int32_t kIncompleteChanges = 10010;

class FailedWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/isampoolXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    base_ = dir_ + "/SET";
  }
  void TearDown() override {
    if (started_) StopEngine();
    ResetEngine();
    fs::remove_all(dir_);
  }
  // A fresh engine over a FaultEnv and a new set with one unique index of key length 10.
  void Start(int buffers) {
    ResetEngine(&env_);
    ASSERT_EQ(StartEngine(2, buffers), buffers);
    started_ = true;
    uint8_t desc[kKeyDescriptorBytes] = {10, 0};
    CreateDataFile(base_, kRecordLength, 1, desc);
    ASSERT_TRUE(StatusOk()) << StatusCode();
    OpenDataFile(fb_, base_, false);
    ASSERT_TRUE(StatusOk()) << StatusCode();
  }
  void AddWithKey(const std::string& key) {
    std::vector<uint8_t> rec(kRecordLength, 0);
    int32_t n = 0;
    AddRecord(fb_, n, rec.data());
    ASSERT_TRUE(StatusOk()) << StatusCode();
    InsertKey(fb_, 1, n, key);
    ASSERT_TRUE(StatusOk()) << StatusCode();
  }
  uint8_t InUseByte() {
    std::ifstream in(base_ + ".DAT", std::ios::binary);
    std::string b(std::istreambuf_iterator<char>(in), {});
    return b.size() > 20 ? static_cast<uint8_t>(b[20]) : 0xFF;
  }
  std::string Key(int i) { return std::string("K").append(std::to_string(100 + i)); }

  platform::FaultEnv env_{platform::Env::Default()};
  bool started_ = false;
  std::string dir_, base_;
  FileBlock* fb_ = nullptr;
};

// Every write of a flush's publish in turn fails; the unlock that follows must then store what
// the flush did not, so the key is found after a reopen and the set is sound.
TEST_F(FailedWriteTest, WritesOfAFailedPublishAreDoneByTheNextOne) {
  int publish_writes = 0;
  for (int fail = 0; fail == 0 || fail <= publish_writes; ++fail) {
    SCOPED_TRACE("failing publish write " + std::to_string(fail));
    ASSERT_NO_FATAL_FAILURE(Start(8));
    LockDataFile(fb_);
    ASSERT_NO_FATAL_FAILURE(AddWithKey(Key(1)));
    const int before = env_.Calls(CallKind::kWrite);
    if (fail > 0) env_.FailNth(CallKind::kWrite, before + fail, platform::kErrDiskFull);
    FlushDataFile(fb_);
    if (fail == 0) {
      ASSERT_TRUE(StatusOk()) << StatusCode();
      publish_writes = env_.Calls(CallKind::kWrite) - before;
      ASSERT_GE(publish_writes, 3);  // page, index header, data header, mailboxes
    } else {
      EXPECT_FALSE(StatusOk());
    }
    UnlockDataFile(fb_);
    ASSERT_TRUE(StatusOk()) << StatusCode();
    EXPECT_EQ(InUseByte(), 0);
    CloseDataFile(fb_);
    ASSERT_TRUE(StatusOk()) << StatusCode();

    OpenDataFile(fb_, base_, false);
    ASSERT_TRUE(StatusOk()) << StatusCode();
    int32_t n = 0;
    LookupKey(fb_, 1, n, Key(1));
    EXPECT_TRUE(StatusOk()) << StatusCode();
    EXPECT_EQ(n, 1);
    EXPECT_EQ(IndexKeyCount(fb_, 1), 1);
    CloseDataFile(fb_);
    EXPECT_TRUE(VerifyDataFileSet(nullptr, base_).Sound());
    StopEngine();
    started_ = false;
    env_.Reset();
  }
}

// A failed write of the in-use flag is tried again by the next change, so changes never go on
// while the data file claims that nobody is writing.
TEST_F(FailedWriteTest, InUseFlagIsWrittenByTheChangeAfterAFailedOne) {
  ASSERT_NO_FATAL_FAILURE(Start(8));
  LockDataFile(fb_);
  std::vector<uint8_t> rec(kRecordLength, 0);
  int32_t n = 0;
  env_.FailNth(CallKind::kWrite, env_.Calls(CallKind::kWrite) + 1, platform::kErrDiskFull);
  AddRecord(fb_, n, rec.data());
  EXPECT_FALSE(StatusOk());
  EXPECT_EQ(InUseByte(), 0);
  AddRecord(fb_, n, rec.data());
  ASSERT_TRUE(StatusOk()) << StatusCode();
  EXPECT_EQ(n, 1);
  EXPECT_EQ(InUseByte(), 1);
  UnlockDataFile(fb_);
  ASSERT_TRUE(StatusOk()) << StatusCode();
  EXPECT_EQ(InUseByte(), 0);
}

// The 63rd key splits the full root: the new page is taken, the root cut to 31 items, and then
// growing the file for the new root fails. The tree in memory has lost keys, so the publish
// must leave the in-use flag set and the next open refuse the set.
TEST_F(FailedWriteTest, TreeChangeStoppedHalfWayKeepsTheInUseFlag) {
  ASSERT_NO_FATAL_FAILURE(Start(8));
  LockDataFile(fb_);
  for (int i = 1; i <= 62; ++i) ASSERT_NO_FATAL_FAILURE(AddWithKey(Key(i)));
  std::vector<uint8_t> rec(kRecordLength, 0);
  int32_t n = 0;
  AddRecord(fb_, n, rec.data());
  ASSERT_TRUE(StatusOk());
  // The insert's writes: the row for the new page, then the row for the new root.
  env_.FailNth(CallKind::kWrite, env_.Calls(CallKind::kWrite) + 2, platform::kErrDiskFull);
  InsertKey(fb_, 1, n, Key(63));
  EXPECT_FALSE(StatusOk());
  UnlockDataFile(fb_);
  ASSERT_TRUE(StatusOk()) << StatusCode();
  EXPECT_EQ(InUseByte(), 1);
  CloseDataFile(fb_);
  ASSERT_TRUE(StatusOk()) << StatusCode();
  OpenDataFile(fb_, base_, false);
  EXPECT_EQ(StatusCode(), kIncompleteChanges);
  EXPECT_EQ(fb_, nullptr);
}

// A failure before the tree's first change leaves the set sound and unmarked.
TEST_F(FailedWriteTest, TreeChangeFailingBeforeItsFirstChangeLeavesTheSetSound) {
  ASSERT_NO_FATAL_FAILURE(Start(8));
  LockDataFile(fb_);
  std::vector<uint8_t> rec(kRecordLength, 0);
  int32_t n = 0;
  AddRecord(fb_, n, rec.data());
  ASSERT_TRUE(StatusOk());
  // The first key of an empty index needs a new row: that write fails.
  env_.FailNth(CallKind::kWrite, env_.Calls(CallKind::kWrite) + 1, platform::kErrDiskFull);
  InsertKey(fb_, 1, n, Key(1));
  EXPECT_FALSE(StatusOk());
  DeleteRecord(fb_, n);
  ASSERT_TRUE(StatusOk()) << StatusCode();
  UnlockDataFile(fb_);
  ASSERT_TRUE(StatusOk()) << StatusCode();
  EXPECT_EQ(InUseByte(), 0);
  CloseDataFile(fb_);
  EXPECT_TRUE(VerifyDataFileSet(nullptr, base_).Sound());
}

}  // namespace
}  // namespace isam
