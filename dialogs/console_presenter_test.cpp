#include "dialogs/console_presenter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "dialogs/dialogs.h"
#include "dialogs/recording_presenter.h"

namespace dialogs {
namespace {

// A scratch stream holding `content`, rewound for reading.
std::FILE* StreamWith(const std::string& content) {
  std::FILE* f = std::tmpfile();
  std::fwrite(content.data(), 1, content.size(), f);
  std::rewind(f);
  return f;
}

std::string ReadAll(std::FILE* f) {
  std::rewind(f);
  std::string out;
  int c;
  while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<char>(c));
  return out;
}

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override { out_ = std::tmpfile(); }
  void TearDown() override {
    if (in_ != nullptr) std::fclose(in_);
    std::fclose(out_);
  }
  std::FILE* in_ = nullptr;
  std::FILE* out_ = nullptr;
};

TEST_F(ConsoleTest, MessagesAreWrittenInUtf8WithTheirCaption) {
  ConsolePresenter p(NoTerminalPolicy::kTreatAsNo, nullptr, out_, false);
  ScopedPresenter scope(&p);
  ShowError("\xA1\xD2\xC3");  // three Thai bytes
  EXPECT_EQ(ReadAll(out_), "Error: \xE0\xB8\x81\xE0\xB8\xB2\xE0\xB8\xA3\n");
}

TEST_F(ConsoleTest, PromptsUntilAClearAnswer) {
  const struct {
    const char* typed;
    bool answer;
    int prompts;
  } cases[] = {
      {"y\n", true, 1},     {"N\n", false, 1}, {"maybe\n\n  yes \n", true, 3},
      {"no\r\n", false, 1}, {"", false, 1},    {"what", false, 1},
      {"x\ny", true, 2},
  };
  for (const auto& c : cases) {
    std::FILE* in = StreamWith(c.typed);
    std::FILE* out = std::tmpfile();
    ConsolePresenter p(NoTerminalPolicy::kAnswerYes, in, out, true);
    ScopedPresenter scope(&p);
    EXPECT_EQ(AskYesNo("Continue"), c.answer) << "'" << c.typed << "'";
    const std::string shown = ReadAll(out);
    EXPECT_EQ(shown.rfind("Confirm: Continue?\n", 0), 0u) << shown;
    size_t prompts = 0;
    for (size_t pos = 0; (pos = shown.find("[y/n]", pos)) != std::string::npos; ++pos) ++prompts;
    EXPECT_EQ(prompts, static_cast<size_t>(c.prompts)) << "'" << c.typed << "'";
    std::fclose(in);
    std::fclose(out);
  }
}

TEST_F(ConsoleTest, WithoutATerminalThePolicyAnswers) {
  in_ = StreamWith("y\n");  // never read
  const struct {
    NoTerminalPolicy policy;
    bool answer;
    const char* note;
  } cases[] = {
      {NoTerminalPolicy::kAnswerYes, true, "answered Yes"},
      {NoTerminalPolicy::kAnswerNo, false, "answered No"},
      {NoTerminalPolicy::kTreatAsNo, false, "taken as No"},
  };
  for (const auto& c : cases) {
    std::FILE* out = std::tmpfile();
    ConsolePresenter p(c.policy, in_, out, false);
    ScopedPresenter scope(&p);
    EXPECT_EQ(AskRecovery(RecoveryKind::kSaveFile, "ARFILE01.SAV", 50000, 100000), c.answer);
    const std::string shown = ReadAll(out);
    EXPECT_NE(shown.find("ARFILE01.SAV"), std::string::npos);
    EXPECT_NE(shown.find("100,000 byte(s)"), std::string::npos);
    EXPECT_NE(shown.find(c.note), std::string::npos) << shown;
    std::fclose(out);
  }
  EXPECT_EQ(std::fgetc(in_), 'y');
}

}  // namespace
}  // namespace dialogs
