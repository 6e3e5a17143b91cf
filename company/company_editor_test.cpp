#include "company/company_editor.h"

#include <gtest/gtest.h>

#include "company/company_texts.h"
#include "config/test_env.h"
#include "dialogs/recording_presenter.h"

namespace company {
namespace {

using Call = dialogs::RecordingPresenter::CallKind;

class EditorTest : public config::testing::ScratchTest {
 protected:
  std::string Start() { return config::StartupDirectory(); }
  std::vector<std::string> Errors() {
    std::vector<std::string> out;
    for (const auto& c : presenter_.CallsOf(Call::kMessage)) out.push_back(c.text);
    return out;
  }
  dialogs::RecordingPresenter presenter_;
  dialogs::ScopedPresenter scoped_{&presenter_};
};

TEST(StripNameChars, DropsTheTenForbiddenCharacters) {
  EXPECT_EQ(StripNameChars("A/B:C"), "ABC");
  EXPECT_EQ(StripNameChars("\"*/:;<>?\\|"), "");
  EXPECT_EQ(StripNameChars("Co. Ltd " + Thai("กิจการ")), "Co. Ltd " + Thai("กิจการ"));
}

TEST_F(EditorTest, NewEntryDirectoryFollowsTheNameAndIsCreatedAfterYes) {
  CompanyEditorModel e;
  e.SetName("");
  e.SetDirectory(Start());
  e.FormShow();
  EXPECT_TRUE(e.new_entry());
  EXPECT_EQ(e.directory(), "");
  EXPECT_FALSE(e.directory_enabled());
  EXPECT_FALSE(e.ok_enabled());
  e.TypeName("A/B:C");
  EXPECT_EQ(e.directory(), Start() + "\\ABC");
  EXPECT_TRUE(e.ok_enabled());
  EXPECT_TRUE(e.directory_enabled());
  presenter_.QueueAnswer(true);
  e.Btn_SaveClick();
  EXPECT_EQ(e.result(), ModalResult::kOk);
  EXPECT_TRUE(env_->DirectoryExists(Path("ABC")));
  ASSERT_EQ(presenter_.calls().size(), 1u);
  EXPECT_EQ(presenter_.calls()[0].text, Thai(text::kAskCreateDirectory));
}

TEST_F(EditorTest, HandEditedDirectoryStopsFollowingOnceTheNameIsEnteredAgain) {
  CompanyEditorModel e;
  e.SetName("");
  e.SetDirectory(Start());
  e.FormShow();
  e.TypeName("X");
  e.FocusChanged(CompanyEditorModel::Focus::kDirectory);
  e.SetDirectory(Start() + "\\mine");
  e.TypeName("XY");  // still following until the name field is entered again
  EXPECT_EQ(e.directory(), Start() + "\\XY");
  e.SetDirectory(Start() + "\\mine");
  e.FocusChanged(CompanyEditorModel::Focus::kName);
  e.TypeName("XYZ");
  EXPECT_FALSE(e.follow_name());
  EXPECT_EQ(e.directory(), Start() + "\\mine");
}

TEST_F(EditorTest, ExistingEntryOpensWithOkAndRefusesStartDirectoryAndRoot) {
  ASSERT_EQ(env_->CreateDirectory(Path("sub")), platform::kErrNone);
  CompanyEditorModel e;
  e.SetName("Firm");
  e.SetDirectory(Start() + "\\sub");
  e.FormShow();
  EXPECT_FALSE(e.new_entry());
  EXPECT_TRUE(e.ok_enabled());
  EXPECT_EQ(e.directory(), Start() + "\\sub");
  for (const std::string& dir :
       {Start() + "\\", Start() + "\\sub\\..", config::DriveRootOf(Start())}) {
    presenter_.Clear();
    e.SetDirectory(dir);
    e.FormKeyDown(DialogKey::kF10);
    EXPECT_EQ(e.result(), ModalResult::kNone) << dir;
    EXPECT_EQ(e.focus(), CompanyEditorModel::Focus::kDirectory);
    EXPECT_EQ(Errors(), (std::vector<std::string>{Thai(text::kDirectoryRefused)})) << dir;
  }
  e.SetDirectory(Start() + "\\sub");
  e.Btn_SaveClick();
  EXPECT_EQ(e.result(), ModalResult::kOk);
}

TEST_F(EditorTest, ConfirmFailuresKeepTheWindowOpen) {
  CompanyEditorModel e;
  e.SetName("A;B");
  e.SetDirectory(Path("new"));
  e.FormShow();
  e.Btn_SaveClick();
  EXPECT_EQ(Errors(), (std::vector<std::string>{Thai(text::kNameHasSemicolon)}));
  EXPECT_EQ(Thai(text::kNameHasSemicolon).substr(Thai(text::kNameHasSemicolon).size() - 4),
            " \";\"");
  EXPECT_EQ(e.focus(), CompanyEditorModel::Focus::kName);

  e.TypeName("AB");
  presenter_.Clear();
  presenter_.QueueAnswer(false);
  e.Btn_SaveClick();
  EXPECT_EQ(e.result(), ModalResult::kNone);
  EXPECT_FALSE(env_->DirectoryExists(Path("new")));

  env_->FailCreate(Path("new"));
  presenter_.QueueAnswer(true);
  e.Btn_SaveClick();
  EXPECT_EQ(e.result(), ModalResult::kNone);
  EXPECT_EQ(Errors(), (std::vector<std::string>{Thai(text::kCannotCreateDirectory)}));

  e.FormKeyDown(DialogKey::kEscape);
  EXPECT_EQ(e.result(), ModalResult::kCancel);
}

TEST_F(EditorTest, MissingParentsAreCreatedAndTypedNamesAreLimited) {
  presenter_.QueueAnswer(true);
  EXPECT_TRUE(ValidateDataDirectory(Path("a\\b\\c"), Start()));
  EXPECT_TRUE(env_->DirectoryExists(Path("a\\b\\c")));
  CompanyEditorModel e;
  e.TypeName(std::string(60, 'n'));
  EXPECT_EQ(e.name().size(), CompanyEditorModel::kNameMaxLength);
}

TEST_F(EditorTest, TemplateFolderNamedDefaultIsRefused) {
  const struct {
    const char* folder;
    bool ok;
  } cases[] = {{"RPT\\_default", false}, {"RPT\\_DEFAULT\\", false}, {"RPT\\MY_DEFAULT", true}};
  for (const auto& c : cases) {
    presenter_.Clear();
    presenter_.QueueAnswer(true);  // create the missing folder
    ReportTemplateDialogModel d;
    d.Fill(Path(c.folder), "unused");
    d.FormShow();
    EXPECT_TRUE(d.focus_on_folder());
    d.cxButton1Click();
    EXPECT_EQ(d.result() == ModalResult::kOk, c.ok) << c.folder;
    EXPECT_TRUE(env_->DirectoryExists(Path(c.folder))) << "a folder created just before stays";
    EXPECT_EQ(Errors().size(), c.ok ? 0u : 1u) << c.folder;
    if (!c.ok) {
      EXPECT_EQ(Errors()[0], Thai(text::kTemplateNameRefused));
    }
  }
}

TEST_F(EditorTest, TemplateDefaultOptionEndsWithoutLookingAtTheFolder) {
  ReportTemplateDialogModel d;
  d.Fill("", Path("Template"));
  EXPECT_FALSE(d.custom_ticked());
  EXPECT_FALSE(d.folder_enabled());
  EXPECT_EQ(d.folder(), Path("Template"));
  d.FormShow();
  d.cxRadioButton1Click(true);
  EXPECT_TRUE(d.folder_enabled());
  d.cxRadioButton1Click(false);
  d.SetFolder(Path("no\\such"));
  d.cxButton1Click();
  EXPECT_EQ(d.result(), ModalResult::kOk);
  EXPECT_TRUE(presenter_.calls().empty());
}

}  // namespace
}  // namespace company
