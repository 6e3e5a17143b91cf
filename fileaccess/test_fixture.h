// Test support for the access layer: a fresh scratch company directory as the current
// directory, the engine started on a chosen Env, a recording presenter answering questions,
// and the end-program requests recorded. Used only by the tests of this folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "dialogs/dialogs.h"
#include "dialogs/recording_presenter.h"
#include "fileaccess/access.h"
#include "fileaccess/end_program.h"
#include "isam/isam.h"
#include "platform/env.h"

namespace fileaccess {

class AccessFixture : public ::testing::Test {
 protected:
  void SetUp() override { Begin(platform::Env::Default()); }
  void TearDown() override { End(); }

  void Begin(platform::Env* env) {
    env_ = env;
    platform::Env* os = platform::Env::Default();
    ASSERT_EQ(os->GetCurrentDirectory(&previous_), 0);
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() /
           ("fileaccess_test_" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
    ASSERT_EQ(os->SetCurrentDirectory(dir_.string()), 0);
    isam::ResetEngine(env_);
    ASSERT_GT(isam::StartEngine(2, 500), 0);
    ResetAccessLayer();
    SetOpenInSaveMode(false);
    SetFlushAfterWrite(false);
    ClearEndRequest();
    SetEndProgramHandler([this](const EndRequest& r) { ends_.push_back(r); });
    dialogs::SetPresenter(&presenter_);
  }

  void End() {
    dialogs::SetPresenter(nullptr);
    dialogs::SetStatusTextHook(nullptr);
    SetEndProgramHandler(nullptr);
    ClearEndRequest();
    ResetAccessLayer();
    isam::StopEngine();
    isam::ResetEngine(nullptr);
    platform::Env::Default()->SetCurrentDirectory(previous_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  static void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
  }
  static std::string Get(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static bool Exists(const std::string& name) { return std::filesystem::exists(name); }

  std::vector<std::string> Errors() const {
    std::vector<std::string> out;
    for (const auto& c : presenter_.CallsOf(dialogs::RecordingPresenter::CallKind::kMessage)) {
      out.push_back(c.text);
    }
    return out;
  }

  platform::Env* env_ = nullptr;
  std::string previous_;
  std::filesystem::path dir_;
  dialogs::RecordingPresenter presenter_;
  std::vector<EndRequest> ends_;
};

}  // namespace fileaccess
