#include "company/open_company_dialog.h"

#include <gtest/gtest.h>

#include <functional>

#include "company/company_texts.h"
#include "config/configuration.h"
#include "config/settings.h"
#include "config/test_env.h"
#include "dialogs/recording_presenter.h"

namespace company {
namespace {

using Call = dialogs::RecordingPresenter::CallKind;
using config::LineTable;

// A view whose windows are scripts: each request runs the test's function on the model.
class ScriptedView : public OpenCompanyView {
 public:
  std::function<void(OpenCompanyDialogModel&)> dialog = [](OpenCompanyDialogModel& m) {
    m.Btn_ExitClick();
  };
  std::function<void(CompanyEditorModel&)> editor = [](CompanyEditorModel& e) {
    e.Btn_CancelClick();
  };
  std::function<void(ReportTemplateDialogModel&)> report = [](ReportTemplateDialogModel& d) {
    d.MenuItem11Click();
  };
  std::vector<std::string> shown;  // windows in the order they were shown

  void RunOpenCompanyDialog(OpenCompanyDialogModel& m) override {
    shown.push_back("dialog");
    dialog(m);
  }
  void RunCompanyEditor(CompanyEditorModel& e) override {
    shown.push_back("editor");
    editor(e);
  }
  void RunReportTemplateDialog(ReportTemplateDialogModel& d) override {
    shown.push_back("report");
    report(d);
  }
};

class OpenCompanyTest : public config::testing::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    ASSERT_EQ(env_->CreateDirectory(Path("A")), platform::kErrNone);
    ASSERT_EQ(env_->CreateDirectory(Path("B")), platform::kErrNone);
  }
  // Two companies, the second remembered with the designed column width.
  void TwoCompanies(const std::string& select = "0") {
    Write("USERDRV.INI", "Alpha;" + Path("A") + "\r\nBeta;" + Path("B") + "|" + Path("R") + "\r\n");
    Write("QXACC.CFG", "LOOKANDFEEL=0\r\nOPENCOMPANY_DIR=" + Path("B") +
                           "\r\nOPENCOMPANY_COMPANY=BETA\r\nOPENCOMPANY_SELECT=" + select +
                           "\r\nOPENCOMPANY_COLPOSITION=335\r\n");
  }
  bool Choose(bool always_show = true) {
    OpenCompanyDialogModel model(&view_);
    model.SetAlwaysShow(always_show);
    const bool chosen = model.ChooseCompany();
    last_ = model.grid();
    return chosen;
  }
  std::string CfgValue(const std::string& key) {
    for (const std::string& line : Lines("QXACC.CFG")) {
      if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    }
    return "<missing>";
  }

  ScriptedView view_;
  CompanyGrid last_;
  dialogs::RecordingPresenter presenter_;
  dialogs::ScopedPresenter scoped_{&presenter_};
};

TEST_F(OpenCompanyTest, FirstStartOpensTheEditorWithTheDefaultProposalBeforeTheList) {
  std::string editor_name = "?", editor_dir;
  view_.editor = [&](CompanyEditorModel& e) {
    editor_name = e.name();
    editor_dir = e.directory();
    e.Btn_CancelClick();
  };
  EXPECT_FALSE(Choose());
  EXPECT_EQ(view_.shown, (std::vector<std::string>{"editor", "dialog"}));
  EXPECT_EQ(editor_name, "");
  EXPECT_EQ(editor_dir, config::StartupDirectory() + "\\DATAFILE");
  EXPECT_FALSE(last_.just_created);
}

TEST_F(OpenCompanyTest, ChoosingTheRememberedCompanyWritesNothing) {
  TwoCompanies();
  view_.dialog = [](OpenCompanyDialogModel& m) {
    EXPECT_EQ(m.grid().current_row, 2);
    EXPECT_TRUE(m.IsBold(2));
    EXPECT_FALSE(m.IsBold(1));
    EXPECT_TRUE(m.select_enabled());
    m.KeyDown(DialogKey::kEnter);
  };
  const int writes = env_->writes();
  ASSERT_TRUE(Choose());
  EXPECT_EQ(env_->writes(), writes);
  const config::ConfigSettings& s = config::Settings();
  EXPECT_EQ(s.selected_data_dir, Path("B"));
  EXPECT_EQ(s.selected_company_name, "Beta");
  EXPECT_EQ(s.selected_template_dir, Path("R"));
}

