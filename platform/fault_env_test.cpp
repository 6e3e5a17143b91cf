#include "platform/fault_env.h"

#include <gtest/gtest.h>

#include "platform/scratch_dir.h"

namespace platform {
namespace {

class FaultEnvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    name_ = dir_.Join("f.dat");
    ASSERT_EQ(WriteWholeFile(Env::Default(), name_, "0123456789"), kErrNone);
  }
  ScratchDir dir_{"impcust-fault"};
  std::string name_;
  FaultEnv env_{Env::Default()};
};

TEST_F(FaultEnvTest, FailsExactlyTheNthCallOfAKindAndCountsEveryCall) {
  env_.FailNth(CallKind::kRead, 2, kErrInvalidHandle);
  std::unique_ptr<File> f;
  ASSERT_EQ(env_.OpenFile(name_, OpenMode::kShared, &f), kErrNone);
  char buf[4];
  size_t got = 99;
  EXPECT_EQ(f->Read(0, buf, 4, &got), kErrNone);
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(f->Read(0, buf, 4, &got), kErrInvalidHandle);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(f->Read(0, buf, 4, &got), kErrNone);
  EXPECT_EQ(env_.Calls(CallKind::kRead), 3);
  EXPECT_EQ(env_.Calls(CallKind::kOpen), 1);
  EXPECT_EQ(env_.Calls(CallKind::kCreate), 0);
  EXPECT_EQ(env_.CloseFile(std::move(f)), kErrNone);

  // Counting starts again at Reset, and Reset drops the plan.
  env_.Reset();
  EXPECT_EQ(env_.Calls(CallKind::kRead), 0);
  env_.FailNth(CallKind::kCreate, 1, kErrPathNotFound);
  EXPECT_EQ(env_.OpenFile(name_, OpenMode::kCreate, &f), kErrPathNotFound);
  EXPECT_EQ(f, nullptr);
  std::string content;
  ASSERT_EQ(ReadWholeFile(Env::Default(), name_, &content), kErrNone);
  EXPECT_EQ(content, "0123456789") << "a failed create must not reach the disk";
}

TEST_F(FaultEnvTest, ShortTransfersMoveOnlyTheGivenBytes) {
  env_.ShortNth(CallKind::kWrite, 1, 3);
  env_.ShortNth(CallKind::kRead, 1, 2);
  std::unique_ptr<File> f;
  ASSERT_EQ(env_.OpenFile(name_, OpenMode::kShared, &f), kErrNone);
  size_t put = 0;
  EXPECT_EQ(f->Write(0, "abcdef", 6, &put), kErrNone);
  EXPECT_EQ(put, 3u);
  char buf[8] = {};
  size_t got = 0;
  EXPECT_EQ(f->Read(0, buf, 8, &got), kErrNone);
  EXPECT_EQ(std::string(buf, got), "ab");
  EXPECT_EQ(f->Read(0, buf, 8, &got), kErrNone);
  EXPECT_EQ(std::string(buf, got), "abc34567");
  EXPECT_EQ(env_.CloseFile(std::move(f)), kErrNone);
}

TEST_F(FaultEnvTest, LockRefusalFailAllAndFailedCloseStillCloses) {
  std::unique_ptr<File> f;
  ASSERT_EQ(env_.OpenFile(name_, OpenMode::kShared, &f), kErrNone);
  env_.RefuseLocks(true);
  EXPECT_EQ(f->Lock(100, 1), kErrLockViolation);
  env_.RefuseLocks(false);
  EXPECT_EQ(f->Lock(100, 1), kErrNone);
  EXPECT_EQ(env_.Calls(CallKind::kLock), 2);
  env_.FailAll(CallKind::kFlush, kErrDiskFull);
  EXPECT_EQ(f->Flush(), kErrDiskFull);
  EXPECT_EQ(f->Flush(), kErrDiskFull);
  env_.FailNth(CallKind::kClose, 1, kErrInvalidHandle);
  EXPECT_EQ(env_.CloseFile(std::move(f)), kErrInvalidHandle);
  // The wrapped handle was closed all the same: an exclusive open now succeeds.
  ASSERT_EQ(Env::Default()->OpenFile(name_, OpenMode::kExclusive, &f), kErrNone);
  EXPECT_EQ(Env::Default()->CloseFile(std::move(f)), kErrNone);
}

TEST_F(FaultEnvTest, VirtualClockAdvancesBySleepsWithoutWaiting) {
  env_.UseVirtualClock(true);
  const uint64_t start = env_.MonotonicMicros();
  const uint64_t real_start = Env::Default()->MonotonicMicros();
  for (int i = 0; i < 48; ++i) env_.SleepMs(64);
  EXPECT_EQ(env_.MonotonicMicros() - start, 48u * 64u * 1000u);
  EXPECT_EQ(env_.SleptMs(), 48u * 64u);
  EXPECT_LT(Env::Default()->MonotonicMicros() - real_start, 3000000u);
}

}  // namespace
}  // namespace platform
