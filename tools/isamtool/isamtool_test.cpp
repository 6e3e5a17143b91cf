// isamtool: key escaping, and the binary's exit codes and output on sets made by the engine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "isam/isam.h"
#include "platform/env.h"
#include "platform/process.h"
#include "platform/scratch_dir.h"
#include "tools/isamtool/commands.h"

namespace isamtool {
namespace {

namespace fs = std::filesystem;

TEST(EscapeKey, KeepsAsciiAndThaiReadable) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"C000012345", "C000012345"},
      {"a\\b", "a\\\\b"},
      {std::string("\x00\x09\x7F", 3), "\\x00\\x09\\x7F"},
      {"\xA1\xD2\xC3", "\xE0\xB8\x81\xE0\xB8\xB2\xE0\xB8\xA3"},  // three Thai letters
      {"X\xA1Y", "X\xE0\xB8\x81Y"},
      {"\x80\xA0\xDB\xFC\xFF", "\\x80\\xA0\\xDB\\xFC\\xFF"},  // not Thai letters
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeKey(c.in), c.out) << c.in;
}

class IsamtoolRun : public ::testing::Test {
 protected:
  void SetUp() override {
    // The tool is built into the bin folder beside the tests folder.
    tool_ = platform::SiblingExecutable(platform::JoinPath("..", "bin") + "\\isamtool");
    ASSERT_FALSE(dir_.path().empty());
    base_ = (fs::path(dir_.path()) / "SET").string();
  }

  // Runs isamtool with `args`; returns its exit code and keeps its standard output (its
  // standard error is discarded).
  int Run(const std::vector<std::string>& args) {
    platform::ProcessOptions options;
    options.stdin_file = platform::NullDevice();
    options.stdout_file = dir_.Join("stdout.txt");
    options.stderr_file = platform::NullDevice();
    const int code = platform::RunProcess(tool_, args, options);
    output_.clear();
    EXPECT_EQ(platform::ReadWholeFile(platform::Env::Default(), options.stdout_file, &output_), 0);
    // Standard output is text: Windows writes its line ends as CR LF.
    std::string text;
    for (size_t i = 0; i < output_.size(); ++i) {
      if (!(output_[i] == '\r' && i + 1 < output_.size() && output_[i + 1] == '\n')) {
        text += output_[i];
      }
    }
    output_ = text;
    return code;
  }

  void PokeByte(const std::string& path, long offset, char value) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(offset);
    f.put(value);
  }

  platform::ScratchDir dir_{"isamtool-test"};
  std::string tool_, base_, output_;
};

TEST_F(IsamtoolRun, CheckExitCodesFollowTheStateOfTheSet) {
  ASSERT_EQ(Run({"create", base_, "64", "10:0", "30:1"}), kExitOk) << output_;
  EXPECT_EQ(Run({"check", base_}), kExitOk) << output_;

  PokeByte(base_ + ".DAT", 20, 1);  // the in-use byte of an unpublished writer
  EXPECT_EQ(Run({"check", base_}), kExitDefects);
  EXPECT_NE(output_.find("in-use byte"), std::string::npos) << output_;
  EXPECT_EQ(Run({"check", "--ignore-in-use", base_}), kExitOk) << output_;

  EXPECT_EQ(Run({"check", base_ + "-missing"}), kExitFailure);
  EXPECT_EQ(Run({"info", base_ + "-missing"}), kExitFailure);
  EXPECT_EQ(Run({"keys", base_, "3"}), kExitFailure);
  EXPECT_EQ(Run({"check"}), kExitFailure);  // no set named
}

TEST_F(IsamtoolRun, CreateRefusesBadDefinitionsWithTheEngineStatus) {
  const struct {
    std::string length, index;
  } cases[] = {{"20", "10:0"}, {"64", "0:0"},  {"64", "101:1"},
               {"64", "10"},   {"64", "10:2"}, {"64", "x:0"}};
  for (const auto& c : cases) {
    EXPECT_EQ(Run({"create", base_, c.length, c.index}), kExitFailure)
        << c.length << " " << c.index;
    EXPECT_FALSE(fs::exists(base_ + ".DAT")) << c.length << " " << c.index;
  }
  std::ostringstream out, err;
  EXPECT_EQ(RunCreate(base_, 20, {"10:0"}, out, err), kExitFailure);
  EXPECT_NE(err.str().find("10020"), std::string::npos) << err.str();
}

TEST_F(IsamtoolRun, InfoReportsTheHeadersOfACreatedSet) {
  ASSERT_EQ(Run({"create", base_, "1492", "10:0", "30:1"}), kExitOk);
  ASSERT_EQ(Run({"info", "--json", base_}), kExitOk);
  nlohmann::json j = nlohmann::json::parse(output_, nullptr, false);
  ASSERT_FALSE(j.is_discarded()) << output_;
  EXPECT_EQ(j["data"]["record_length"], 1492);
  EXPECT_EQ(j["data"]["records_used"], 0);
  ASSERT_EQ(j["indexes"].size(), 2u);
  EXPECT_EQ(j["indexes"][0]["key_length"], 10);
  EXPECT_EQ(j["indexes"][0]["duplicates"], 0);
  EXPECT_EQ(j["indexes"][1]["key_length"], 30);
  EXPECT_EQ(j["indexes"][1]["duplicates"], 1);
  EXPECT_EQ(j["index"]["size"], 62 * 19 + 6 + 62 * 39 + 6);

  ASSERT_EQ(Run({"info", base_}), kExitOk);
  EXPECT_NE(output_.find("key length 30, duplicates"), std::string::npos) << output_;
}

TEST_F(IsamtoolRun, KeysListsWhatTheEngineStored) {
  ASSERT_EQ(Run({"create", base_, "64", "10:0", "30:1"}), kExitOk);
  isam::ResetEngine();
  ASSERT_GT(isam::StartEngine(2, 8), 0);
  isam::FileBlock* fb = nullptr;
  isam::OpenDataFile(fb, base_, false);
  ASSERT_TRUE(isam::StatusOk()) << isam::StatusCode();
  isam::LockDataFile(fb);
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"C002", "\xA1\xD2\xC3"}, {"C001", "B\\"}, {"C003", "\xA1\xD2\xC3"}};
  std::vector<char> record(64, 0);
  for (const auto& [code, name] : rows) {
    int32_t n = 0;
    isam::AddRecord(fb, n, record.data());
    isam::InsertKey(fb, 1, n, code);
    isam::InsertKey(fb, 2, n, name);
    ASSERT_TRUE(isam::StatusOk()) << isam::StatusCode();
  }
  isam::UnlockDataFile(fb);
  isam::CloseDataFile(fb);
  isam::StopEngine();

  EXPECT_EQ(Run({"keys", base_, "1"}), kExitOk);
  EXPECT_EQ(output_, "C001\t2\nC002\t1\nC003\t3\n");
  EXPECT_EQ(Run({"keys", base_, "2"}), kExitOk);
  const std::string thai = "\xE0\xB8\x81\xE0\xB8\xB2\xE0\xB8\xA3";
  EXPECT_EQ(output_, "B\\\\\t2\n" + thai + "\t1\n" + thai + "\t3\n");
  EXPECT_EQ(Run({"check", base_}), kExitOk) << output_;
}

}  // namespace
}  // namespace isamtool
