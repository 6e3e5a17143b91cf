// Operating-system failures injected under the engine: which call failing with which error
// gives which engine status, which first failure is recorded, and what the files look like
// afterwards. Also the retries of a refused lock (counted on the virtual clock) and the
// LockTable's counting of a range locked twice by one process.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "isam/engine.h"
#include "isam/file_block.h"
#include "isam/isam.h"
#include "isam/lock_table.h"
#include "isam/status.h"
#include "isam/test_set_fixture.h"
#include "isam/verify.h"
#include "platform/fault_env.h"

namespace isam {
namespace {

using namespace fixture;
using platform::CallKind;
using platform::FaultEnv;

constexpr int32_t kRecLen = 40;
constexpr int kKeys = 100;  // two leaves under a root

std::string KeyOf(int i) { return "KEY" + std::to_string(1000 + i); }

// Where the set stands when the fault is planned.
enum class Before {
  kNothing,   // no set of that name
  kFresh,     // created, never opened: no coordination file yet
  kClosed,    // created, filled and closed: a user area in the coordination file
  kOpen,      // open
  kLocked,    // open and write-locked
  kModified,  // write-locked with a record and its key added
};

struct Case {
  const char* what;
  Before before;
  std::function<void(FaultEnv&)> plan;
  std::function<void(FileBlock*&, const ScratchSet&)> op;
  int32_t code;
  uint16_t call;  // FailedCallCode, 0 when no failure is recorded
  int32_t os;     // FailedOsError
  // What must hold afterwards, with the faults cleared (the FileBlock is still as the
  // operation left it).
  std::function<void(FileBlock*&, const ScratchSet&, FaultEnv&)> then;
};

class FaultStatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fault_.UseVirtualClock(true);
    ResetEngine(&fault_);
    ASSERT_EQ(StartEngine(2, 16), 16);
  }
  void TearDown() override {
    StopEngine();
    ResetEngine();
  }

  void Prepare(const ScratchSet& set, Before before, FileBlock*& fb) {
    if (before == Before::kNothing) return;
    uint8_t desc[kKeyDescriptorBytes] = {10, 0};
    CreateDataFile(set.base(), kRecLen, 1, desc);
    ASSERT_TRUE(StatusOk()) << StatusCode();
    if (before == Before::kFresh) return;
    OpenDataFile(fb, set.base(), false);
    ASSERT_TRUE(StatusOk()) << StatusCode();
    LockDataFile(fb);
    const std::string rec(kRecLen, '\x11');
    for (int i = 0; i < kKeys; ++i) {
      int32_t n = 0;
      AddRecord(fb, n, rec.data());
      InsertKey(fb, 1, n, KeyOf(i));
      ASSERT_TRUE(StatusOk()) << StatusCode();
    }
    UnlockDataFile(fb);
    if (before == Before::kClosed) {
      CloseDataFile(fb);
      return;
    }
    // A fresh open, so that no page is buffered when the fault strikes.
    CloseDataFile(fb);
    OpenDataFile(fb, set.base(), false);
    ASSERT_TRUE(StatusOk()) << StatusCode();
    if (before == Before::kOpen) return;
    LockDataFile(fb);
    ASSERT_TRUE(StatusOk()) << StatusCode();
    if (before == Before::kLocked) return;
    int32_t n = 0;
    AddRecord(fb, n, rec.data());
    InsertKey(fb, 1, n, KeyOf(kKeys));
    ASSERT_TRUE(StatusOk()) << StatusCode();
  }

  void RunCase(const Case& c) {
    SCOPED_TRACE(c.what);
    ScratchSet set("faults");
    FileBlock* fb = nullptr;
    Prepare(set, c.before, fb);
    fault_.Reset();
    c.plan(fault_);
    c.op(fb, set);
    const int32_t code = StatusCode();
    const uint16_t call = FailedCallCode();
    const int32_t os = FailedOsError();
    fault_.Reset();
    EXPECT_FALSE(StatusOk());
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(call, c.call);
    EXPECT_EQ(os, c.os);
    if (c.then) c.then(fb, set, fault_);
    if (fb != nullptr) {
      UnlockDataFile(fb);
      CloseDataFile(fb);
      EXPECT_TRUE(StatusOk()) << "closing after the case: " << StatusCode();
    }
  }

  FaultEnv fault_{platform::Env::Default()};
};

