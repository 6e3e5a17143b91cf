#include "platform/env.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>

#include "platform/process.h"
#include "platform/scratch_dir.h"
#include "platform/system.h"

namespace platform {
namespace {

// A fresh folder under the system temp dir, removed afterwards. Paths are handed to the Env
// with '\' separators, as the system's callers build them.
class EnvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() /
           ("impcust-env-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Path(const std::string& name) const { return JoinPath(dir_.string(), name); }
  std::string Content(const std::string& name) {
    std::string c;
    EXPECT_EQ(ReadWholeFile(env_, Path(name), &c), kErrNone) << name;
    return c;
  }
  std::unique_ptr<File> Open(const std::string& name, OpenMode mode) {
    std::unique_ptr<File> f;
    EXPECT_EQ(env_->OpenFile(Path(name), mode, &f), kErrNone) << name;
    return f;
  }

  Env* env_ = Env::Default();
  std::filesystem::path dir_;
};

TEST_F(EnvTest, ErrorNumbersAreThoseOfWindows) {
  ASSERT_EQ(WriteWholeFile(env_, Path("a.dat"), "a"), kErrNone);
  ASSERT_EQ(WriteWholeFile(env_, Path("b.dat"), "b"), kErrNone);
  std::unique_ptr<File> f;
  std::vector<std::string> names;
  const struct {
    const char* what;
    int got;
    int want;
  } cases[] = {
      {"open missing file", env_->OpenFile(Path("none.dat"), OpenMode::kShared, &f),
       kErrFileNotFound},
      {"open read-only missing file", env_->OpenFile(Path("none.dat"), OpenMode::kReadOnly, &f),
       kErrFileNotFound},
      {"open in missing folder", env_->OpenFile(Path("nodir\\x.dat"), OpenMode::kShared, &f),
       kErrPathNotFound},
      {"create in missing folder", env_->OpenFile(Path("nodir\\x.dat"), OpenMode::kCreate, &f),
       kErrPathNotFound},
      {"delete missing file", env_->DeleteFile(Path("none.dat")), kErrFileNotFound},
      {"delete in missing folder", env_->DeleteFile(Path("nodir\\x.dat")), kErrPathNotFound},
      {"rename missing file", env_->RenameFile(Path("none.dat"), Path("c.dat")), kErrFileNotFound},
      {"rename onto existing file", env_->RenameFile(Path("a.dat"), Path("b.dat")),
       kErrAlreadyExists},
      {"create existing folder", env_->CreateDirectory(dir_.string()), kErrAlreadyExists},
      {"create folder in missing folder", env_->CreateDirectory(Path("nodir\\sub")),
       kErrPathNotFound},
      {"list missing folder", env_->ListFiles(Path("nodir"), &names), kErrPathNotFound},
      {"name cut by a zero byte",
       env_->OpenFile(Path(std::string("a.dat\0x", 7)), OpenMode::kCreate, &f), kErrInvalidName},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
  EXPECT_EQ(f, nullptr);
  EXPECT_EQ(Content("a.dat"), "a");
  EXPECT_EQ(Content("b.dat"), "b") << "a refused rename must leave the target alone";
}

TEST_F(EnvTest, FilesFoldersAndRenames) {
  ASSERT_EQ(env_->CreateDirectory(Path("sub")), kErrNone);
  EXPECT_TRUE(env_->DirectoryExists(Path("sub")));
  EXPECT_FALSE(env_->FileExists(Path("sub")));
  ASSERT_EQ(WriteWholeFile(env_, Path("sub\\one.dat"), "1"), kErrNone);
  ASSERT_EQ(env_->RenameFile(Path("sub\\one.dat"), Path("sub\\two.dat")), kErrNone);
  EXPECT_FALSE(env_->FileExists(Path("sub\\one.dat")));
  EXPECT_TRUE(env_->FileExists(Path("sub\\two.dat")));
  ASSERT_EQ(env_->CreateDirectory(Path("sub\\inner")), kErrNone);
  std::vector<std::string> names;
  ASSERT_EQ(env_->ListFiles(Path("sub"), &names), kErrNone);
  EXPECT_EQ(names, std::vector<std::string>{"two.dat"}) << "folders are not listed";
  ASSERT_EQ(env_->DeleteFile(Path("sub\\two.dat")), kErrNone);
  EXPECT_FALSE(env_->FileExists(Path("sub\\two.dat")));
}

TEST_F(EnvTest, ReadsWritesCutsAndGrows) {
  ASSERT_EQ(WriteWholeFile(env_, Path("a.dat"), "hello world"), kErrNone);
  auto f = Open("a.dat", OpenMode::kShared);
  ASSERT_NE(f, nullptr);
  char buf[28] = {};
  size_t got = 0;
  ASSERT_EQ(f->Read(1, buf, sizeof buf, &got), kErrNone);
  EXPECT_EQ(std::string(buf, got), "ello world") << "short at the end, not an error";
  ASSERT_EQ(f->Read(100, buf, sizeof buf, &got), kErrNone);
  EXPECT_EQ(got, 0u);
  size_t put = 0;
  ASSERT_EQ(f->Write(13, "XY", 2, &put), kErrNone);  // beyond the end: the gap reads as zeros
  EXPECT_EQ(put, 2u);
  uint64_t size = 0;
  ASSERT_EQ(f->Size(&size), kErrNone);
  EXPECT_EQ(size, 15u);
  ASSERT_EQ(f->Read(10, buf, 5, &got), kErrNone);
  EXPECT_EQ(std::string(buf, got), std::string("d\0\0XY", 5));
  ASSERT_EQ(f->Truncate(1), kErrNone);
  ASSERT_EQ(f->Flush(), kErrNone);
  ASSERT_EQ(f->Size(&size), kErrNone);
  EXPECT_EQ(size, 1u);
  EXPECT_EQ(env_->CloseFile(std::move(f)), kErrNone);
  EXPECT_EQ(Content("a.dat"), "h");
  // Creating over an existing file empties it.
  f = Open("a.dat", OpenMode::kCreate);
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->Size(&size), kErrNone);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(env_->CloseFile(std::move(f)), kErrNone);
}

TEST_F(EnvTest, ShareModesBetweenHandlesOfOneProcess) {
  const struct {
    OpenMode first, second;
    int want;
  } cases[] = {
      {OpenMode::kShared, OpenMode::kShared, kErrNone},
      {OpenMode::kShared, OpenMode::kReadOnly, kErrNone},
      {OpenMode::kReadOnly, OpenMode::kShared, kErrNone},
      {OpenMode::kShared, OpenMode::kExclusive, kErrSharingViolation},
      {OpenMode::kShared, OpenMode::kCreate, kErrSharingViolation},
      {OpenMode::kReadOnly, OpenMode::kCreate, kErrSharingViolation},
      {OpenMode::kExclusive, OpenMode::kShared, kErrSharingViolation},
      {OpenMode::kExclusive, OpenMode::kReadOnly, kErrSharingViolation},
      {OpenMode::kCreate, OpenMode::kExclusive, kErrSharingViolation},
  };
  int i = 0;
  for (const auto& c : cases) {
    std::string name = "s";
    name += std::to_string(i++);
    name += ".dat";
    ASSERT_EQ(WriteWholeFile(env_, Path(name), "keep"), kErrNone);
    auto first = Open(name, c.first);
    ASSERT_NE(first, nullptr);
    std::unique_ptr<File> second;
    EXPECT_EQ(env_->OpenFile(Path(name), c.second, &second), c.want) << name;
    EXPECT_EQ(second != nullptr, c.want == kErrNone) << name;
    // A refused create must not have emptied the file under the first handle.
    size_t got = 0;
    char buf[8];
    ASSERT_EQ(first->Read(0, buf, sizeof buf, &got), kErrNone);
    EXPECT_EQ(std::string(buf, got), c.first == OpenMode::kCreate ? "" : "keep") << name;
    if (second) env_->CloseFile(std::move(second));
    EXPECT_EQ(env_->DeleteFile(Path(name)), kErrSharingViolation) << "open files stay";
    env_->CloseFile(std::move(first));
    // Closing gives the file free again.
    auto again = Open(name, OpenMode::kExclusive);
    ASSERT_NE(again, nullptr);
    env_->CloseFile(std::move(again));
    EXPECT_EQ(env_->DeleteFile(Path(name)), kErrNone);
  }
}

// Windows answers an unlock of a range the handle does not hold with ERROR_NOT_LOCKED; Wine
// answers ERROR_LOCK_VIOLATION. Either way the unlock must fail and change nothing.
bool IsUnlockRefusal(int e) {
#ifdef _WIN32
  return e == kErrNotLocked || e == kErrLockViolation;
#else
  return e == kErrNotLocked;
#endif
}

TEST_F(EnvTest, ByteRangeLocksBelongToTheHandle) {
  ASSERT_EQ(WriteWholeFile(env_, Path("l.dat"), "x"), kErrNone);
  auto a = Open("l.dat", OpenMode::kShared);
  auto b = Open("l.dat", OpenMode::kShared);
  ASSERT_TRUE(a && b);
  // On a 1-byte file, far beyond its end; and the ranges a slot owner and the other-users
  // test use, which lie within 32 bits.
  ASSERT_EQ(a->Lock(0x7FFFFFF0, 4), kErrNone);
  ASSERT_EQ(a->Lock(0x7FFFFFFF - 5, 1), kErrNone);
  ASSERT_EQ(a->Lock(3, 10), kErrNone);
  const struct {
    File* file;
    uint64_t offset, length;
    int want;
  } cases[] = {
      {b.get(), 0x7FFFFFF2, 1, kErrLockViolation},       // inside a's range
      {b.get(), 0x7FFF0001, 0xFFFF, kErrLockViolation},  // covers a's slot byte
      {a.get(), 0x7FFFFFF3, 2, kErrLockViolation},       // a handle cannot lock over itself
      {a.get(), 3, 10, kErrLockViolation},               // not even the same range twice
      {b.get(), 13, 1, kErrNone},                        // adjacent ranges do not touch
      {b.get(), 0, 3, kErrNone},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.file->Lock(c.offset, c.length), c.want) << std::hex << c.offset << "+" << c.length;
  }
  // Unlocks must match a held range exactly, and only its owner can release it.
  EXPECT_TRUE(IsUnlockRefusal(a->Unlock(3, 5)));
  EXPECT_TRUE(IsUnlockRefusal(a->Unlock(0, 3)));
  EXPECT_TRUE(IsUnlockRefusal(b->Unlock(3, 10)));
  EXPECT_EQ(b->Lock(5, 1), kErrLockViolation) << "a's range survived the refused unlocks";
  EXPECT_EQ(a->Unlock(3, 10), kErrNone);
  EXPECT_EQ(b->Lock(5, 1), kErrNone);
  EXPECT_TRUE(IsUnlockRefusal(a->Unlock(3, 10)));
  // Closing a handle releases its locks.
  EXPECT_EQ(env_->CloseFile(std::move(a)), kErrNone);
  EXPECT_EQ(b->Lock(0x7FFFFFF0, 4), kErrNone);
  EXPECT_EQ(b->Lock(0x7FFFFFFF - 5, 1), kErrNone);
  env_->CloseFile(std::move(b));
}

TEST_F(EnvTest, SpecialFilesAreRefusedWithoutWaiting) {
  std::unique_ptr<File> f;
  EXPECT_EQ(env_->OpenFile(dir_.string(), OpenMode::kReadOnly, &f), kErrAccessDenied);
  EXPECT_EQ(env_->OpenFile(dir_.string(), OpenMode::kShared, &f), kErrAccessDenied);
  EXPECT_EQ(f, nullptr);
#ifdef _WIN32
  GTEST_SKIP() << "folders checked; a named pipe cannot be made inside a folder on Windows";
#else
  const std::string fifo = (dir_ / "pipe.dat").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (OpenMode mode : {OpenMode::kReadOnly, OpenMode::kShared, OpenMode::kCreate}) {
    EXPECT_EQ(env_->OpenFile(fifo, mode, &f), kErrAccessDenied);
  }
  EXPECT_EQ(f, nullptr);
#endif
}

TEST_F(EnvTest, ThaiFileNamesRoundTrip) {
  const std::string thai = "\xA1\xD2\xC3\xA4\xE9\xD2.dat";  // cp874 bytes of a Thai word
  ASSERT_EQ(WriteWholeFile(env_, Path(thai), "t"), kErrNone);
  EXPECT_TRUE(env_->FileExists(Path(thai)));
  std::vector<std::string> names;
  ASSERT_EQ(env_->ListFiles(dir_.string(), &names), kErrNone);
  EXPECT_EQ(names, std::vector<std::string>{thai});
#ifndef _WIN32
  // On disk the name is UTF-8.
  EXPECT_TRUE(std::filesystem::exists(
      dir_ / std::filesystem::path(u8"\u0E01\u0E32\u0E23\u0E04\u0E49\u0E32.dat")));
#endif
}

TEST_F(EnvTest, CurrentDirectoryComesBackAsTheOsReportsIt) {
  std::string before;
  ASSERT_EQ(env_->GetCurrentDirectory(&before), kErrNone);
  ASSERT_EQ(env_->CreateDirectory(Path("cwd")), kErrNone);
  ASSERT_EQ(env_->SetCurrentDirectory(Path("cwd")), kErrNone);
  ASSERT_EQ(WriteWholeFile(env_, "rel.dat", "r"), kErrNone);
  std::string now;
  ASSERT_EQ(env_->GetCurrentDirectory(&now), kErrNone);
  EXPECT_NE(env_->SetCurrentDirectory(Path("missing")), kErrNone);
  ASSERT_EQ(env_->SetCurrentDirectory(before), kErrNone);
  EXPECT_TRUE(env_->FileExists(Path("cwd\\rel.dat")));
  EXPECT_TRUE(env_->FileExists(JoinPath(now, "rel.dat")));
  EXPECT_NE(now.back(), '\\');
  EXPECT_NE(now.back(), '/');
}

TEST_F(EnvTest, ProcessServices) {
  std::set<uint32_t> seeds;
  for (int i = 0; i < 100; ++i) seeds.insert(env_->RandomSeed());
  EXPECT_EQ(seeds.size(), 100u);
  const uint64_t t0 = env_->MonotonicMicros();
  env_->SleepMs(30);
  EXPECT_GE(env_->MonotonicMicros() - t0, 20000u);  // the coarsest Windows tick is ~16 ms
  std::string value = "unchanged";
  EXPECT_FALSE(env_->GetEnvironmentVariable("IMPCUST_SURELY_NOT_SET_42", &value));
  EXPECT_EQ(value, "unchanged");
  EXPECT_NE(env_->GetDriveType(dir_.string()), DriveType::kNoRoot);
  EXPECT_FALSE(ExecutablePath().empty());
  EXPECT_TRUE(StdoutIsUsable());
#ifndef _WIN32
  ::setenv("IMPCUST_THAI_VALUE", "\u0E01\u0E02", 1);
  ASSERT_TRUE(env_->GetEnvironmentVariable("IMPCUST_THAI_VALUE", &value));
  EXPECT_EQ(value, "\xA1\xA2");
  ::unsetenv("IMPCUST_THAI_VALUE");
  EXPECT_EQ(env_->WindowsVersion(), 0);
#else
  EXPECT_GE(env_->WindowsVersion(), 501);
#endif
}

TEST(JoinPath, AddsOneSeparatorOnlyWhereNeeded) {
  const struct {
    const char *dir, *name, *want;
  } cases[] = {
      {"", "a.dat", "a.dat"},
      {"C:\\data", "a.dat", "C:\\data\\a.dat"},
      {"C:\\", "a.dat", "C:\\a.dat"},
      {"/tmp/", "a.dat", "/tmp/a.dat"},
      {"x", "", "x\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(JoinPath(c.dir, c.name), c.want) << c.dir;
}

TEST(ScratchDir, IsFreshAndGoesAwayWithItsContent) {
  Env* env = Env::Default();
  std::string kept;
  {
    ScratchDir a("impcust-scratch"), b("impcust-scratch");
    ASSERT_FALSE(a.path().empty());
    EXPECT_NE(a.path(), b.path());
    EXPECT_TRUE(env->DirectoryExists(a.path()));
    ASSERT_EQ(env->CreateDirectory(a.Join("sub")), kErrNone);
    ASSERT_EQ(WriteWholeFile(env, a.Join("sub\\f.dat"), "x"), kErrNone);
    std::vector<std::string> names;
    ASSERT_EQ(env->ListFiles(b.path(), &names), kErrNone);
    EXPECT_TRUE(names.empty());
    kept = a.path();
  }
  EXPECT_FALSE(env->DirectoryExists(kept));
}

// Tests against a second, real process: the platform_probe program beside this test.
class EnvProcessTest : public EnvTest {
 protected:
  void SetUp() override {
    EnvTest::SetUp();
    probe_ = SiblingExecutable("platform_probe");
    if (!env_->FileExists(probe_)) GTEST_SKIP() << "platform_probe not found beside the test";
  }

  int Probe(const std::vector<std::string>& args) { return RunProcess(probe_, args); }

  // Starts a probe that opens `name` in `mode`, locks (offset, length) and holds both until
  // Release(). Returns false when it did not get that far.
  bool Hold(const std::string& name, const char* mode, uint64_t offset, uint64_t length) {
    ready_ = Path("ready.flag");
    release_ = Path("release.flag");
    if (StartProcess(probe_,
                     {"hold", Path(name), mode, std::to_string(offset), std::to_string(length),
                      ready_, release_},
                     &holder_) != 0) {
      return false;
    }
    for (int waited = 0; waited < 20000; waited += 10) {
      if (env_->FileExists(ready_)) return true;
      int code = 0;
      if (holder_->Wait(0, &code) == 0) {
        ADD_FAILURE() << "probe ended early with " << code;
        return false;
      }
      env_->SleepMs(10);
    }
    return false;
  }
  int Release() {
    EXPECT_EQ(WriteWholeFile(env_, release_, "go"), kErrNone);
    int code = -1;
    EXPECT_EQ(holder_->Wait(30000, &code), 0);
    holder_.reset();
    env_->DeleteFile(ready_);
    env_->DeleteFile(release_);
    return code;
  }

  std::string probe_, ready_, release_;
  std::unique_ptr<ChildProcess> holder_;
};

TEST_F(EnvProcessTest, LockHeldByTheParentIsRefusedToAChildUntilTheHandleCloses) {
  ASSERT_EQ(WriteWholeFile(env_, Path("p.dia"), std::string(1, '\0')), kErrNone);
  auto f = Open("p.dia", OpenMode::kShared);
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->Lock(0x7FFFFFFF - 7, 1), kErrNone);
  ASSERT_EQ(f->Lock(3, 2003), kErrNone);
  EXPECT_EQ(Probe({"lock", Path("p.dia"), "2147483640", "1"}), kErrLockViolation);
  EXPECT_EQ(Probe({"lock", Path("p.dia"), "2147418113", "65535"}), kErrLockViolation);
  EXPECT_EQ(Probe({"lock", Path("p.dia"), "4", "1"}), kErrLockViolation);
  EXPECT_EQ(Probe({"lock", Path("p.dia"), "2147483639", "1"}), kErrNone);
  env_->CloseFile(std::move(f));
  EXPECT_EQ(Probe({"lock", Path("p.dia"), "2147483640", "1"}), kErrNone);
  EXPECT_EQ(Probe({"lock", Path("p.dia"), "3", "2003"}), kErrNone);
}

TEST_F(EnvProcessTest, LockHeldByAChildIsRefusedToTheParent) {
  ASSERT_EQ(WriteWholeFile(env_, Path("c.dia"), std::string(1, '\0')), kErrNone);
  ASSERT_TRUE(Hold("c.dia", "s", 3, 1));
  auto f = Open("c.dia", OpenMode::kShared);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Lock(3, 2003), kErrLockViolation);
  EXPECT_EQ(f->Lock(4, 2002), kErrNone);
  EXPECT_EQ(Release(), 0);
  EXPECT_EQ(f->Lock(3, 1), kErrNone) << "the child's lock ended with it";
  env_->CloseFile(std::move(f));
}

TEST_F(EnvProcessTest, StandardStreamsAndEnvironmentReachTheChild) {
  ASSERT_EQ(WriteWholeFile(env_, Path("in.txt"), "line one\nline two\n"), kErrNone);
  ProcessOptions options;
  options.stdin_file = Path("in.txt");
  options.stdout_file = Path("out.txt");
  options.stderr_file = Path("err.txt");
  options.environment = {"IMPCUST_PROBE_VALUE=a b=c"};
  EXPECT_EQ(RunProcess(probe_, {"echo", "IMPCUST_PROBE_VALUE"}, options), 0);
  std::string out = Content("out.txt");
  out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
  EXPECT_EQ(out, "IMPCUST_PROBE_VALUE=a b=c\nline one\nline two\n");
  std::string err = Content("err.txt");
  EXPECT_EQ(err.substr(0, 5), "error");

  // One file for both outputs, an empty input, nothing set.
  options.stdin_file = NullDevice();
  options.stderr_file = options.stdout_file;
  options.environment.clear();
  EXPECT_EQ(RunProcess(probe_, {"echo", "IMPCUST_PROBE_VALUE"}, options), 0);
  out = Content("out.txt");
  out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
  EXPECT_EQ(out, "IMPCUST_PROBE_VALUE=\nerror\n");

  options.stdout_file = Path("missing\\out.txt");
  std::unique_ptr<ChildProcess> child;
  EXPECT_EQ(StartProcess(probe_, {"echo", "X"}, options, &child), kErrPathNotFound);
  EXPECT_EQ(child, nullptr);
}

TEST_F(EnvProcessTest, ShareModesBetweenProcesses) {
  ASSERT_EQ(WriteWholeFile(env_, Path("m.dat"), "keep"), kErrNone);
  {
    auto f = Open("m.dat", OpenMode::kShared);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(Probe({"open", Path("m.dat"), "s"}), kErrNone);
    EXPECT_EQ(Probe({"open", Path("m.dat"), "r"}), kErrNone);
    EXPECT_EQ(Probe({"open", Path("m.dat"), "x"}), kErrSharingViolation);
    EXPECT_EQ(Probe({"open", Path("m.dat"), "c"}), kErrSharingViolation);
    env_->CloseFile(std::move(f));
  }
  EXPECT_EQ(Content("m.dat"), "keep") << "a refused create in another process emptied it";
  ASSERT_TRUE(Hold("m.dat", "x", 0, 0));
  std::unique_ptr<File> f;
  EXPECT_EQ(env_->OpenFile(Path("m.dat"), OpenMode::kShared, &f), kErrSharingViolation);
  EXPECT_EQ(env_->OpenFile(Path("m.dat"), OpenMode::kReadOnly, &f), kErrSharingViolation);
  EXPECT_EQ(env_->OpenFile(Path("m.dat"), OpenMode::kCreate, &f), kErrSharingViolation);
  EXPECT_EQ(Release(), 0);
  EXPECT_EQ(Content("m.dat"), "keep");
  EXPECT_EQ(Probe({"open", Path("m.dat"), "x"}), kErrNone);
}

}  // namespace
}  // namespace platform
