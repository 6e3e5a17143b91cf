// Test support for config/ and company/ tests: an Env that passes everything to the default
// Env except the environment variables, the drive kind, the Windows version and the creation
// of chosen folders, which a test sets; and a fixture base that works in a fresh scratch
// directory made current, with the environment values and settings pointing into it, and
// checks that the current directory is the same again when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "config/color_scheme.h"
#include "config/environment.h"
#include "config/lines.h"
#include "config/settings.h"
#include "platform/env.h"
#include "platform/scratch_dir.h"

namespace config::testing {

class TestEnv : public platform::Env {
 public:
  TestEnv() : base_(platform::Env::Default()) {}

  // A variable set to a value; std::nullopt makes it unset. Variables never set here are
  // unset as well, so the real environment of the test run plays no part.
  void SetVar(const std::string& name, std::optional<std::string> value) { vars_[name] = value; }
  void SetDriveType(platform::DriveType type) { drive_ = type; }
  void SetWindowsVersion(int version) { windows_version_ = version; }
  // Creating this folder (as named in the call) fails.
  void FailCreate(const std::string& dir) { fail_create_.insert(dir); }
  const std::vector<std::string>& created() const { return created_; }
  // Files opened for writing (created or replaced) so far.
  int writes() const { return writes_; }

  int OpenFile(const std::string& name, platform::OpenMode mode,
               std::unique_ptr<platform::File>* out) override {
    if (mode == platform::OpenMode::kCreate) ++writes_;
    return base_->OpenFile(name, mode, out);
  }
  int CloseFile(std::unique_ptr<platform::File> file) override {
    return base_->CloseFile(std::move(file));
  }
  int DeleteFile(const std::string& name) override { return base_->DeleteFile(name); }
  int RenameFile(const std::string& from, const std::string& to) override {
    return base_->RenameFile(from, to);
  }
  bool FileExists(const std::string& name) override { return base_->FileExists(name); }
  bool DirectoryExists(const std::string& name) override { return base_->DirectoryExists(name); }
  int CreateDirectory(const std::string& name) override {
    if (fail_create_.count(name) != 0) return platform::kErrAccessDenied;
    created_.push_back(name);
    return base_->CreateDirectory(name);
  }
  int ListFiles(const std::string& dir, std::vector<std::string>* names) override {
    return base_->ListFiles(dir, names);
  }
  int GetCurrentDirectory(std::string* out) override { return base_->GetCurrentDirectory(out); }
  int SetCurrentDirectory(const std::string& dir) override {
    return base_->SetCurrentDirectory(dir);
  }
  platform::DriveType GetDriveType(const std::string&) override { return drive_; }
  bool GetEnvironmentVariable(const std::string& name, std::string* value) override {
    auto it = vars_.find(name);
    if (it == vars_.end() || !it->second) return false;
    *value = *it->second;
    return true;
  }
  void SleepMs(uint32_t ms) override { base_->SleepMs(ms); }
  uint64_t MonotonicMicros() override { return base_->MonotonicMicros(); }
  uint32_t RandomSeed() override { return base_->RandomSeed(); }
  int WindowsVersion() override { return windows_version_; }

 private:
  platform::Env* base_;
  std::map<std::string, std::optional<std::string>> vars_;
  std::set<std::string> fail_create_;
  std::vector<std::string> created_;
  platform::DriveType drive_ = platform::DriveType::kFixed;
  int windows_version_ = 0;
  int writes_ = 0;
};

// Works in a fresh scratch directory: it is current, it is the start-up directory, QXACC.CFG
// lies in it and TempDir is it with a trailing separator. Settings and palettes start at
// their defaults; the scheme message box records its texts.
class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = std::make_unique<TestEnv>();
    SetCurrentEnv(env_.get());
    ASSERT_EQ(env_->GetCurrentDirectory(&before_), platform::kErrNone);
    ASSERT_EQ(env_->SetCurrentDirectory(dir_.path()), platform::kErrNone);
    std::string cwd;
    env_->GetCurrentDirectory(&cwd);
    EnvironmentState& e = Environment();
    e = EnvironmentState();
    e.startup_directory = cwd;
    e.user_settings_dir = cwd;
    e.temp_dir = cwd + "\\";
    e.config_file_path = cwd + "\\QXACC.CFG";
    ResetSettings();
    Palettes().fill(ColorPalette());
    SetPlainMessageBox([this](const std::string& text) { boxes_.push_back(text); });
  }

  void TearDown() override {
    SetPlainMessageBox(nullptr);
    std::string cwd;
    env_->GetCurrentDirectory(&cwd);
    EXPECT_EQ(cwd, Environment().startup_directory) << "the current directory moved";
    env_->SetCurrentDirectory(before_);
    SetCurrentEnv(nullptr);
  }

  std::string Path(const std::string& name) const { return dir_.Join(name); }
  void Write(const std::string& name, const std::string& content) {
    ASSERT_EQ(platform::WriteWholeFile(env_.get(), Path(name), content), platform::kErrNone);
  }
  std::string Read(const std::string& name) {
    std::string content;
    platform::ReadWholeFile(env_.get(), Path(name), &content);
    return content;
  }
  LineTable Lines(const std::string& name) { return SplitLines(Read(name)); }

  platform::ScratchDir dir_{"config"};
  std::unique_ptr<TestEnv> env_;
  std::string before_;
  std::vector<std::string> boxes_;
};

}  // namespace config::testing
