// The main window's controller end to end: the real engine, the real company files, the
// recording presenter answering for the user.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

#include "app/header_check.h"
#include "config/environment.h"
#include "datafiles/customer_key.h"
#include "dialogs/dialogs.h"
#include "dialogs/recording_presenter.h"
#include "fileaccess/access.h"
#include "fileaccess/end_program.h"
#include "isam/isam.h"
#include "platform/scratch_dir.h"
#include "util/clock.h"
#include "util/numbers.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using Calls = dialogs::RecordingPresenter::CallKind;

class TestView : public MainWindowView {
 public:
  TForm1* form = nullptr;
  std::deque<std::string> dialog_answers;  // "" cancels
  std::vector<std::string> general_errors;
  int close_requests = 0;

  bool RunOpenDialog(std::string* path) override {
    if (dialog_answers.empty() || dialog_answers.front().empty()) {
      if (!dialog_answers.empty()) dialog_answers.pop_front();
      return false;
    }
    *path = dialog_answers.front();
    dialog_answers.pop_front();
    return true;
  }
  void CloseWindow() override {
    ++close_requests;
    form->FormClose();
  }
  void ShowGeneralError(const std::string& text) override { general_errors.push_back(text); }
};

class Chooser : public CompanyChooser {
 public:
  explicit Chooser(std::string dir) : dir_(std::move(dir)) {}
  bool ChooseCompany(std::string* data_dir) override {
    if (dir_.empty()) return false;
    *data_dir = dir_;
    return true;
  }

 private:
  std::string dir_;
};

class Collect : public ImportObserver {
 public:
  std::vector<RowReport> rows;
  void OnRow(const RowReport& report) override { rows.push_back(report); }
};

std::string TitleRow() {
  std::string row = std::string(kTitleCode) + "," + std::string(kTitleName);
  for (int c = 2; c < 20; ++c) row += c == 15 ? "," + std::string(kTitleBilling1) : ",";
  return row + "\r\n";
}

std::string Row(const std::string& code, const std::string& name, const std::string& v12 = "") {
  std::string row = code + "," + name;
  for (int c = 2; c < 20; ++c) row += "," + (c == 12 ? v12 : std::string());
  return row + "\r\n";
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(platform::Env::Default()->GetCurrentDirectory(&cwd_), 0);
    root_ = fs::path(scratch_.path());
    company_ = root_ / "company";
    fs::create_directories(company_);
    fs::create_directories(root_ / "startup");
    std::ofstream(company_ / "ARINFO.DAT", std::ios::binary);
    config::SetCurrentEnv(nullptr);
    config::Environment().startup_directory = (root_ / "startup").string();
    config::Environment().config_file_path = (root_ / "startup" / "QXACC.CFG").string();
    isam::ResetEngine();
    fileaccess::ResetAccessLayer();
    fileaccess::ClearEndRequest();
    util::SetTodayForTest(2025, 3, 1);
  }
  void TearDown() override {
    util::ClearTodayForTest();
    platform::Env::Default()->SetCurrentDirectory(cwd_);
  }

  std::string Csv(const std::string& name, const std::string& bytes) {
    const fs::path path = root_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }

  // Reads the customer stored under `code` through a fresh engine run.
  bool ReadCustomer(const std::string& code, datafiles::CustomerRecord* record,
                    std::string* key2 = nullptr) {
    isam::ResetEngine();
    isam::StartEngine(kEngineMode, kPageBuffers);
    isam::FileBlock* fb = nullptr;
    isam::OpenDataFile(fb, (company_ / "ARFILE01").string(), false);
    EXPECT_TRUE(isam::StatusOk()) << isam::StatusCode();
    int32_t n = 0;
    isam::LookupKey(fb, 1, n, code);
    const bool found = isam::StatusOk();
    if (found) isam::ReadRecord(fb, n, record->data());
    if (found && key2 != nullptr) {
      int32_t n2 = 0;
      isam::LookupKey(fb, 2, n2, datafiles::CustomerKey(*record, 2));
      *key2 = isam::StatusOk() && n2 == n ? "found" : "missing";
    }
    isam::CloseDataFile(fb);
    isam::StopEngine();
    return found;
  }

  platform::ScratchDir scratch_{"impcust-app"};
  std::string cwd_;
  fs::path root_, company_;
  dialogs::RecordingPresenter presenter_;
  dialogs::ScopedPresenter scoped_{&presenter_};
};