void Open(FileBlock*& fb, const ScratchSet& set) { OpenDataFile(fb, set.base(), false); }
void Create(FileBlock*&, const ScratchSet& set) {
  uint8_t desc[kKeyDescriptorBytes] = {10, 0, 20, 1};
  CreateDataFile(set.base(), kRecLen, 2, desc);
}
void Lookup(FileBlock*& fb, const ScratchSet&) {
  int32_t n = 0;
  LookupKey(fb, 1, n, KeyOf(7));
}
void Add(FileBlock*& fb, const ScratchSet&) {
  const std::string rec(kRecLen, '\x22');
  int32_t n = 0;
  AddRecord(fb, n, rec.data());
  EXPECT_EQ(n, 0);
}
auto FailNth(CallKind kind, int n, int e) {
  return [=](FaultEnv& f) { f.FailNth(kind, n, e); };
}
auto FailAll(CallKind kind, int e) {
  return [=](FaultEnv& f) { f.FailAll(kind, e); };
}

// The open failed and left no FileBlock; a coordination file it did not create is kept.
void NoBlockDiaKept(FileBlock*& fb, const ScratchSet& set, FaultEnv&) {
  EXPECT_EQ(fb, nullptr);
  EXPECT_EQ(Slurp(set.dia()).size(), 3u + 1001u);
}
// The open failed after creating the coordination file: it is deleted again.
void NoBlockNoDia(FileBlock*& fb, const ScratchSet& set, FaultEnv&) {
  EXPECT_EQ(fb, nullptr);
  EXPECT_FALSE(Exists(set.dia()));
}
void NothingCreated(FileBlock*&, const ScratchSet& set, FaultEnv&) {
  EXPECT_FALSE(Exists(set.dat()));
  EXPECT_FALSE(Exists(set.ix()));
  EXPECT_FALSE(Exists(set.dia()));
}
// A failed publish keeps the write lock, and the in-use byte tells every later open that the
// set holds unpublished changes.
void PublishFailed(FileBlock*& fb, const ScratchSet& set, FaultEnv&) {
  ASSERT_NE(fb, nullptr);
  EXPECT_TRUE(fb->net->write_locked);
  EXPECT_EQ(Slurp(set.dat())[20], 1);
}

