#include "config/environment.h"

#include <gtest/gtest.h>

#include "config/settings.h"
#include "config/test_env.h"

namespace config {
namespace {

using testing::ScratchTest;

#ifdef _WIN32
constexpr char kSep = '\\';
#else
constexpr char kSep = '/';
#endif

class InitEnvironmentTest : public ScratchTest {
 protected:
  // A folder inside the scratch directory, as the OS reports it once made current.
  std::string Native(const std::string& name) { return StartupDirectory() + kSep + name; }
  void MakeDir(const std::string& name) {
    ASSERT_EQ(env_->CreateDirectory(Path(name)), platform::kErrNone);
  }
  std::string start_;
  void Init() {
    env_->GetCurrentDirectory(&start_);
    std::string fatal;
    ASSERT_TRUE(InitEnvironment(&fatal)) << fatal;
    std::string cwd;
    env_->GetCurrentDirectory(&cwd);
    EXPECT_EQ(cwd, start_) << "InitEnvironment must leave the start-up directory current";
    EXPECT_EQ(StartupDirectory(), start_);
  }
};

TEST_F(InitEnvironmentTest, FixedDriveUsesAppDataAndTemp) {
  MakeDir("appdata");
  MakeDir("tmp");
  env_->SetVar("APPDATA", Path("appdata"));
  env_->SetVar("TEMP", Path("tmp") + "\\");  // a trailing separator is not doubled
  Init();
  EXPECT_FALSE(OnRemovableDrive());
  EXPECT_EQ(UserSettingsDir(), Path("appdata") + "\\Orvanta");
  EXPECT_TRUE(env_->DirectoryExists(UserSettingsDir()));
  EXPECT_EQ(ConfigFilePath(), UserSettingsDir() + "\\QXACC.CFG");
  EXPECT_EQ(TempDir(), Native("tmp") + "\\");
  EXPECT_TRUE(env_->DirectoryExists(Path("tmp\\qxacc_data")));
  EXPECT_FALSE(env_->DirectoryExists(Path("tmp\\qxacc_report_temp")));
  CreateReportWorkFolder();
  EXPECT_TRUE(env_->DirectoryExists(Path("tmp\\qxacc_report_temp")));
  EXPECT_EQ(Settings().background_picture[0], start_ + "\\Wallpaper\\Wallpaper_001.jpg");
  EXPECT_EQ(Settings().company_bar_width, 6);
  EXPECT_EQ(OpenRetryCode(), 255);
}

TEST_F(InitEnvironmentTest, PerUserFolderThatCannotBeCreatedFallsBackToStartup) {
  MakeDir("appdata");
  env_->SetVar("APPDATA", Path("appdata"));
  env_->FailCreate(Path("appdata") + "\\Orvanta");
  Init();
  EXPECT_EQ(UserSettingsDir(), start_);
  EXPECT_EQ(ConfigFilePath(), start_ + "\\QXACC.CFG");
}

TEST_F(InitEnvironmentTest, MissingTempFolderLeavesTempDirEmpty) {
  MakeDir("appdata");
  env_->SetVar("APPDATA", Path("appdata"));
  env_->SetVar("TEMP", Path("no-such-folder"));
  Init();
  EXPECT_EQ(TempDir(), "");
  // The work folder name is then relative to the start-up directory.
  EXPECT_TRUE(env_->DirectoryExists(Path("qxacc_data")));
}

TEST_F(InitEnvironmentTest, RemovableDriveKeepsEverythingBesideTheProgram) {
  env_->SetDriveType(platform::DriveType::kRemovable);
  env_->SetVar("APPDATA", Path("unused"));
  Init();
  EXPECT_TRUE(OnRemovableDrive());
  EXPECT_EQ(UserSettingsDir(), start_);
  EXPECT_EQ(TempDir(), Native("TEMP") + "\\");
  EXPECT_TRUE(env_->DirectoryExists(Path("TEMP\\qxacc_data")));
  EXPECT_FALSE(env_->DirectoryExists(Path("unused")));
}

TEST_F(InitEnvironmentTest, WriteProtectedRemovableDriveUsesStartupAsTemp) {
  env_->SetDriveType(platform::DriveType::kRemovable);
  env_->FailCreate(StartupDirectory() + "\\TEMP");
  Init();
  EXPECT_EQ(TempDir(), start_ + "\\");
}

#ifndef _WIN32
TEST_F(InitEnvironmentTest, PosixFallbacksWithoutAppDataAndTemp) {
  MakeDir("xdg");
  MakeDir("home");
  MakeDir("home\\.config");
  MakeDir("tmpdir");
  env_->SetVar("HOME", Native("home"));
  env_->SetVar("TMPDIR", Native("tmpdir"));
  Init();
  EXPECT_EQ(UserSettingsDir(), Native("home") + "/.config\\Orvanta");
  EXPECT_TRUE(env_->DirectoryExists(Path("home\\.config\\Orvanta")));
  EXPECT_EQ(TempDir(), Native("tmpdir") + "\\");

  env_->SetVar("XDG_CONFIG_HOME", Native("xdg"));
  Init();
  EXPECT_EQ(UserSettingsDir(), Native("xdg") + "\\Orvanta");
}
#endif

TEST(DriveRootOf, NamesTheRootOfTheStartDirectory) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"C:\\ACC", "C:\\"}, {"E:\\", "E:\\"}, {"/home/acc", "/"}, {"\\\\srv\\x", "\\\\s"}};
  for (const auto& c : cases) EXPECT_EQ(DriveRootOf(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace config
