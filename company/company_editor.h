// Toolkit-free models of the two small windows that change one entry of the company list
// while the Open Company dialog is open: the company editor ("Edit Company") and the
// report-template dialog ("Report Template"). The Open Company dialog model creates, fills and
// reads them; a view shows their state and forwards the user's events.
//
// How a view binds the editor:
//  * Edit1 (name, at most kNameMaxLength characters) shows name(); every user change of the
//    text calls TypeName(text). Entering the name field calls Edit1Enter() (FocusChanged).
//  * Edit2 (folder picker, full path) shows directory() and is enabled per
//    directory_enabled(); typing or picking a folder calls SetDirectory(text). The folder tree
//    itself belongs to the view.
//  * cxButton1 "ตกลง" is enabled per ok_enabled() and calls Btn_SaveClick(); F10 and the
//    hidden F10 item call it too (enabled or not). Btn_Cancel, Esc and the close box call
//    Btn_CancelClick(). After each event the view closes when result() != kNone and moves
//    the keyboard focus to focus().
//  * While the name follows, typing a name rewrites the directory to start directory + "\" +
//    StripNameChars(name). It stops once the user changed the directory by hand and entered
//    the name field again.
//
// Contract that is easy to get wrong: texts are code page 874; the caller fills the name
// before the directory, and that filling already counts as a change of the name.
#pragma once

#include <string>
#include <string_view>

namespace company {

enum class ModalResult { kNone, kOk, kCancel };

// Keys the dialogs react to on their own (everything else is the widgets').
enum class DialogKey { kEnter, kEscape, kF5, kF7, kF8, kF9, kF10, kInsert, kDelete };

// Drops the ten characters " * / : ; < > ? \ | and keeps every other byte.
std::string StripNameChars(std::string_view name);

// Checks a data directory typed in the editor against the start directory: an existing
// directory is refused when it resolves to the start directory or to its drive root; a missing
// one is created with its parents after the user agrees. Messages go through dialogs/.
// The current directory is the same afterwards.
bool ValidateDataDirectory(const std::string& dir, const std::string& start_directory);
// The same checks for a custom report-template folder, which also must not be named
// "_DEFAULT" (ASCII case ignored) in its last component.
bool ValidateTemplateDirectory(const std::string& dir, const std::string& start_directory);

class CompanyEditorModel {
 public:
  static constexpr size_t kNameMaxLength = 50;
  enum class Focus { kNone, kName, kDirectory };

  // Caller's filling, before FormShow: the name first, then the proposed directory.
  void SetName(std::string name);
  void SetDirectory(std::string directory);
  // The user typed in the name field: the text is limited to kNameMaxLength bytes.
  void TypeName(std::string name);

  void FormShow();
  void Edit1Enter();
  void FocusChanged(Focus focus);
  void Edit1PropertiesChange();
  void Btn_SaveClick();
  void Btn_CancelClick();
  void FormKeyDown(DialogKey key);

  const std::string& name() const { return name_; }
  const std::string& directory() const { return directory_; }
  const std::string& start_directory() const { return start_directory_; }
  bool directory_enabled() const { return directory_enabled_; }
  bool ok_enabled() const { return ok_enabled_; }
  bool new_entry() const { return new_entry_; }
  bool follow_name() const { return follow_name_; }
  Focus focus() const { return focus_; }
  ModalResult result() const { return result_; }

 private:
  void FocusName();

  std::string name_;
  std::string directory_;
  std::string start_directory_;
  bool directory_enabled_ = true;
  bool ok_enabled_ = false;  // disabled as designed
  bool new_entry_ = false;
  bool follow_name_ = false;
  Focus focus_ = Focus::kNone;
  ModalResult result_ = ModalResult::kNone;
};

// How a view binds the report-template dialog: cxRadioButton1 / cxRadioButton2 show
// custom_ticked() (false / true) and call cxRadioButton1Click(custom) when clicked; Edit1
// shows folder(), is enabled per folder_enabled() and calls SetFolder(text); cxButton1 and F10
// call cxButton1Click(); Btn_Cancel, Esc and the close box call MenuItem11Click(). The view
// closes when result() != kNone; focus_on_folder() says where the focus goes on showing.
class ReportTemplateDialogModel {
 public:
  // Caller's filling: a non-empty template_dir ticks the custom option with that folder;
  // otherwise the default option with default_dir shown and the folder field disabled.
  void Fill(const std::string& template_dir, const std::string& default_dir);
  void FormShow();
  void cxRadioButton1Click(bool custom);
  void SetFolder(std::string folder);
  void cxButton1Click();
  void MenuItem11Click();

  bool custom_ticked() const { return custom_; }
  const std::string& folder() const { return folder_; }
  bool folder_enabled() const { return folder_enabled_; }
  bool focus_on_folder() const { return focus_on_folder_; }
  const std::string& start_directory() const { return start_directory_; }
  ModalResult result() const { return result_; }

 private:
  bool custom_ = false;
  std::string folder_;
  bool folder_enabled_ = false;
  bool focus_on_folder_ = false;
  std::string start_directory_;
  ModalResult result_ = ModalResult::kNone;
};

}  // namespace company
