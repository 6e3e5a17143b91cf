#include "app/dry_run_env.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace app {
namespace {

namespace fs = std::filesystem;
using platform::OpenMode;

class DryRunEnvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("impcust-dryrun-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    WriteDisk("a.dat", std::string(10000, 'a'));
    WriteDisk("b.txt", "bee");
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WriteDisk(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string ReadDisk(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string Path(const std::string& name) { return (dir_ / name).string(); }
  std::string Read(DryRunEnv& env, const std::string& name) {
    std::string out;
    EXPECT_EQ(platform::ReadWholeFile(&env, Path(name), &out), 0) << name;
    return out;
  }
  // Every file on disk with its bytes.
  std::map<std::string, std::string> Disk() {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir_)) {
      out[e.path().string()] =
          e.is_regular_file() ? ReadDisk(e.path().lexically_relative(dir_).string()) : "<dir>";
    }
    return out;
  }

  fs::path dir_;
};

TEST_F(DryRunEnvTest, ChangesAreSeenThroughTheEnvAndNeverReachTheDisk) {
  const auto before = Disk();
  DryRunEnv env(platform::Env::Default());
  std::unique_ptr<platform::File> f;
  ASSERT_EQ(env.OpenFile(Path("a.dat"), OpenMode::kShared, &f), 0);
  size_t n = 0;
  ASSERT_EQ(f->Write(4090, "XYZWV", 5, &n), 0);  // across a page boundary
  ASSERT_EQ(f->Write(12000, "end", 3, &n), 0);   // beyond the end: the gap reads as zero
  uint64_t size = 0;
  f->Size(&size);
  EXPECT_EQ(size, 12003u);
  ASSERT_EQ(env.CloseFile(std::move(f)), 0);

  std::string expected = std::string(10000, 'a');
  expected.replace(4090, 5, "XYZWV");
  expected += std::string(2000, '\0') + "end";
  EXPECT_EQ(Read(env, "a.dat"), expected);

  ASSERT_EQ(platform::WriteWholeFile(&env, Path("new.ini"), "K=V\r\n"), 0);
  EXPECT_TRUE(env.FileExists(Path("new.ini")));
  EXPECT_EQ(Read(env, "new.ini"), "K=V\r\n");
  ASSERT_EQ(env.CreateDirectory(Path("sub")), 0);
  EXPECT_TRUE(env.DirectoryExists(Path("sub")));
  ASSERT_EQ(platform::WriteWholeFile(&env, Path("sub/x"), "x"), 0);

  EXPECT_EQ(Disk(), before);
}

TEST_F(DryRunEnvTest, CutThenGrowReadsZerosNotTheOldBytes) {
  DryRunEnv env(platform::Env::Default());
  std::unique_ptr<platform::File> f;
  ASSERT_EQ(env.OpenFile(Path("a.dat"), OpenMode::kExclusive, &f), 0);
  ASSERT_EQ(f->Truncate(5000), 0);
  ASSERT_EQ(f->Truncate(9000), 0);
  std::string got(9000, '?');
  size_t n = 0;
  ASSERT_EQ(f->Read(0, got.data(), got.size(), &n), 0);
  EXPECT_EQ(n, 9000u);
  EXPECT_EQ(got, std::string(5000, 'a') + std::string(4000, '\0'));
  env.CloseFile(std::move(f));
  EXPECT_EQ(ReadDisk("a.dat"), std::string(10000, 'a'));
}

TEST_F(DryRunEnvTest, DeleteRenameAndListFollowTheMemoryView) {
  DryRunEnv env(platform::Env::Default());
  ASSERT_EQ(env.RenameFile(Path("b.txt"), Path("c.txt")), 0);
  EXPECT_FALSE(env.FileExists(Path("b.txt")));
  EXPECT_EQ(Read(env, "c.txt"), "bee");
  EXPECT_EQ(env.RenameFile(Path("c.txt"), Path("a.dat")), platform::kErrAlreadyExists);
  ASSERT_EQ(env.DeleteFile(Path("a.dat")), 0);
  EXPECT_EQ(env.DeleteFile(Path("a.dat")), platform::kErrFileNotFound);
  std::unique_ptr<platform::File> f;
  EXPECT_EQ(env.OpenFile(Path("a.dat"), OpenMode::kShared, &f), platform::kErrFileNotFound);
  EXPECT_EQ(env.OpenFile(Path("no/such"), OpenMode::kCreate, &f), platform::kErrPathNotFound);

  std::vector<std::string> names;
  ASSERT_EQ(env.ListFiles(dir_.string(), &names), 0);
  EXPECT_EQ(names, std::vector<std::string>{"c.txt"});
  EXPECT_EQ(ReadDisk("b.txt"), "bee");
  EXPECT_EQ(ReadDisk("a.dat").size(), 10000u);
}

TEST_F(DryRunEnvTest, SharingAndLocksHoldBetweenItsHandles) {
  DryRunEnv env(platform::Env::Default());
  std::unique_ptr<platform::File> a, b, c;
  ASSERT_EQ(env.OpenFile(Path("a.dat"), OpenMode::kShared, &a), 0);
  ASSERT_EQ(env.OpenFile(Path("a.dat"), OpenMode::kShared, &b), 0);
  EXPECT_EQ(env.OpenFile(Path("a.dat"), OpenMode::kExclusive, &c), platform::kErrSharingViolation);
  ASSERT_EQ(a->Lock(0x7FFFFFF0, 4), 0);  // beyond the end of the file
  EXPECT_EQ(b->Lock(0x7FFFFFF2, 1), platform::kErrLockViolation);
  EXPECT_EQ(b->Unlock(0x7FFFFFF0, 4), platform::kErrNotLocked);
  env.CloseFile(std::move(a));  // closing releases the lock
  EXPECT_EQ(b->Lock(0x7FFFFFF2, 1), 0);
  env.CloseFile(std::move(b));
  EXPECT_EQ(env.OpenFile(Path("a.dat"), OpenMode::kExclusive, &c), 0);
  env.CloseFile(std::move(c));
}

TEST_F(DryRunEnvTest, RelativeNamesKeepTheirFileWhenTheDirectoryChanges) {
  std::string cwd;
  platform::Env* disk = platform::Env::Default();
  ASSERT_EQ(disk->GetCurrentDirectory(&cwd), 0);
  DryRunEnv env(disk);
  ASSERT_EQ(env.SetCurrentDirectory(dir_.string()), 0);
  ASSERT_EQ(platform::WriteWholeFile(&env, "rel.txt", "r"), 0);
  fs::create_directories(dir_ / "other");
  ASSERT_EQ(env.SetCurrentDirectory("other"), 0);
  EXPECT_FALSE(env.FileExists("rel.txt"));
  EXPECT_TRUE(env.FileExists("../rel.txt"));
  ASSERT_EQ(env.SetCurrentDirectory(cwd), 0);
  EXPECT_FALSE(fs::exists(dir_ / "rel.txt"));
}

}  // namespace
}  // namespace app
