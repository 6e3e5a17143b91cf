#include "platform/env.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace platform {
namespace {

// A fresh folder under the system temp dir, removed afterwards. Paths are given to the Env
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

  Env* env_ = Env::Default();
  std::filesystem::path dir_;
};

TEST_F(EnvTest, MissingFileAndMissingFolderGiveDistinctErrors) {
  std::unique_ptr<File> f;
  EXPECT_EQ(env_->OpenFile(Path("nothing.dat"), OpenMode::kShared, &f), kErrFileNotFound);
  EXPECT_EQ(env_->OpenFile(Path("nodir\\x.dat"), OpenMode::kShared, &f), kErrPathNotFound);
  EXPECT_EQ(env_->OpenFile(Path("nodir\\x.dat"), OpenMode::kCreate, &f), kErrPathNotFound);
  EXPECT_EQ(f, nullptr);
}

TEST_F(EnvTest, WriteReadTruncateAndSize) {
  ASSERT_EQ(WriteWholeFile(env_, Path("a.dat"), "hello world"), kErrNone);
  std::unique_ptr<File> f;
  ASSERT_EQ(env_->OpenFile(Path("a.dat"), OpenMode::kShared, &f), kErrNone);
  char buf[28] = {};
  size_t got = 0;
  ASSERT_EQ(f->Read(1, buf, sizeof buf, &got), kErrNone);
  EXPECT_EQ(got, 10u);  // short at the end of the file, not an error
  EXPECT_EQ(std::string(buf, got), "ello world");
  ASSERT_EQ(f->Truncate(1), kErrNone);
  uint64_t size = 0;
  ASSERT_EQ(f->Size(&size), kErrNone);
  EXPECT_EQ(size, 1u);
  EXPECT_EQ(env_->CloseFile(std::move(f)), kErrNone);
  std::string content;
  ASSERT_EQ(ReadWholeFile(env_, Path("a.dat"), &content), kErrNone);
  EXPECT_EQ(content, "h");
}

TEST_F(EnvTest, LockBeyondTheEndExcludesAnotherHandle) {
  ASSERT_EQ(WriteWholeFile(env_, Path("l.dat"), "x"), kErrNone);
  std::unique_ptr<File> a, b;
  ASSERT_EQ(env_->OpenFile(Path("l.dat"), OpenMode::kShared, &a), kErrNone);
  ASSERT_EQ(env_->OpenFile(Path("l.dat"), OpenMode::kShared, &b), kErrNone);
  ASSERT_EQ(a->Lock(0x7FFFFFF0, 4), kErrNone);
  EXPECT_EQ(b->Lock(0x7FFFFFF2, 1), kErrLockViolation);
  EXPECT_EQ(a->Unlock(0x7FFFFFF0, 4), kErrNone);
  EXPECT_EQ(b->Lock(0x7FFFFFF2, 1), kErrNone);
  env_->CloseFile(std::move(a));
  env_->CloseFile(std::move(b));
}

}  // namespace
}  // namespace platform
