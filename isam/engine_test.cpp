// Tests of the engine through its public operations, reading the files' bytes back where the
// layout is what matters: creation, the coordination file, the free chain, status codes, the
// page split, and the protocol between two real processes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "isam/encoding.h"
#include "isam/file_block.h"
#include "isam/isam.h"
#include "isam/status.h"
#include "platform/env.h"
#include "platform/process.h"
#include "platform/scratch_dir.h"

namespace isam {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

int32_t I32(const std::string& b, size_t off) {
  return GetI32(reinterpret_cast<const uint8_t*>(b.data()), static_cast<int>(off));
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    base_ = (fs::path(dir_.path()) / "SET").string();
    ResetEngine();
    ASSERT_EQ(StartEngine(2, 16), 16);
  }
  void TearDown() override {
    StopEngine();
    ResetEngine();
  }
  // A set with record length 32 and the given (key length, duplicates) indexes.
  void Create(std::vector<std::pair<int, int>> keys, int32_t record_length = 32) {
    uint8_t desc[kKeyDescriptorBytes] = {};
    for (size_t i = 0; i < keys.size(); ++i) {
      desc[2 * i] = static_cast<uint8_t>(keys[i].first);
      desc[2 * i + 1] = static_cast<uint8_t>(keys[i].second);
    }
    CreateDataFile(base_, record_length, static_cast<int32_t>(keys.size()), desc);
    ASSERT_TRUE(StatusOk()) << StatusCode();
  }
  FileBlock* Open() {
    FileBlock* fb = nullptr;
    OpenDataFile(fb, base_, false);
    EXPECT_TRUE(StatusOk()) << StatusCode();
    return fb;
  }
  int32_t Add(FileBlock* fb) {
    std::vector<uint8_t> rec(static_cast<size_t>(RecordLength(fb)), 0xAB);
    int32_t n = 0;
    AddRecord(fb, n, rec.data());
    EXPECT_TRUE(StatusOk()) << StatusCode();
    return n;
  }
  platform::ScratchDir dir_{"isam-engine"};
  std::string base_;
};

TEST_F(EngineTest, CreationWritesExactBytes) {
  Create({{10, 0}, {30, 1}}, 40);
  std::string dat = ReadBytes(base_ + ".DAT");
  ASSERT_EQ(dat.size(), 40u);
  EXPECT_EQ(I32(dat, 0), -1);
  EXPECT_EQ(I32(dat, 4), 0);
  EXPECT_EQ(I32(dat, 8), 0);
  EXPECT_EQ(I32(dat, 12), 40);
  EXPECT_EQ(I32(dat, 16), 2);
  EXPECT_EQ(dat.substr(20), std::string(20, '\0'));
  std::string ix = ReadBytes(base_ + ".IX");
  const size_t p1 = 62 * 19 + 6, p2 = 62 * 39 + 6;
  ASSERT_EQ(ix.size(), p1 + p2);
  for (size_t off : {size_t{0}, p1}) {
    EXPECT_EQ(I32(ix, off), -1);
    EXPECT_EQ(I32(ix, off + 8), 0);
    EXPECT_EQ(I32(ix, off + 16), 0);
    EXPECT_EQ(GetU16(reinterpret_cast<const uint8_t*>(ix.data()), static_cast<int>(off + 26)), 62);
  }
  EXPECT_EQ(I32(ix, 12), static_cast<int32_t>(p1));
  EXPECT_EQ(ix[20], 0);
  EXPECT_EQ(ix[p1 + 20], 1);
  EXPECT_FALSE(fs::exists(base_ + ".DIA"));
}

TEST_F(EngineTest, FirstOpenWritesAFullUserArea) {
  Create({{10, 0}, {30, 1}});
  FileBlock* fb = Open();
  ASSERT_NE(fb, nullptr);
  std::string dia = ReadBytes(base_ + ".DIA");
  ASSERT_EQ(dia.size(), 3u + 1001u);
  EXPECT_EQ(dia[0], 0);
  EXPECT_EQ(GetU16(reinterpret_cast<const uint8_t*>(dia.data()), 1), 2000);
  int own = fb->net->own_slot;
  for (int s = 0; s <= 1000; ++s) {
    uint8_t box = static_cast<uint8_t>(dia[3 + s]);
    EXPECT_EQ(box, (s == 0 || s == own) ? 0 : 0xFF) << "slot " << s;
  }
  CloseDataFile(fb);
  EXPECT_TRUE(StatusOk());
}