TEST_F(MainWindowTest, StartUpFileChoiceAndCloseFollowTheStateTable) {
  TestView view;
  Chooser chooser(company_.string());
  TForm1 form(&view, &chooser);
  view.form = &form;
  ASSERT_TRUE(form.FormCreate());
  EXPECT_EQ(form.State(), MainState::kReadyNoFile);
  EXPECT_EQ(form.Caption(), company_.string());
  EXPECT_EQ(form.FixMarker(), "");
  EXPECT_FALSE(form.ImportEnabled());
  form.FormShow();
  EXPECT_EQ(form.Focus(), FocusTarget::kPathEdit);

  // The marker: exactly Ctrl+Alt+F12.
  EXPECT_FALSE(form.FormKeyDown(Key::kF12, {true, true, true, false}));
  EXPECT_FALSE(form.FormKeyDown(Key::kOther, {true, true, false, false}));
  EXPECT_EQ(form.FixMarker(), "");
  EXPECT_TRUE(form.FormKeyDown(Key::kF12, {true, true, false, false}));
  EXPECT_EQ(form.FixMarker(), kFixMarkerText);
  EXPECT_TRUE(form.FormKeyDown(Key::kF12, {true, true, false, false}));
  EXPECT_EQ(form.FixMarker(), "");

  const std::string good = Csv("good.csv", TitleRow() + Row("C1", "a"));
  const std::string bad = Csv("bad.csv", "x,y\r\n");
  view.dialog_answers = {good, "", (root_ / "missing.csv").string(), bad};
  form.cxButtonEdit1PropertiesButtonClick();
  EXPECT_EQ(form.State(), MainState::kReadyToImport);
  EXPECT_TRUE(form.ImportEnabled());
  EXPECT_EQ(form.Focus(), FocusTarget::kImportButton);
  EXPECT_EQ(form.PathText(), good);

  form.cxButtonEdit1PropertiesButtonClick();  // cancelled: nothing changes
  EXPECT_EQ(form.PathText(), good);
  EXPECT_EQ(form.Table().RowCount(), 2);

  form.cxButtonEdit1PropertiesButtonClick();  // cannot be opened
  ASSERT_EQ(view.general_errors.size(), 1u);
  EXPECT_EQ(view.general_errors[0], "Cannot open file " + (root_ / "missing.csv").string());
  EXPECT_EQ(form.Table().RowCount(), 0);
  EXPECT_TRUE(form.ImportEnabled());

  form.cxButtonEdit1PropertiesButtonClick();  // fails the header check
  const auto errors = presenter_.CallsOf(Calls::kMessage);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].text, kCannotLoadFile);
  EXPECT_FALSE(form.ImportEnabled());
  EXPECT_EQ(form.PathText(), "");
  EXPECT_EQ(form.Focus(), FocusTarget::kPathEdit);
  EXPECT_EQ(form.State(), MainState::kReadyNoFile);

  form.cxButton2Click();  // Exit: the close sequence writes the side files back
  EXPECT_EQ(view.close_requests, 1);
  EXPECT_EQ(form.State(), MainState::kEnded);
  EXPECT_EQ(fs::file_size(company_ / "ARINFO.DAT"), 1107u);
  for (const char* set : {"ARFILE01", "ARFILE05", "GLFILE01", "BIFILE01"}) {
    EXPECT_TRUE(fs::exists(company_ / (std::string(set) + ".DAT"))) << set;
  }
  EXPECT_FALSE(form.Failed());
}

TEST_F(MainWindowTest, WithoutArInfoTheStartUpEndsBeforeAnythingIsCreated) {
  fs::remove(company_ / "ARINFO.DAT");
  TestView view;
  Chooser chooser(company_.string());
  TForm1 form(&view, &chooser);
  view.form = &form;
  EXPECT_FALSE(form.FormCreate());
  EXPECT_TRUE(form.Failed());
  EXPECT_EQ(form.State(), MainState::kEnded);
  const auto messages = presenter_.CallsOf(Calls::kMessage);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, kArInfoMissingMessage);
  EXPECT_TRUE(fs::is_empty(company_));

  Chooser none("");
  TForm1 quiet(&view, &none);
  EXPECT_FALSE(quiet.FormCreate());
  EXPECT_FALSE(quiet.Failed());
}

