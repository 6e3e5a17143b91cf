#include "fileaccess/recovery.h"

#include <gtest/gtest.h>

#include <string>

#include "fileaccess/test_fixture.h"

namespace fileaccess {
namespace {

using Kind = dialogs::RecordingPresenter::CallKind;

class RecoveryTest : public AccessFixture {};

TEST_F(RecoveryTest, TheFourSituationsWithYesAndNo) {
  const std::string sav(100000, 'S'), dat(50000, 'D'), ixt(3000, 'T'), ix(2000, 'I');
  const struct {
    const char* what;
    bool with_sav, with_dat, with_ixt, with_ix;
    std::vector<bool> answers;
    bool goes_on;
    // expected afterwards
    std::string dat_after, ix_after;
    bool sav_after, ixt_after;
    std::vector<std::string> asked;  // file names shown
  } cases[] = {
      {"sav yes", true, true, false, false, {true}, true, sav, "", false, false, {"ARFILE01.SAV"}},
      {"sav no", true, true, false, false, {false}, false, dat, "", true, false, {"ARFILE01.SAV"}},
      {"sav without dat", true, false, false, false, {}, true, "", "", true, false, {}},
      {"ix~ without ix, yes",
       false,
       true,
       true,
       false,
       {true},
       true,
       dat,
       ixt,
       false,
       false,
       {"ARFILE01.IX~"}},
      {"ix~ with ix, no",
       false,
       true,
       true,
       true,
       {false},
       false,
       dat,
       ix,
       false,
       true,
       {"ARFILE01.IX~"}},
      {"both, yes", true, true, true, true, {true}, true, sav, ixt, false, false, {"ARFILE01.SAV"}},
      {"both, no", true, true, true, true, {false}, false, dat, ix, true, true, {"ARFILE01.SAV"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const char* f : {"ARFILE01.SAV", "ARFILE01.DAT", "ARFILE01.IX~", "ARFILE01.IX"}) {
      std::filesystem::remove(f);
    }
    if (c.with_sav) Put("ARFILE01.SAV", sav);
    if (c.with_dat) Put("ARFILE01.DAT", dat);
    if (c.with_ixt) Put("ARFILE01.IX~", ixt);
    if (c.with_ix) Put("ARFILE01.IX", ix);
    presenter_.Clear();
    ClearEndRequest();
    ends_.clear();
    for (bool a : c.answers) presenter_.QueueAnswer(a);

    const bool goes_on = CheckSaveFile("ARFILE01") && CheckIndexTempFile("ARFILE01");
    EXPECT_EQ(goes_on, c.goes_on);
    EXPECT_EQ(ends_.size(), c.goes_on ? 0u : 1u);
    std::vector<std::string> asked;
    for (const auto& call : presenter_.CallsOf(Kind::kRecovery)) asked.push_back(call.text);
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(Exists("ARFILE01.DAT") ? Get("ARFILE01.DAT") : "", c.dat_after);
    EXPECT_EQ(Exists("ARFILE01.IX") ? Get("ARFILE01.IX") : "", c.ix_after);
    EXPECT_EQ(Exists("ARFILE01.SAV"), c.sav_after);
    EXPECT_EQ(Exists("ARFILE01.IX~"), c.ixt_after);
  }
}

TEST_F(RecoveryTest, SizesAreShownWithCommas) {
  Put("ARFILE01.SAV", std::string(100000, 'S'));
  Put("ARFILE01.DAT", std::string(50000, 'D'));
  presenter_.QueueAnswer(true);
  ASSERT_TRUE(CheckSaveFile("ARFILE01"));
  auto calls = presenter_.CallsOf(Kind::kRecovery);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].recovery.leftover_size, "100,000 byte(s)");
  EXPECT_EQ(calls[0].recovery.normal_size, "50,000 byte(s)");

  presenter_.Clear();
  Put("ARFILE02.IX~", "");
  presenter_.QueueAnswer(true);
  ASSERT_TRUE(CheckIndexTempFile("ARFILE02"));
  calls = presenter_.CallsOf(Kind::kRecovery);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].recovery.leftover_size, "0");
  EXPECT_EQ(calls[0].recovery.normal_size, "0");
  EXPECT_EQ(Get("ARFILE02.IX"), "");
}

TEST_F(RecoveryTest, NamesAreCutToTwelveCharacters) {
  Put("ABCDEFGHIJKL.IX~", "t");
  presenter_.QueueAnswer(true);
  ASSERT_TRUE(CheckIndexTempFile("ABCDEFGHIJKLMN"));
  EXPECT_EQ(Get("ABCDEFGHIJKL.IX"), "t");
  EXPECT_FALSE(Exists("ABCDEFGHIJKL.IX~"));
}

}  // namespace
}  // namespace fileaccess