TEST_F(FaultStatusTest, EachInjectedFailureGivesItsStatus) {
  const std::vector<Case> cases = {
      // Opening: the coordination file is opened first, then the data and index files.
      {"coordination file: path not found", Before::kClosed, FailNth(CallKind::kOpen, 1, 3), Open,
       9900, kCallOpen, 3, NoBlockDiaKept},
      {"coordination file: network path not found", Before::kClosed,
       FailNth(CallKind::kOpen, 1, 53), Open, 9900, kCallOpen, 53, NoBlockDiaKept},
      {"coordination file: too many open files", Before::kClosed, FailNth(CallKind::kOpen, 1, 4),
       Open, 9901, kCallOpen, 4, NoBlockDiaKept},
      {"coordination file: invalid access", Before::kClosed, FailNth(CallKind::kOpen, 1, 12), Open,
       9908, kCallOpen, 12, NoBlockDiaKept},
      {"coordination file: sharing violation is a file error of the open", Before::kClosed,
       FailNth(CallKind::kOpen, 1, 32), Open, 10355, kCallOpen, 32, NoBlockDiaKept},
      {"data file not found", Before::kClosed, FailNth(CallKind::kOpen, 2, 2), Open, 9903,
       kCallOpen, 2, NoBlockDiaKept},
      {"data file: access denied", Before::kClosed, FailNth(CallKind::kOpen, 2, 5), Open, 10355,
       kCallOpen, 5, NoBlockDiaKept},
      {"index file not found", Before::kClosed, FailNth(CallKind::kOpen, 3, 2), Open, 10010,
       kCallOpen, 2, NoBlockDiaKept},
      {"index file: too many open files", Before::kClosed, FailNth(CallKind::kOpen, 3, 4), Open,
       9901, kCallOpen, 4, NoBlockDiaKept},
      {"data header read: invalid handle", Before::kClosed, FailAll(CallKind::kRead, 6), Open, 9904,
       kCallRead, 6, NoBlockDiaKept},
      {"data header read: short", Before::kClosed,
       [](FaultEnv& f) { f.ShortNth(CallKind::kRead, 1, 20); }, Open, 10070, 0, 0, NoBlockDiaKept},
      {"size of the coordination file", Before::kClosed, FailAll(CallKind::kSize, 5), Open, 10355,
       kCallSize, 5, NoBlockDiaKept},
      // A first open finds no coordination file (error 2) and creates it; that failure stays
      // the first one recorded.
      {"first open: the data file fails, the new coordination file goes", Before::kFresh,
       FailNth(CallKind::kOpen, 3, 5), Open, 10355, kCallOpen, 2, NoBlockNoDia},
      {"first open: another process owns a slot", Before::kFresh, FailNth(CallKind::kLock, 2, 33),
       Open, 10360, kCallOpen, 2, NoBlockNoDia},
      {"open lock refused for 3 s", Before::kFresh, [](FaultEnv& f) { f.RefuseLocks(true); }, Open,
       10355, kCallOpen, 2, NoBlockNoDia},
      {"every user slot owned by others", Before::kClosed,
       [](FaultEnv& f) {
         for (int n = 2; n <= 1001; ++n) f.FailNth(CallKind::kLock, n, 33);
       },
       Open, 10306, kCallLock, 33, NoBlockDiaKept},
      {"open lock release", Before::kClosed, FailNth(CallKind::kUnlock, 1, 158), Open, 10342,
       kCallUnlock, 158, NoBlockDiaKept},
      // Creating: no FileBlock, so a file error stays 10140; nothing is left behind.
      {"create: path not found", Before::kNothing, FailNth(CallKind::kCreate, 1, 3), Create, 9900,
       kCallOpen, 3, NothingCreated},
      {"create: network path not found", Before::kNothing, FailNth(CallKind::kCreate, 1, 53),
       Create, 9900, kCallOpen, 53, NothingCreated},
      {"create: too many open files", Before::kNothing, FailNth(CallKind::kCreate, 1, 4), Create,
       9901, kCallOpen, 4, NothingCreated},
      {"create: file not found is no create error of its own", Before::kNothing,
       FailNth(CallKind::kCreate, 1, 2), Create, 10140, kCallOpen, 2, NothingCreated},
      {"create: the index file fails, the data file goes", Before::kNothing,
       FailNth(CallKind::kCreate, 2, 5), Create, 10140, kCallOpen, 5, NothingCreated},
      {"create: disk full", Before::kNothing, FailNth(CallKind::kWrite, 3, 112), Create, 10140,
       kCallWrite, 112, NothingCreated},
      {"create: short write", Before::kNothing,
       [](FaultEnv& f) { f.ShortNth(CallKind::kWrite, 1, 3); }, Create, 10075, 0, 0,
       NothingCreated},
      // Reading and writing an open set: a file error becomes 10397.
      {"lookup: the coordination file cannot be read", Before::kOpen, FailAll(CallKind::kRead, 5),
       Lookup, 10399, kCallRead, 5, nullptr},
      {"lookup under the write lock: page read fails", Before::kLocked, FailAll(CallKind::kRead, 5),
       Lookup, 10397, kCallRead, 5, nullptr},
      {"lookup under the write lock: invalid handle", Before::kLocked, FailAll(CallKind::kRead, 6),
       Lookup, 9904, kCallRead, 6, nullptr},
      {"lookup under the write lock: short page read", Before::kLocked,
       [](FaultEnv& f) { f.ShortNth(CallKind::kRead, 1, 100); }, Lookup, 10070, 0, 0, nullptr},
      {"add: the record write fails, the slot is given back", Before::kModified,
       FailAll(CallKind::kWrite, 112), Add, 10397, kCallWrite, 112,
       [](FileBlock*& fb, const ScratchSet&, FaultEnv&) {
         const std::string rec(kRecLen, '\x33');
         int32_t n = 0;
         EXPECT_EQ(AddRecord(fb, n, rec.data()), kKeys + 2);
       }},
      {"add: short record write", Before::kModified,
       [](FaultEnv& f) { f.ShortNth(CallKind::kWrite, 1, 7); }, Add, 10075, 0, 0,
       [](FileBlock*& fb, const ScratchSet&, FaultEnv&) { EXPECT_EQ(RecordsUsed(fb), kKeys + 1); }},
      {"add: the in-use byte cannot be written", Before::kLocked, FailAll(CallKind::kWrite, 19),
       Add, 10397, kCallWrite, 19, nullptr},
      {"insert: the index file cannot grow", Before::kModified, FailAll(CallKind::kWrite, 112),
       [](FileBlock*& fb, const ScratchSet&) {
         // Fill the right leaf and the root until a new page (a new row) is needed.
         for (int i = 0; i < 200 && StatusOk(); ++i) {
           const int64_t before = static_cast<int64_t>(Slurp(fb->index.name).size());
           InsertKey(fb, 1, 1, "ZZ" + std::to_string(100 + i));
           if (!StatusOk()) {
             EXPECT_EQ(static_cast<int64_t>(Slurp(fb->index.name).size()), before);
           }
         }
       },
       10397, kCallWrite, 112,
       [](FileBlock*& fb, const ScratchSet&, FaultEnv&) {
         EXPECT_EQ(fb->headers[1].slots_used, fb->row_count);
       }},
      {"unlock: a page write fails", Before::kModified, FailAll(CallKind::kWrite, 112),
       [](FileBlock*& fb, const ScratchSet&) { UnlockDataFile(fb); }, 10397, kCallWrite, 112,
       PublishFailed},
      {"unlock: the write lock release fails", Before::kModified,
       FailNth(CallKind::kUnlock, 1, 158),
       [](FileBlock*& fb, const ScratchSet&) { UnlockDataFile(fb); }, 10340, kCallUnlock, 158,
       [](FileBlock*& fb, const ScratchSet&, FaultEnv&) { EXPECT_TRUE(fb->net->write_locked); }},
      {"lookup: the read lock release fails", Before::kOpen, FailNth(CallKind::kUnlock, 1, 158),
       Lookup, 10341, kCallUnlock, 158, nullptr},
      {"flush: too many open files", Before::kModified, FailAll(CallKind::kFlush, 4),
       [](FileBlock*& fb, const ScratchSet&) { FlushDataFile(fb); }, 10150, kCallFlush, 4, nullptr},
      {"flush: invalid handle", Before::kModified, FailAll(CallKind::kFlush, 6),
       [](FileBlock*& fb, const ScratchSet&) { FlushDataFile(fb); }, 9904, kCallFlush, 6, nullptr},
      {"flush: other error", Before::kModified, FailAll(CallKind::kFlush, 5),
       [](FileBlock*& fb, const ScratchSet&) { FlushDataFile(fb); }, 10397, kCallFlush, 5, nullptr},
      // Locks and closing.
      {"write lock refused for 3 s", Before::kOpen, [](FaultEnv& f) { f.RefuseLocks(true); },
       [](FileBlock*& fb, const ScratchSet&) { LockDataFile(fb); }, 10330, kCallLock, 33,
       [](FileBlock*& fb, const ScratchSet&, FaultEnv&) { EXPECT_FALSE(fb->net->write_locked); }},
      {"read lock refused for 0.77 s", Before::kOpen, [](FaultEnv& f) { f.RefuseLocks(true); },
       Lookup, 10399, kCallLock, 33, nullptr},
      {"close: the slot lock release fails, the FileBlock goes all the same", Before::kOpen,
       FailNth(CallKind::kUnlock, 1, 158),
       [](FileBlock*& fb, const ScratchSet&) { CloseDataFile(fb); }, 10160, kCallUnlock, 158,
       [](FileBlock*& fb, const ScratchSet&, FaultEnv&) { EXPECT_EQ(fb, nullptr); }},
      {"close: the file close fails", Before::kOpen, FailNth(CallKind::kClose, 1, 6),
       [](FileBlock*& fb, const ScratchSet&) { CloseDataFile(fb); }, 10160, kCallClose, 6,
       [](FileBlock*& fb, const ScratchSet&, FaultEnv&) { EXPECT_EQ(fb, nullptr); }},
      {"close of a write-locked set whose publish fails: it stays open", Before::kModified,
       FailAll(CallKind::kWrite, 112), [](FileBlock*& fb, const ScratchSet&) { CloseDataFile(fb); },
       10322, kCallWrite, 112, PublishFailed},
  };
  for (const Case& c : cases) RunCase(c);
}