TEST_F(MainWindowTest, ImportStoresNewCustomersAndClosesTheWindow) {
  const std::string long_name =
      std::string(48, 'N') + "\xE0\xA8\xC3\xD4\xAD" + std::string(30, 'x');
  const std::string csv =
      Csv("in.csv", TitleRow() + Row("c1", "\xE0\xA8\xC3\xD4\xAD a") + Row("C1", "upper twin") +
                        Row("C2", long_name) + Row("C2", "again"));
  TestView view;
  Chooser chooser(company_.string());
  TForm1 form(&view, &chooser);
  view.form = &form;
  Collect collect;
  form.SetImportObserver(&collect);
  ASSERT_TRUE(form.FormCreate());
  ASSERT_TRUE(form.LoadChosenFile(csv));
  form.cxButton1Click();

  EXPECT_EQ(form.State(), MainState::kEnded);
  EXPECT_EQ(view.close_requests, 1);
  const auto messages = presenter_.CallsOf(Calls::kMessage);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, kCompletedMessage);
  EXPECT_EQ(presenter_.CallsOf(Calls::kShowWait).size(), 1u);
  EXPECT_EQ(presenter_.CallsOf(Calls::kHideWait).size(), 1u);
  ASSERT_EQ(collect.rows.size(), 4u);
  EXPECT_EQ(collect.rows[0].outcome, RowOutcome::kAdded);
  EXPECT_EQ(collect.rows[1].outcome, RowOutcome::kSkippedExists);  // "C1" is what c1 became
  EXPECT_EQ(collect.rows[2].outcome, RowOutcome::kAdded);
  EXPECT_EQ(collect.rows[3].outcome, RowOutcome::kSkippedExists);

  datafiles::CustomerRecord record;
  std::string key2;
  ASSERT_TRUE(ReadCustomer("C2", &record, &key2));
  EXPECT_EQ(key2, "found");
  EXPECT_EQ(record.Name(), long_name.substr(0, 50));
  EXPECT_EQ(record.Get(datafiles::kNameOverflow), long_name.substr(50, 20));
  EXPECT_EQ(record.Get(datafiles::kDate10), "680301");
  EXPECT_FALSE(ReadCustomer("c1", &record));
  ASSERT_TRUE(ReadCustomer("C1", &record, &key2));
  EXPECT_EQ(key2, "found");
}

TEST_F(MainWindowTest, AnUnreadableColumnTwelveStopsAndKeepsTheWindowOpen) {
  const std::string csv =
      Csv("in.csv", TitleRow() + Row("A1", "a", "1.5") + Row("A2", "b", "12 ") + Row("A3", "c"));
  TestView view;
  Chooser chooser(company_.string());
  TForm1 form(&view, &chooser);
  view.form = &form;
  Collect collect;
  form.SetImportObserver(&collect);
  ASSERT_TRUE(form.FormCreate());
  ASSERT_TRUE(form.LoadChosenFile(csv));
  for (int press = 0; press < 2; ++press) {
    collect.rows.clear();
    form.cxButton1Click();
    EXPECT_EQ(form.State(), MainState::kReadyToImport);
    EXPECT_TRUE(form.ImportEnabled());
    ASSERT_EQ(view.general_errors.size(), static_cast<size_t>(press + 1));
    EXPECT_EQ(view.general_errors.back(), util::kCellNotFloatMessage);
    EXPECT_EQ(form.LastImport().stopped_at_row, 2);
    ASSERT_EQ(collect.rows.size(), 3u);
    EXPECT_EQ(collect.rows[0].outcome,
              press == 0 ? RowOutcome::kAdded : RowOutcome::kSkippedExists);
    EXPECT_EQ(collect.rows[1].outcome, RowOutcome::kStopped);
    EXPECT_EQ(collect.rows[2].outcome, RowOutcome::kNotReached);
  }
  EXPECT_EQ(view.close_requests, 0);
  EXPECT_FALSE(dialogs::WaitShown());
  EXPECT_TRUE(presenter_.CallsOf(Calls::kMessage).empty());  // no completion message
  form.FormClose();
  datafiles::CustomerRecord record;
  EXPECT_TRUE(ReadCustomer("A1", &record));
  EXPECT_FALSE(ReadCustomer("A2", &record));
  EXPECT_FALSE(ReadCustomer("A3", &record));
}

}  // namespace
}  // namespace app
