#include "config/configuration.h"

#include <gtest/gtest.h>

#include <functional>

#include "config/settings.h"
#include "config/test_env.h"

namespace config {
namespace {

using testing::ScratchTest;

// Keys SaveConfiguration writes, in order.
constexpr size_t kWrittenKeyCount = 38;

class ConfigurationTest : public ScratchTest {};

TEST_F(ConfigurationTest, SaveKeepsForeignLinesInPlaceAndDropsEmptyOnes) {
  Write("QXACC.CFG",
        "; comment\r\nLOOKANDFEEL_MENU=1\r\nNETWORK=1\r\n\r\nlookandfeel=0\nBACKGROUND_TYPE_AR=5\r"
        "LOOKANDFEEL=2\r\nOPENCOMPANY_DIR_PR=X\r\n");
  LoadConfiguration();
  EXPECT_EQ(Settings().look_and_feel, 2);
  EXPECT_EQ(Settings().look_and_feel_menu, 1);
  ASSERT_EQ(SaveConfiguration(), platform::kErrNone);
  const LineTable lines = Lines("QXACC.CFG");
  ASSERT_EQ(lines.size(), 7 + kWrittenKeyCount - 2);
  const LineTable head(lines.begin(), lines.begin() + 9);
  EXPECT_EQ(head, (LineTable{"; comment", "LOOKANDFEEL_MENU=1", "NETWORK=1", "LOOKANDFEEL=2",
                             "BACKGROUND_TYPE_AR=5", "LOOKANDFEEL=2", "OPENCOMPANY_DIR_PR=X",
                             "COMPANYBARWIDTH=6", "PASSSETTING=0"}));
  EXPECT_EQ(lines.back(), "AR_PRINTRECEIPTAFTERSAVE=TRUE");
  const std::string content = Read("QXACC.CFG");
  EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
  EXPECT_EQ(content.find("\r\n\r\n"), std::string::npos);
}

TEST_F(ConfigurationTest, LoadDecidesLookAndFeelAndCompletesTheFile) {
  Write("QXACC.CFG", "LOOKANDFEEL_MENU=1\r\n");
  LoadConfiguration();
  EXPECT_EQ(Settings().look_and_feel, 0);  // Windows version below 6
  const LineTable lines = Lines("QXACC.CFG");
  ASSERT_EQ(lines.size(), kWrittenKeyCount);
  EXPECT_EQ(lines[0], "LOOKANDFEEL_MENU=1");
  EXPECT_EQ(lines[1], "LOOKANDFEEL=0");
  EXPECT_EQ(lines[2], "COMPANYBARWIDTH=6");
  EXPECT_EQ(lines[20],
            "BACKGROUND_PICTURE_GL=" + StartupDirectory() + "\\Wallpaper\\Wallpaper_001.jpg");
  EXPECT_EQ(lines[29], "CUSTOM_GRID_COLOR=0");

  // A second load finds LOOKANDFEEL decided and writes nothing.
  Write("QXACC.CFG", "LOOKANDFEEL=2\r\n");
  LoadConfiguration();
  EXPECT_EQ(Read("QXACC.CFG"), "LOOKANDFEEL=2\r\n");
}

TEST_F(ConfigurationTest, LoadWithoutFileCreatesNothing) {
  LoadConfiguration();
  EXPECT_FALSE(env_->FileExists(ConfigFilePath()));
  EXPECT_EQ(Settings().look_and_feel, -1);
}

TEST_F(ConfigurationTest, ConfigLinesAreReadExactlyAsWritten) {
  using Get = std::function<int(const ConfigSettings&)>;
  const Get report_zero = [](const ConfigSettings& s) { return s.report_display_zero; };
  const Get payment = [](const ConfigSettings& s) { return s.ap_print_payment_after_save; };
  const Get main_color = [](const ConfigSettings& s) { return s.default_main_color; };
  const Get preview = [](const ConfigSettings& s) { return s.preview_setting; };
  const Get look = [](const ConfigSettings& s) { return s.look_and_feel; };
  const Get tips = [](const ConfigSettings& s) { return s.show_tip_on_start; };
  const Get bg_type = [](const ConfigSettings& s) { return s.background_type[0]; };
  const Get select = [](const ConfigSettings& s) { return s.open_company_select; };
  // Applied in order to one settings record.
  const struct {
    const char* line;
    Get get;
    int expected;
  } cases[] = {
      {"REPORTDISPLAYZERO=TRUE", report_zero, 1},
      {"REPORTDISPLAYZERO=true", report_zero, 0},
      {"AP_PRINTPAYMENTAFTERSAVE=NO", payment, 1},
      {"AP_PRINTPAYMENTAFTERSAVE=FALSE", payment, 0},
      {"DEFAULT_MAIN_COLOR=3", main_color, 3},
      {"DEFAULT_MAIN_COLOR=9", main_color, 2},
      {"DEFAULT_MAIN_COLOR=4", main_color, 4},
      {"DEFAULT_MAIN_COLOR=0", main_color, 2},
      {"PREVIEWSETTING=5x", preview, 5},
      {"PREVIEWSETTING=", preview, 5},
      {"LOOKANDFEEL =2", look, -1},
      {"lookandfeel=2", look, -1},
      {" LOOKANDFEEL=2", look, -1},
      {";LOOKANDFEEL=2", look, -1},
      {"LOOKANDFEEL=1=2", look, 1},
      {"SHOWTIPONSTART=yes", tips, 0},
      {"SHOWTIPONSTART=1", tips, 1},
      {"BACKGROUND_TYPE_AR=7", bg_type, 1},
      {"BACKGROUND_TYPE_GL=7", bg_type, 7},
      {"OPENCOMPANY_SELECT_PR=1", select, 0},
      {"OPENCOMPANY_SELECT=1", select, 1},
  };
  for (const auto& c : cases) {
    ParseConfigLine(c.line);
    EXPECT_EQ(c.get(Settings()), c.expected) << c.line;
  }
  ParseConfigLine("DEFAULT_PRINTERNAME= HP 1 ");
  EXPECT_EQ(Settings().default_printer_name, " HP 1 ");
}

TEST_F(ConfigurationTest, IniLinesLoseSpacesAndCaseAndSomeRulesOnlyMoveToN) {
  using Get = std::function<int(const ConfigSettings&)>;
  const Get save = [](const ConfigSettings& s) { return s.save_mode; };
  const Get stock = [](const ConfigSettings& s) { return s.check_stock_type; };
  const Get vendor = [](const ConfigSettings& s) { return s.use_vendor_item; };
  const Get buf = [](const ConfigSettings& s) { return s.view_rept_buf_size; };
  const Get branch = [](const ConfigSettings& s) { return s.branch_fill_zero; };
  const Get no_fill = [](const ConfigSettings& s) { return s.branch_no_fill_zero; };
  const Get end_space = [](const ConfigSettings& s) { return s.allow_end_with_space; };
  const Get blank = [](const ConfigSettings& s) { return s.view_rept_thai_blank; };
  const struct {
    const char* line;
    Get get;
    int expected;
  } cases[] = {
      {"savemode = true", save, 1},
      {"SAVEMODE=0", save, 0},
      {"Save Mode=1", save, 1},
      {"CHECKSTOCKTYPE=3", stock, 0},
      {"checkstocktype = 2", stock, 2},
      {"CHECKSTOCKTYPE=0", stock, 2},
      {"usevendoritem=false", vendor, 2},
      {"USEVENDORITEM=TRUE", vendor, 2},
      {"VIEWREPTBUFSIZE=257", buf, 1},
      {"BRANCHFILLZERO=5", branch, 5},
      {"BRANCHFILLZERO=12", branch, 0},
      {"BRANCHNOFILLZERO=-1", no_fill, 1},
      {"ALLOWENDWITHSPACE=true", end_space, 1},
      {"ALLOWENDWITHSPACE=FALSE", end_space, 1},
      {"VIEWREPTTHAIBLANK=0", blank, 1},
      {"VIEWREPTTHAIBLANK=yes", blank, 0},
  };
  for (const auto& c : cases) {
    ParseIniLine(c.line);
    EXPECT_EQ(c.get(Settings()), c.expected) << c.line;
  }
  ParseIniLine("balancesheet_name = a b");
  EXPECT_EQ(Settings().balance_sheet_name, "AB");
}

TEST_F(ConfigurationTest, IniIsReadFromTheCurrentDirectory) {
  Write("QXACC.INI", "\r\nsavemode = true\r\nCHECKSTOCKTYPE=3\r\n");
  LoadConfiguration();
  EXPECT_TRUE(Settings().save_mode);
  EXPECT_EQ(Settings().check_stock_type, 0);
}

TEST_F(ConfigurationTest, CompanySettingsAreAppendedInOrderOrReplacedInPlace) {
  Settings().open_company_dir = "C:\\ACC\\DATA";
  Settings().open_company_company = "";
  Settings().open_company_select = true;
  Settings().open_company_col_position = 400;
  Write("QXACC.CFG", "NETWORK=1\r\n");
  ASSERT_EQ(SaveCompanySettings(), platform::kErrNone);
  EXPECT_EQ(Lines("QXACC.CFG"), (LineTable{"NETWORK=1", "OPENCOMPANY_DIR=C:\\ACC\\DATA",
                                           "OPENCOMPANY_COMPANY=", "OPENCOMPANY_SELECT=1",
                                           "OPENCOMPANY_COLPOSITION=400"}));

  Write("QXACC.CFG", "OPENCOMPANY_DIR_PR=P\r\n\r\nopencompany_dir=old\r\nOPENCOMPANY_SELECT=1\r\n");
  ASSERT_EQ(DisableAutoSelect(), platform::kErrNone);
  EXPECT_EQ(Lines("QXACC.CFG"), (LineTable{"OPENCOMPANY_DIR_PR=P", "OPENCOMPANY_DIR=C:\\ACC\\DATA",
                                           "OPENCOMPANY_SELECT=0",
                                           "OPENCOMPANY_COMPANY=", "OPENCOMPANY_COLPOSITION=400"}));
}

TEST_F(ConfigurationTest, NoLineIsLostHoweverLongTheFile) {
  std::string content;
  LineTable expected;
  for (int i = 0; i < 400; ++i) {
    expected.push_back("OTHER_" + std::to_string(i) + "=" + std::to_string(i));
    content += expected.back() + "\r\n";
  }
  Write("QXACC.CFG", content);
  ASSERT_EQ(SaveConfiguration(), platform::kErrNone);
  ASSERT_EQ(SaveCompanySettings(), platform::kErrNone);
  const LineTable lines = Lines("QXACC.CFG");
  ASSERT_EQ(lines.size(), 400 + kWrittenKeyCount + 4);
  EXPECT_EQ(LineTable(lines.begin(), lines.begin() + 400), expected);
  EXPECT_EQ(lines.back(), "OPENCOMPANY_COLPOSITION=0");
}

TEST_F(ConfigurationTest, FailedSaveLeavesTheOldFile) {
  Environment().config_file_path = Path("missing-folder\\QXACC.CFG");
  EXPECT_NE(SaveConfiguration(), platform::kErrNone);
  Write("QXACC.CFG", "NETWORK=1\r\n");
  // A side file that cannot be created (a folder in its place) must not touch the old file.
  Environment().config_file_path = Path("QXACC.CFG");
  ASSERT_EQ(env_->CreateDirectory(Path("QXACC.CFG.new")), platform::kErrNone);
  EXPECT_NE(SaveCompanySettings(), platform::kErrNone);
  EXPECT_EQ(Read("QXACC.CFG"), "NETWORK=1\r\n");
}

}  // namespace
}  // namespace config