// A publish that failed half-way must publish everything at the next unlock: the pages it
// could not write, the headers and the in-use byte.
TEST_F(FaultStatusTest, AFailedPublishIsCompletedByTheNextUnlock) {
  const struct {
    const char* what;
    std::function<void(FileBlock*&)> op;
    int32_t code;
  } cases[] = {
      {"unlock", [](FileBlock*& fb) { UnlockDataFile(fb); }, 10397},
      {"close", [](FileBlock*& fb) { CloseDataFile(fb); }, 10322},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchSet set("republish");
    FileBlock* fb = nullptr;
    Prepare(set, Before::kModified, fb);
    fault_.Reset();
    fault_.FailAll(CallKind::kWrite, 112);
    c.op(fb);
    EXPECT_EQ(StatusCode(), c.code);
    fault_.Reset();
    ASSERT_NE(fb, nullptr);
    UnlockDataFile(fb);
    EXPECT_TRUE(StatusOk()) << StatusCode();
    EXPECT_EQ(Slurp(set.dat())[20], 0);
    const VerifyResult r = VerifyDataFileSet(platform::Env::Default(), set.base());
    EXPECT_TRUE(r.Sound()) << (r.defects.empty() ? r.error : r.defects[0]);
    int32_t n = 0;
    EXPECT_EQ(LookupKey(fb, 1, n, KeyOf(kKeys)), kKeys + 1);
    CloseDataFile(fb);
  }
}

