#include "util/catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "platform/env.h"

namespace util {
namespace {

namespace fs = std::filesystem;

class StringOutput : public CatalogueOutput {
 public:
  bool Write(const std::string& bytes) override {
    ++writes;
    if (fail_after >= 0 && writes > fail_after) return false;
    text += bytes;
    return true;
  }
  std::string text;
  int writes = 0;
  int fail_after = -1;  // -1: never fail
};

class CatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = platform::Env::Default();
    ASSERT_EQ(env_->GetCurrentDirectory(&original_cwd_), platform::kErrNone);
    std::random_device rd;
    root_ = fs::temp_directory_path() / ("impcust_catalogue_" + std::to_string(rd()));
    fs::create_directories(root_ / "startup");
    fs::create_directories(root_ / "elsewhere");
    ASSERT_EQ(env_->SetCurrentDirectory((root_ / "elsewhere").string()), platform::kErrNone);
    ASSERT_EQ(env_->GetCurrentDirectory(&work_cwd_), platform::kErrNone);
  }
  void TearDown() override {
    env_->SetCurrentDirectory(original_cwd_);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  std::string StartupDir() const { return (root_ / "startup").string(); }
  void WriteCatalogue(const std::string& content) {
    ASSERT_EQ(
        platform::WriteWholeFile(env_, (root_ / "startup" / kCatalogueFileName).string(), content),
        platform::kErrNone);
  }
  void ExpectCwdRestored() {
    std::string now;
    ASSERT_EQ(env_->GetCurrentDirectory(&now), platform::kErrNone);
    EXPECT_EQ(now, work_cwd_);
  }

  platform::Env* env_ = nullptr;
  fs::path root_;
  std::string original_cwd_;
  std::string work_cwd_;
};

TEST_F(CatalogueTest, WritesExactlyTheLinesOfTheWantedSection) {
  const std::string file =
      "intro line\r\n%ERROR%12\r\nLine one of error 12\r\n\r\nLine two\r\n%ERROR%13\r\n"
      "Text of error 13\r\n%ERROR%70\nseventy\n%ERROR%7 \nseven with a space\n"
      "%ERROR%12\nsecond section of 12\n%ERROR%99\rlast one\rtwo\r\n\x01\xA1\xE8";
  const struct {
    uint16_t code;
    CatalogueResult result;
    const char* out;
  } cases[] = {
      {12, CatalogueResult::kWritten, "Line one of error 12\r\n\r\nLine two\r\n"},
      {13, CatalogueResult::kWritten, "Text of error 13\r\n"},
      {70, CatalogueResult::kWritten, "seventy\r\n"},
      {7, CatalogueResult::kNoSection, ""},  // neither 70 nor "7 " is error 7
      {99, CatalogueResult::kWritten, "last one\r\ntwo\r\n\x01\xA1\xE8\r\n"},
      {5, CatalogueResult::kNoSection, ""},
  };
  WriteCatalogue(file);
  for (const auto& c : cases) {
    StringOutput out;
    EXPECT_EQ(WriteCatalogueMessage(env_, StartupDir(), c.code, &out), c.result) << c.code;
    EXPECT_EQ(out.text, c.out) << c.code;
    ExpectCwdRestored();
  }
}

TEST_F(CatalogueTest, SectionEndsAtAnyLineStartingWithTheHeaderPrefix) {
  WriteCatalogue("%ERROR%1\nkept\n%ERROR%garbage\nnot kept\n");
  StringOutput out;
  EXPECT_EQ(WriteCatalogueMessage(env_, StartupDir(), 1, &out), CatalogueResult::kWritten);
  EXPECT_EQ(out.text, "kept\r\n");
  // A header with nothing after it still counts as found.
  WriteCatalogue("%ERROR%65535");
  StringOutput empty;
  EXPECT_EQ(WriteCatalogueMessage(env_, StartupDir(), 65535, &empty), CatalogueResult::kWritten);
  EXPECT_EQ(empty.text, "");
}

TEST_F(CatalogueTest, MissingFileOrDirectoryWritesNothingAndRestoresTheDirectory) {
  StringOutput out;
  EXPECT_EQ(WriteCatalogueMessage(env_, StartupDir(), 12, &out), CatalogueResult::kNoFile);
  ExpectCwdRestored();
  EXPECT_EQ(WriteCatalogueMessage(env_, (root_ / "absent").string(), 12, &out),
            CatalogueResult::kStartupDirFailed);
  ExpectCwdRestored();
  EXPECT_EQ(out.writes, 0);
}

TEST_F(CatalogueTest, EmptyStartupDirectoryReadsTheCurrentOne) {
  ASSERT_EQ(platform::WriteWholeFile(env_, kCatalogueFileName, "%ERROR%3\nhere\n"),
            platform::kErrNone);
  StringOutput out;
  EXPECT_EQ(WriteCatalogueMessage(env_, "", 3, &out), CatalogueResult::kWritten);
  EXPECT_EQ(out.text, "here\r\n");
  ExpectCwdRestored();
}

TEST_F(CatalogueTest, LongFileWithLineEndsAcrossReadBoundaries) {
  // Filler lines push the section far beyond one read; the CR LF pairs land on every offset.
  std::string file;
  for (int i = 0; file.size() < 300000; ++i) file += "filler " + std::to_string(i) + "\r\n";
  file += "%ERROR%42\r\n";
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    std::string line = "line " + std::to_string(i) + std::string(static_cast<size_t>(i % 7), 'x');
    file += line + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
    expected += line + "\r\n";
  }
  file += "%ERROR%43\r\nnot this\r\n";
  WriteCatalogue(file);
  StringOutput out;
  EXPECT_EQ(WriteCatalogueMessage(env_, StartupDir(), 42, &out), CatalogueResult::kWritten);
  EXPECT_EQ(out.text, expected);
  EXPECT_EQ(out.writes, 20000);
}

TEST_F(CatalogueTest, UnusableOutputSkipsTheRestButRestoresTheDirectory) {
  WriteCatalogue("%ERROR%8\na\nb\nc\n");
  StringOutput out;
  out.fail_after = 1;
  EXPECT_EQ(WriteCatalogueMessage(env_, StartupDir(), 8, &out), CatalogueResult::kWritten);
  EXPECT_EQ(out.text, "a\r\n");
  EXPECT_EQ(out.writes, 2);  // stops asking after the first refusal
  ExpectCwdRestored();
}

TEST_F(CatalogueTest, ProgramFormUsesTheConfiguredDirectory) {
  WriteCatalogue("%ERROR%9\nnine\n");
  SetCatalogueDirectory(StartupDir());
  EXPECT_EQ(CatalogueDirectory(), StartupDir());
  testing::internal::CaptureStdout();
  const CatalogueResult r = WriteCatalogueMessage(9);
  const std::string printed = testing::internal::GetCapturedStdout();
  SetCatalogueDirectory("");
  EXPECT_EQ(r, CatalogueResult::kWritten);
  EXPECT_EQ(printed, "nine\r\n");
  ExpectCwdRestored();
}

}  // namespace
}  // namespace util
