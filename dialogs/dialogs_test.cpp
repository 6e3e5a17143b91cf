#include "dialogs/dialogs.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "dialogs/recording_presenter.h"
#include "util/display_text.h"

namespace dialogs {
namespace {

using Kind = RecordingPresenter::CallKind;

class DialogsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    HideWait();
    SetStatusTextHook(nullptr);
  }
  RecordingPresenter rec_;
  ScopedPresenter scope_{&rec_};
};

TEST_F(DialogsTest, MessagesCarryTheCaptionAndIconOfTheirKind) {
  const std::string thai = "\xA1\xD2\xC3\xB7\xD3\xA7\xD2\xB9";  // cp874 bytes, passed through
  ShowInformation(thai);
  ShowError("Error 12");
  DisplayMessage(MessageKind::kWarning, "careful");
  ASSERT_EQ(rec_.calls().size(), 3u);
  const struct {
    MessageKind kind;
    const char* caption;
    Icon icon;
    std::string text;
  } expected[] = {
      {MessageKind::kInformation, "Information", Icon::kInformation, thai},
      {MessageKind::kError, "Error", Icon::kError, "Error 12"},
      {MessageKind::kWarning, "Warning", Icon::kWarning, "careful"},
  };
  for (size_t i = 0; i < 3; ++i) {
    const auto& call = rec_.calls()[i];
    EXPECT_EQ(call.kind, Kind::kMessage);
    EXPECT_EQ(call.message.kind, expected[i].kind);
    EXPECT_EQ(call.caption, expected[i].caption);
    EXPECT_EQ(call.message.icon, expected[i].icon);
    EXPECT_EQ(call.text, expected[i].text);
    EXPECT_EQ(call.message.ok_button, "OK");
  }
}

TEST_F(DialogsTest, QuestionsGetAQuestionMarkUnlessTheyEndInOne) {
  const struct {
    const char* in;
    const char* shown;
  } cases[] = {
      {"Continue", "Continue?"},
      {"Continue?", "Continue?"},
      {"Stop here.", "Stop here."},
      {"\xA4\xD8\xB3\xB5\xE9\xCD\xA7\xA1\xD2\xC3\xC5\xBA?",
       "\xA4\xD8\xB3\xB5\xE9\xCD\xA7\xA1\xD2\xC3\xC5\xBA?"},
      {"\xC5\xBA", "\xC5\xBA?"},  // ends in a Thai letter
      {"Retry? ", "Retry? ?"},    // only the very last character counts
      {"", ""},
  };
  for (const auto& c : cases) {
    rec_.QueueAnswer(true);
    EXPECT_TRUE(AskYesNo(c.in));
    EXPECT_EQ(rec_.calls().back().text, c.shown) << c.in;
    EXPECT_EQ(QuestionText(c.in), c.shown);
  }
}

TEST_F(DialogsTest, QuestionsReturnTheAnswerAndShowTheirDefault) {
  rec_.QueueAnswer(true);
  rec_.QueueAnswer(false);
  rec_.QueueAnswer(false);
  EXPECT_TRUE(AskYesNo("One"));
  EXPECT_FALSE(AskYesNo("Two"));
  EXPECT_FALSE(AskForYesNo(DefaultButton::kNo, "Three"));
  const auto q = rec_.CallsOf(Kind::kQuestion);
  ASSERT_EQ(q.size(), 3u);
  EXPECT_EQ(q[0].caption, "Confirm");
  EXPECT_EQ(q[0].question.default_button, DefaultButton::kYes);
  EXPECT_EQ(q[0].question.icon, Icon::kQuestion);
  EXPECT_EQ(q[0].question.yes_button, "&Yes");
  EXPECT_EQ(q[0].question.no_button, "&No");
  EXPECT_EQ(q[2].question.default_button, DefaultButton::kNo);
  EXPECT_EQ(q[2].question.icon, Icon::kWarning);
  EXPECT_TRUE(q[0].answer);
  EXPECT_FALSE(q[1].answer);
  EXPECT_EQ(rec_.PendingAnswers(), 0u);
}

TEST_F(DialogsTest, AnUnscriptedQuestionFailsLoudly) {
  EXPECT_THROW(AskYesNo("Nobody answers"), std::logic_error);
  EXPECT_THROW(AskRecovery(RecoveryKind::kSaveFile, "A.SAV", 1, 1), std::logic_error);
}

TEST_F(DialogsTest, RecoveryQuestionShowsTheSizes) {
  const struct {
    RecoveryKind kind;
    const char* file;
    std::optional<uint64_t> normal;
    uint64_t leftover;
    const char* normal_text;
    const char* leftover_text;
  } cases[] = {
      {RecoveryKind::kSaveFile, "ARFILE01.SAV", 50000, 100000, "50,000 byte(s)", "100,000 byte(s)"},
      {RecoveryKind::kSaveFile, "ARFILE01.SAV", 1048576, 0, "1,048,576 byte(s)", "0 byte(s)"},
      {RecoveryKind::kIndexTempFile, "ARFILE01.IX~", std::nullopt, 4096, "0", "4,096"},
      {RecoveryKind::kIndexTempFile, "GLACC.IX~", 1234567890, 999, "1,234,567,890", "999"},
  };
  for (const auto& c : cases) {
    rec_.QueueAnswer(c.leftover % 2 == 0);
    EXPECT_EQ(AskRecovery(c.kind, c.file, c.normal, c.leftover), c.leftover % 2 == 0);
    const auto& call = rec_.calls().back();
    ASSERT_EQ(call.kind, Kind::kRecovery);
    EXPECT_EQ(call.recovery.file_name, c.file);
    EXPECT_EQ(call.recovery.normal_size, c.normal_text) << c.file;
    EXPECT_EQ(call.recovery.leftover_size, c.leftover_text) << c.file;
    EXPECT_EQ(call.caption, "Attention!");
    EXPECT_EQ(call.recovery.question, kRecoveryQuestion);
    EXPECT_EQ(call.recovery.explanation, kRecoveryExplanation);
    EXPECT_EQ(call.recovery.yes_button, "&Yes");
  }
}