TEST_F(OpenCompanyTest, ChoosingAnotherCompanyRewritesTheListOnClose) {
  TwoCompanies();
  view_.dialog = [](OpenCompanyDialogModel& m) {
    m.Grid1RowChanging(1);
    m.Grid1DblClickCell(1);
  };
  // The caller's current directory is the same afterwards, though the start-up directory is
  // current while the window is open.
  ASSERT_EQ(env_->SetCurrentDirectory(Path("A")), platform::kErrNone);
  std::string before, after;
  env_->GetCurrentDirectory(&before);
  const bool chosen = Choose();
  env_->GetCurrentDirectory(&after);
  env_->SetCurrentDirectory(config::StartupDirectory());
  EXPECT_EQ(after, before);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(config::Settings().selected_data_dir, Path("A"));
  EXPECT_EQ(Lines("USERDRV.INI").size(), 90u);
  EXPECT_EQ(CfgValue("OPENCOMPANY_DIR"), Path("A"));
  EXPECT_EQ(CfgValue("OPENCOMPANY_COMPANY"), "Alpha");
}

TEST_F(OpenCompanyTest, WiderColumnIsSavedOnExitWithoutChangingTheChoice) {
  TwoCompanies();
  view_.dialog = [](OpenCompanyDialogModel& m) {
    EXPECT_FALSE(m.Grid1ColumnSize(2, 50));
    EXPECT_EQ(m.column_width(2), 0);
    EXPECT_TRUE(m.Grid1ColumnSize(0, 400));
    m.Grid1RowChanging(1);
    m.FormKeyPress(DialogKey::kEscape);
  };
  EXPECT_FALSE(Choose());
  EXPECT_EQ(CfgValue("OPENCOMPANY_COLPOSITION"), "400");
  EXPECT_EQ(CfgValue("OPENCOMPANY_DIR"), Path("B"));
  EXPECT_EQ(CfgValue("OPENCOMPANY_COMPANY"), "BETA");
  EXPECT_EQ(Lines("USERDRV.INI").size(), 2u);  // the list was not changed
}

TEST_F(OpenCompanyTest, DeleteAsksOnlyForFilledSlots) {
  TwoCompanies();
  view_.dialog = [this](OpenCompanyDialogModel& m) {
    m.Grid1RowChanging(3);
    EXPECT_EQ(m.PopupMenu1Popup().remove.caption, Thai(text::kMenuDeleteNow));
    m.KeyDown(DialogKey::kDelete);  // no question: the presenter would throw
    m.Grid1RowChanging(1);
    EXPECT_EQ(m.PopupMenu1Popup().remove.caption, Thai(text::kMenuDeleteAsk));
    presenter_.QueueAnswer(false);
    m.N2Click();
    EXPECT_EQ(m.grid().Slot(1).name, "Alpha");
    presenter_.QueueAnswer(true);
    m.N2Click();
    EXPECT_EQ(m.grid().Slot(1).name, "Beta");
    m.Btn_ExitClick();
  };
  EXPECT_FALSE(Choose());
  EXPECT_EQ(presenter_.CallsOf(Call::kQuestion).size(), 2u);
  const LineTable lines = Lines("USERDRV.INI");
  ASSERT_EQ(lines.size(), 90u);
  EXPECT_EQ(lines[0], "Beta;" + Path("B") + "|" + Path("R"));
  EXPECT_EQ(lines[1], "");
}