// The time limits of a refused lock are attempts and sleeps of 64 ms: 48 attempts for the
// open lock and the write lock, 12 for the read lock.
TEST_F(FaultStatusTest, RefusedLocksAreRetriedForTheirTimeLimit) {
  ScratchSet set("lockretry");
  FileBlock* fb = nullptr;
  Prepare(set, Before::kOpen, fb);
  const struct {
    const char* what;
    std::function<void()> op;
    int32_t code;
    int attempts;
  } cases[] = {
      {"write lock", [&] { LockDataFile(fb); }, 10330, 48},
      {"read lock", [&] { Lookup(fb, set); }, 10399, 12},
      {"open lock",
       [&] {
         FileBlock* other = nullptr;
         OpenDataFile(other, set.base(), false);
       },
       10355, 48},
  };
  for (const auto& c : cases) {
    fault_.Reset();
    fault_.RefuseLocks(true);
    c.op();
    EXPECT_EQ(StatusCode(), c.code) << c.what;
    EXPECT_EQ(fault_.Calls(CallKind::kLock), c.attempts) << c.what;
    EXPECT_EQ(fault_.SleptMs(), static_cast<uint64_t>(c.attempts - 1) * 64) << c.what;
  }
  fault_.Reset();
  CloseDataFile(fb);
  EXPECT_TRUE(StatusOk());
}

TEST_F(FaultStatusTest, ARangeLockedTwiceByOneProcessIsOneOsLock) {
  ScratchSet set("locktwice");
  const std::string name = set.Join("L.DIA");
  Spill(name, std::string(8, '\0'));
  std::unique_ptr<platform::File> mine, other;
  ASSERT_EQ(fault_.OpenFile(name, platform::OpenMode::kShared, &mine), 0);
  ASSERT_EQ(platform::Env::Default()->OpenFile(name, platform::OpenMode::kShared, &other), 0);
  fault_.Reset();

  ASSERT_TRUE(LockRegion(mine.get(), 3, 1001, 0, 64));
  ASSERT_TRUE(LockRegion(mine.get(), 3, 1001, 0, 64));
  EXPECT_EQ(fault_.Calls(CallKind::kLock), 1);
  EXPECT_EQ(Eng().locks.CountAt(mine.get(), 3), 2);
  // Another length at the same offset is refused without asking the OS.
  EXPECT_FALSE(LockRegion(mine.get(), 3, 5, 0, 64));
  EXPECT_EQ(fault_.Calls(CallKind::kLock), 1);
  EXPECT_NE(other->Lock(3, 1), 0);

  // The first release only counts down; the range stays locked against another handle.
  ASSERT_TRUE(UnlockRegion(mine.get(), 3, 1001));
  EXPECT_EQ(fault_.Calls(CallKind::kUnlock), 0);
  EXPECT_NE(other->Lock(3, 1), 0);
  ASSERT_TRUE(UnlockRegion(mine.get(), 3, 1001));
  EXPECT_EQ(fault_.Calls(CallKind::kUnlock), 1);
  EXPECT_EQ(other->Lock(3, 1), 0);
  EXPECT_EQ(other->Unlock(3, 1), 0);
  EXPECT_FALSE(UnlockRegion(mine.get(), 3, 1001));

  UnlockAllRegions(mine.get());
  EXPECT_EQ(fault_.CloseFile(std::move(mine)), 0);
  EXPECT_EQ(platform::Env::Default()->CloseFile(std::move(other)), 0);
}

}  // namespace
}  // namespace isam