TEST_F(EngineTest, FreedRecordsAreReusedLastInFirstOut) {
  Create({{10, 0}});
  FileBlock* fb = Open();
  LockDataFile(fb);
  EXPECT_EQ(Add(fb), 1);
  EXPECT_EQ(Add(fb), 2);
  DeleteRecord(fb, 1);
  DeleteRecord(fb, 2);
  UnlockDataFile(fb);
  std::string dat = ReadBytes(base_ + ".DAT");
  EXPECT_EQ(I32(dat, 0), 2);
  EXPECT_EQ(I32(dat, 4), 2);
  EXPECT_EQ(I32(dat, 2 * 32), 1);
  EXPECT_EQ(I32(dat, 32), -1);
  EXPECT_EQ(dat[20], 0);
  LockDataFile(fb);
  EXPECT_EQ(Add(fb), 2);
  EXPECT_EQ(Add(fb), 1);
  EXPECT_EQ(Add(fb), 3);
  UnlockDataFile(fb);
  CloseDataFile(fb);
}

TEST_F(EngineTest, DamagedChainStopsWithHeaderUnchanged) {
  Create({{10, 0}});
  FileBlock* fb = Open();
  LockDataFile(fb);
  Add(fb);
  Add(fb);
  DeleteRecord(fb, 2);
  UnlockDataFile(fb);
  CloseDataFile(fb);
  const struct { int32_t link; } cases[] = {{0}, {3}, {-5}, {2}};
  for (const auto& c : cases) {
    std::string dat = ReadBytes(base_ + ".DAT");
    PutI32(reinterpret_cast<uint8_t*>(dat.data()), 64, c.link);
    WriteBytes(base_ + ".DAT", dat);
    fb = Open();
    LockDataFile(fb);
    std::vector<uint8_t> rec(32, 1);
    int32_t n = 0;
    AddRecord(fb, n, rec.data());
    EXPECT_EQ(StatusCode(), 10170) << c.link;
    EXPECT_EQ(fb->headers[0].first_free, 2);
    EXPECT_EQ(fb->headers[0].free_count, 1);
    UnlockDataFile(fb);
    CloseDataFile(fb);
  }
}

TEST_F(EngineTest, StatusCodesOfTheOperations) {
  Create({{4, 0}, {4, 1}});
  FileBlock* fb = Open();
  int32_t n = 0;
  uint8_t rec[32] = {};
  uint8_t desc[kKeyDescriptorBytes] = {4, 0};
  auto code = [](auto&& f) {
    f();
    return StatusCode();
  };
  const struct {
    const char* what;
    int32_t code;
    std::function<void()> call;
  } cases[] = {
      {"start twice", 10450, [] { StartEngine(2, 16); }},
      {"add without lock", 10398, [&] { AddRecord(fb, n, rec); }},
      {"lookup key 0", 10164, [&] { LookupKey(fb, 0, n, "A"); }},
      {"lookup key 3", 10164, [&] { LookupKey(fb, 3, n, "A"); }},
      {"lookup absent", 10200, [&] { LookupKey(fb, 1, n, "A"); }},
      {"null block", 10445, [&] { LookupKey(nullptr, 1, n, "A"); }},
      {"record length 20", 10020, [&] { CreateDataFile(base_ + "X", 20, 1, desc); }},
      {"101 indexes", 10050, [&] { CreateDataFile(base_ + "X", 32, 101, desc); }},
      {"key length 0", 10055, [&] { CreateDataFile(base_ + "X", 32, 2, desc); }},
      {"missing set", 9903,
       [&] {
         FileBlock* f = nullptr;
         OpenDataFile(f, base_ + "NONE", false);
       }},
      {"lock", 0, [&] { LockDataFile(fb); }},
      {"key too long", 10125, [&] { InsertKey(fb, 1, 1, "ABCDE"); }},
      {"insert", 0, [&] { InsertKey(fb, 1, 1, "ABCD"); }},
      {"duplicate", 10230, [&] { InsertKey(fb, 1, 2, "ABCD"); }},
      {"dup pair 9", 0, [&] { InsertKey(fb, 2, 9, "K"); }},
      {"dup pair 4", 0, [&] { InsertKey(fb, 2, 4, "K"); }},
      {"remove absent", 10220, [&] { RemoveKey(fb, 2, 5, "K"); }},
      {"delete record 0", 10135, [&] { DeleteRecord(fb, 0); }},
      {"delete record 1", 10135, [&] { DeleteRecord(fb, 1); }},
      {"unlock", 0, [&] { UnlockDataFile(fb); }},
      {"read record 1", 10135, [&] { ReadRecord(fb, 1, rec); }},
  };
  for (const auto& c : cases) EXPECT_EQ(code(c.call), c.code) << c.what;
  EXPECT_EQ(fb->headers[1].key_count, 1);
  EXPECT_EQ(LookupKey(fb, 2, n, "K"), 4);
  EXPECT_EQ(LookupKey(fb, 2, n, "KK"), 0);
  EXPECT_EQ(StatusCode(), 10200);
  FileBlock* copy = fb;
  CloseDataFile(fb);
  EXPECT_TRUE(StatusOk());
  CloseDataFile(copy);
  EXPECT_EQ(StatusCode(), 10080);
  StopEngine();
  LookupKey(copy, 1, n, "A");
  EXPECT_EQ(StatusCode(), 10455);
  EXPECT_EQ(StartEngine(2, 7), 0);
  EXPECT_EQ(StatusCode(), 10451);
  EXPECT_EQ(StartEngine(2, 16), 16);
}