TEST_F(DialogsTest, WaitWindowCallsStayBalanced) {
  HideWait();  // nothing shown: nothing happens
  ShowWait();
  ShowWait();  // already shown
  EXPECT_TRUE(WaitShown());
  HideWait();
  HideWait();
  EXPECT_FALSE(WaitShown());
  ShowWait();
  HideWait();
  std::vector<Kind> kinds;
  for (const auto& c : rec_.calls()) kinds.push_back(c.kind);
  EXPECT_EQ(kinds, (std::vector<Kind>{Kind::kShowWait, Kind::kHideWait, Kind::kShowWait,
                                      Kind::kHideWait}));
  EXPECT_EQ(rec_.calls()[0].text, kWaitText);
  EXPECT_EQ(rec_.calls()[0].caption, "Please Wait...");
}

TEST_F(DialogsTest, StatusTextsGoToTheInstalledHookOnly) {
  StatusTextHook("before any hook");  // the do-nothing hook
  std::vector<std::string> seen;
  SetStatusTextHook([&](const std::string& t) { seen.push_back(t); });
  StatusTextHook("opening ARFILE01");
  SetStatusTextHook(nullptr);
  StatusTextHook("after");
  EXPECT_EQ(seen, std::vector<std::string>{"opening ARFILE01"});
  EXPECT_TRUE(rec_.calls().empty());
}

TEST(Presenter, ScopesNestAndTheDefaultIsNeverMissing) {
  EXPECT_EQ(InstalledPresenter(), nullptr);
  Presenter* fallback = CurrentPresenter();
  ASSERT_NE(fallback, nullptr);
  RecordingPresenter outer;
  RecordingPresenter inner;
  {
    ScopedPresenter a(&outer);
    {
      ScopedPresenter b(&inner);
      ShowInformation("to inner");
    }
    ShowInformation("to outer");
  }
  EXPECT_EQ(CurrentPresenter(), fallback);
  ASSERT_EQ(inner.calls().size(), 1u);
  EXPECT_EQ(inner.calls()[0].text, "to inner");
  ASSERT_EQ(outer.calls().size(), 1u);
  EXPECT_EQ(outer.calls()[0].text, "to outer");
}

}  // namespace
}  // namespace dialogs

namespace dialogs {
namespace {

// The code page 874 constants read as the Thai texts they stand for.
TEST(DialogTexts, ThaiConstantsSayWhatTheyShould) {
  const struct {
    const char* cp874;
    const char* utf8;
  } cases[] = {
      {kWaitText, "รอสักครู่..."},
      {kRecoveryFileLabel, "แฟ้มข้อมูลที่ตรวจพบ:"},
      {kRecoveryLeftoverLabel, "ขนาดของ .SAV หรือ .IX~:"},
      {kRecoveryNormalLabel, "ขนาดของ .DAT หรือ .IX:"},
      {kRecoveryQuestion, "ท่านต้องการเปลี่ยนแฟ้มชั่วคราวกลับมาเป็นแฟ้มข้อมูลปกติ?"},
      {kRecoveryExplanation,
       "เนื่องจาก โปรแกรมได้ตรวจพบแฟ้ม .SAV หรือ .IX~ ซึ่งเป็นแฟ้มชั่วคราวที่ถูกสร้างขึ้นขณะทำการ "
       "\"แก้ไขแฟ้มข้อมูลที่เสียหาย\" ซึ่งจะถูกลบเมื่อการทำงานเสร็จสมบูรณ์ "
       "แต่หากการทำงานยังไม่สมบูรณ์ เช่น ผู้ใช้ยกเลิกเอง, ไฟดับ หรือปิดเครื่องกลางคัน "
       "แฟ้มดังกล่าวจะยังคงอยู่ ดังนั้น จึงขอให้ท่านทำการตรวจสอบขนาดของแฟ้มทั้งสอง "
       "ซึ่งถ้าหากแฟ้มใดมีขนาดใหญ่กว่า ก็น่าจะเป็นแฟ้มข้อมูลจริงของท่าน "
       "จึงควรลบแฟ้มข้อมูลที่ไม่ถูกต้องและเปลี่ยนแฟ้ม .SAV หรือ .IX~ กลับมาใช้งาน (หรือแก้ไข) "
       "ตามปกติ (ควรมีการสำรองข้อมูลก่อนทำขั้นตอนนี้)"},
  };
  for (const auto& c : cases) EXPECT_EQ(util::ToDisplay(c.cp874), c.utf8);
}

}  // namespace
}  // namespace dialogs