TEST_F(OpenCompanyTest, PopupMenuFollowsTheCurrentSlot) {
  TwoCompanies();
  view_.dialog = [](OpenCompanyDialogModel& m) {
    PopupMenuState p = m.PopupMenu1Popup();
    EXPECT_TRUE(p.select.enabled);
    EXPECT_TRUE(p.report_template.enabled);
    EXPECT_TRUE(p.report_template.checked);
    m.Grid1RowChanging(1);
    EXPECT_FALSE(m.PopupMenu1Popup().report_template.checked);
    m.Grid1RowChanging(5);
    p = m.PopupMenu1Popup();
    EXPECT_FALSE(p.select.enabled);
    EXPECT_FALSE(p.report_template.enabled);
    EXPECT_FALSE(m.select_enabled());
    m.Btn_ExitClick();
  };
  EXPECT_FALSE(Choose());
}

TEST_F(OpenCompanyTest, SelectingAnUnsetSlotOffersTheEditor) {
  TwoCompanies();
  ASSERT_EQ(env_->CreateDirectory(Path("C")), platform::kErrNone);
  view_.editor = [this](CompanyEditorModel& e) {
    EXPECT_EQ(e.directory(), "");  // the start directory was proposed: a new entry
    EXPECT_TRUE(e.new_entry());
    e.TypeName("C");
    presenter_.QueueAnswer(true);  // unused unless the folder were missing
    e.Btn_SaveClick();
  };
  view_.dialog = [this](OpenCompanyDialogModel& m) {
    m.Grid1RowChanging(4);
    presenter_.QueueAnswer(true);
    m.KeyDown(DialogKey::kF10);
    EXPECT_EQ(m.grid().Slot(4), (CompanyEntry{"C", config::StartupDirectory() + "\\C", ""}));
    EXPECT_TRUE(m.select_enabled());
    m.Btn_SelectClick();
  };
  ASSERT_TRUE(Choose());
  EXPECT_EQ(config::Settings().selected_company_name, "C");
  EXPECT_EQ(Lines("USERDRV.INI")[3], "C;" + config::StartupDirectory() + "\\C");
}

TEST_F(OpenCompanyTest, MissingDirectoryKeepsTheDialogOpen) {
  TwoCompanies();
  view_.dialog = [this](OpenCompanyDialogModel& m) {
    m.Grid1RowChanging(1);
    m.mutable_grid().Slot(1).data_dir = Path("gone");
    m.Btn_SelectClick();
    EXPECT_EQ(m.result(), ModalResult::kNone);
    m.Btn_ExitClick();
  };
  EXPECT_FALSE(Choose());
  const auto messages = presenter_.CallsOf(Call::kMessage);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, Thai(text::kDirectoryMissing));
}

TEST_F(OpenCompanyTest, ReportTemplateResultGoesIntoTheSlot) {
  TwoCompanies();
  view_.report = [](ReportTemplateDialogModel& d) {
    EXPECT_TRUE(d.custom_ticked());
    d.cxRadioButton1Click(false);
    d.cxButton1Click();
  };
  view_.dialog = [](OpenCompanyDialogModel& m) {
    m.KeyDown(DialogKey::kF9);
    EXPECT_EQ(m.grid().Slot(2).template_dir, "");
    m.Btn_ExitClick();
  };
  EXPECT_FALSE(Choose());
  EXPECT_EQ(Lines("USERDRV.INI")[1], "Beta;" + Path("B"));
}

TEST_F(OpenCompanyTest, AutoSelectTakesTheRememberedCompanyWithoutTheWindow) {
  TwoCompanies("1");
  ASSERT_TRUE(Choose(/*always_show=*/false));
  EXPECT_TRUE(view_.shown.empty());
  EXPECT_EQ(config::Settings().selected_data_dir, Path("B"));

  view_.shown.clear();
  ASSERT_FALSE(Choose(/*always_show=*/true));
  EXPECT_EQ(view_.shown, (std::vector<std::string>{"dialog"}));
  EXPECT_TRUE(last_.auto_select_checked);
}

TEST_F(OpenCompanyTest, UnwritableListIsReported) {
  config::Environment().startup_directory = Path("no-such-folder");
  EXPECT_FALSE(Choose());
  config::Environment().startup_directory = config::UserSettingsDir();
  const auto messages = presenter_.CallsOf(Call::kMessage);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, Thai(text::kListMissing));
  EXPECT_TRUE(view_.shown.empty());
}

}  // namespace
}  // namespace company