TEST(StatusClass, AllListedCodes) {
  const struct {
    int32_t code;
    int cls;
  } cases[] = {
      {0, 0},     {9903, 1},  {10200, 1}, {10250, 1}, {10410, 1}, {9900, 2},  {10306, 2},
      {10330, 2}, {10355, 2}, {10360, 2}, {10397, 2}, {10399, 2}, {10065, 2}, {10110, 2},
      {10332, 2}, {10335, 2}, {10390, 2}, {10001, 3}, {10003, 3}, {10009, 3}, {9901, 4},
      {9904, 4},  {10000, 4}, {10010, 4}, {10170, 4}, {10180, 4}, {10341, 4}, {10445, 4},
  };
  for (const auto& c : cases) EXPECT_EQ(StatusClassOf(c.code), c.cls) << c.code;
}

TEST_F(EngineTest, SixtyThirdKeySplitsIntoTwoHalvesUnderANewRoot) {
  Create({{4, 0}});
  FileBlock* fb = Open();
  LockDataFile(fb);
  for (int i = 1; i <= 63; ++i) {
    char key[8];
    std::snprintf(key, sizeof key, "%04d", i);
    InsertKey(fb, 1, i, key);
    ASSERT_TRUE(StatusOk()) << i;
  }
  UnlockDataFile(fb);
  std::string ix = ReadBytes(base_ + ".IX");
  const size_t row = 62 * 13 + 6;
  ASSERT_EQ(ix.size(), 4 * row);
  EXPECT_EQ(I32(ix, 8), 3);   // pages used
  EXPECT_EQ(I32(ix, 16), 3);  // root
  EXPECT_EQ(I32(ix, 22), 63);
  auto count = [&](int page) {
    return GetU16(reinterpret_cast<const uint8_t*>(ix.data()), static_cast<int>(page * row));
  };
  EXPECT_EQ(count(1), 31);
  EXPECT_EQ(count(2), 31);
  EXPECT_EQ(count(3), 1);
  EXPECT_EQ(I32(ix, 3 * row + 2), 1);   // leftmost child
  EXPECT_EQ(I32(ix, 3 * row + 6), 32);  // median's record
  EXPECT_EQ(I32(ix, 3 * row + 10), 2);  // median's right child
  EXPECT_EQ(ix.substr(3 * row + 15, 4), "0032");
  int32_t n = 0;
  std::string key;
  FirstKey(fb, 1, n, key);
  int walked = 0;
  while (StatusOk()) {
    ++walked;
    NextKey(fb, 1, n, key);
  }
  EXPECT_EQ(walked, 63);
  EXPECT_EQ(StatusCode(), 10250);
  CloseDataFile(fb);
}

// The helper program in another process. Its output goes to a file that is read line by
// line as it grows; each "wait:FILE" of its commands holds it until Go() creates that file.
class Helper {
 public:
  Helper(const platform::ScratchDir& dir, const std::string& name, std::vector<std::string> args)
      : dir_(dir), name_(name), out_(dir.Join(name + ".out")) {
    for (std::string& a : args) {
      if (a == "wait") a = "wait:" + dir_.Join(name_ + ".go" + std::to_string(++waits_));
    }
    platform::ProcessOptions options;
    options.stdout_file = out_;
    options.stdin_file = platform::NullDevice();
    const int e = platform::StartProcess(HelperPath(), args, options, &child_);
    EXPECT_EQ(e, 0) << "cannot start " << HelperPath();
  }

  // The next line of output; empty when the helper ended or wrote nothing for 30 seconds.
  std::string ReadLine() {
    platform::Env* env = platform::Env::Default();
    for (int waited = 0; waited < 30000; waited += 5) {
      std::string all;
      platform::ReadWholeFile(env, out_, &all);
      const size_t end = all.find('\n', read_);
      if (end != std::string::npos) {
        std::string line = all.substr(read_, end - read_);
        read_ = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
      }
      // After the end one more read takes what the helper wrote last.
      if (child_ == nullptr || ended_) return "";
      int code = 0;
      ended_ = child_->Wait(0, &code) == 0;
      env->SleepMs(5);
    }
    return "";
  }

  // Lets the helper past its next wait.
  void Go() {
    const std::string go = dir_.Join(name_ + ".go" + std::to_string(++released_));
    EXPECT_EQ(platform::WriteWholeFile(platform::Env::Default(), go, "go"), 0);
  }

  // Lets the helper past every wait left and returns its exit code (-1 when it does not end).
  int Finish() {
    while (released_ < waits_) Go();
    int code = -1;
    if (child_ == nullptr || child_->Wait(60000, &code) != 0) return -1;
    return code;
  }

 private:
  static std::string HelperPath() {
    // The helper is built into the bin folder beside the tests folder.
    return platform::SiblingExecutable(platform::JoinPath("..", "bin") + "\\isam_test_helper");
  }

  const platform::ScratchDir& dir_;
  std::string name_, out_;
  std::unique_ptr<platform::ChildProcess> child_;
  size_t read_ = 0;
  int waits_ = 0, released_ = 0;
  bool ended_ = false;
};

double Seconds(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

TEST_F(EngineTest, BetweenProcesses) {
  Create({{10, 0}});
  FileBlock* fb = Open();
  int32_t n = 0;
  EXPECT_EQ(LookupKey(fb, 1, n, "C001"), 0);

  // A writer in another process adds a key; our next lookup finds it.
  Helper w(dir_, "writer",
           {base_, "open", "lock", "add:C001", "unlock", "wait", "lock", "wait", "close"});
  EXPECT_EQ(w.ReadLine().substr(0, 7), "open 0 ");
  EXPECT_EQ(w.ReadLine(), "lock 0 0");
  EXPECT_EQ(w.ReadLine(), "add 0 1");
  EXPECT_EQ(w.ReadLine(), "unlock 0 0");
  ASSERT_EQ(w.ReadLine(), "ready");
  EXPECT_EQ(LookupKey(fb, 1, n, "C001"), 1);
  EXPECT_TRUE(StatusOk()) << StatusCode();
  w.Go();
  EXPECT_EQ(w.ReadLine(), "lock 0 0");
  ASSERT_EQ(w.ReadLine(), "ready");

  // The writer holds the write lock now.
  auto t0 = std::chrono::steady_clock::now();
  LookupKey(fb, 1, n, "C001");
  double t_read = Seconds(t0);
  EXPECT_EQ(StatusCode(), 10399);
  EXPECT_GE(t_read, 0.5);
  EXPECT_LE(t_read, 3.0);
  t0 = std::chrono::steady_clock::now();
  LockDataFile(fb);
  double t_write = Seconds(t0);
  EXPECT_EQ(StatusCode(), 10330);
  EXPECT_GE(t_write, 2.5);
  EXPECT_LE(t_write, 6.0);
  FileBlock* second = nullptr;
  OpenDataFile(second, base_, false);
  EXPECT_EQ(StatusCode(), 10355);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(w.Finish(), 0);
  EXPECT_EQ(w.ReadLine(), "close 0 0");

  // A clean coordination file while we own a slot: another open must not rebuild it.
  WriteBytes(base_ + ".DIA", std::string(1, '\0'));
  Helper o(dir_, "opener", {base_, "open"});
  EXPECT_EQ(o.ReadLine(), "open 10360 0");
  EXPECT_EQ(o.Finish(), 0);
  CloseDataFile(fb);
  EXPECT_TRUE(StatusOk()) << StatusCode();
}

}  // namespace
}  // namespace isam
