#include "company/company_editor.h"

#include "company/company_texts.h"
#include "config/environment.h"
#include "dialogs/dialogs.h"
#include "platform/env.h"
#include "util/text.h"

namespace company {
namespace {

constexpr std::string_view kForbiddenNameChars = "\"*/:;<>?\\|";
constexpr char kRefusedTemplateName[] = "_DEFAULT";

std::string CurrentDirectory() {
  std::string dir;
  config::CurrentEnv()->GetCurrentDirectory(&dir);
  return dir;
}

// Creates `dir` with every missing parent; true when it exists afterwards.
bool CreateDirectoryTree(const std::string& dir) {
  platform::Env* env = config::CurrentEnv();
  if (dir.empty()) return false;
  for (size_t i = 1; i <= dir.size(); ++i) {
    if (i < dir.size() && !platform::IsSeparator(dir[i])) continue;
    const std::string prefix = dir.substr(0, i);
    // Skip drive names ("C:"), roots and the server part of network paths.
    if (prefix.back() == ':' || platform::IsSeparator(prefix.back())) continue;
    if (prefix.size() >= 2 && platform::IsSeparator(prefix[0]) &&
        platform::IsSeparator(prefix[1])) {
      size_t seps = 0;
      for (char c : prefix.substr(2)) seps += platform::IsSeparator(c) ? 1 : 0;
      if (seps < 1) continue;  // \\server
    }
    if (!env->DirectoryExists(prefix)) env->CreateDirectory(prefix);
  }
  return env->DirectoryExists(dir);
}

// The common part of both validations: existence, refusal of the start directory and its
// drive root, and the offer to create a missing directory. *refused tells them apart.
bool CheckOrCreate(const std::string& dir, const std::string& start_directory, bool* refused) {
  platform::Env* env = config::CurrentEnv();
  bool exists = env->DirectoryExists(dir);
  *refused = false;
  if (exists) {
    const std::string previous = CurrentDirectory();
    std::string resolved;
    if (env->SetCurrentDirectory(dir) == platform::kErrNone) {
      env->GetCurrentDirectory(&resolved);
      env->SetCurrentDirectory(previous);
    }
    *refused = resolved == start_directory || resolved == config::DriveRootOf(start_directory);
    if (*refused) dialogs::ShowError(Thai(text::kDirectoryRefused));
  } else if (dialogs::AskYesNo(Thai(text::kAskCreateDirectory))) {
    exists = CreateDirectoryTree(dir);
    if (!exists) dialogs::ShowError(Thai(text::kCannotCreateDirectory));
  }
  return exists;
}

}  // namespace

std::string StripNameChars(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    if (kForbiddenNameChars.find(c) == std::string_view::npos) out += c;
  }
  return out;
}

bool ValidateDataDirectory(const std::string& dir, const std::string& start_directory) {
  bool refused = false;
  const bool exists = CheckOrCreate(dir, start_directory, &refused);
  return exists && !refused;
}

bool ValidateTemplateDirectory(const std::string& dir, const std::string& start_directory) {
  bool refused = false;
  bool exists = CheckOrCreate(dir, start_directory, &refused);
  if (exists && !refused) {
    // The last component, trailing separators ignored.
    size_t end = dir.size();
    while (end > 0 && platform::IsSeparator(dir[end - 1])) --end;
    const std::string trimmed = dir.substr(0, end);
    const size_t cut = trimmed.find_last_of("\\/:");
    const std::string last = cut == std::string::npos ? trimmed : trimmed.substr(cut + 1);
    if (util::UpperCaseAscii(last) == kRefusedTemplateName) {
      dialogs::ShowError(Thai(text::kTemplateNameRefused));
      exists = false;
    }
  }
  return exists && !refused;
}

void CompanyEditorModel::SetName(std::string name) {
  name_ = std::move(name);
  Edit1PropertiesChange();
}

void CompanyEditorModel::TypeName(std::string name) {
  if (name.size() > kNameMaxLength) name.resize(kNameMaxLength);
  SetName(std::move(name));
}

void CompanyEditorModel::SetDirectory(std::string directory) { directory_ = std::move(directory); }

void CompanyEditorModel::FormShow() {
  start_directory_ = CurrentDirectory();
  new_entry_ = directory_ == start_directory_;
  follow_name_ = new_entry_;
  if (new_entry_) {
    directory_.clear();
    directory_enabled_ = false;
    ok_enabled_ = false;
  }
  FocusName();
}

void CompanyEditorModel::Edit1Enter() {
  if (new_entry_ && !name_.empty()) {
    follow_name_ = directory_ == start_directory_ + "\\" + StripNameChars(name_);
  }
}

void CompanyEditorModel::FocusChanged(Focus focus) {
  if (focus == Focus::kName) {
    FocusName();
  } else {
    focus_ = focus;
  }
}

void CompanyEditorModel::FocusName() {
  if (focus_ == Focus::kName) return;
  focus_ = Focus::kName;
  Edit1Enter();
}

void CompanyEditorModel::Edit1PropertiesChange() {
  if (new_entry_ && follow_name_) directory_ = start_directory_ + "\\" + StripNameChars(name_);
  ok_enabled_ = true;
  directory_enabled_ = true;
}

void CompanyEditorModel::Btn_SaveClick() {
  if (name_.find(';') != std::string::npos) {
    dialogs::ShowError(Thai(text::kNameHasSemicolon));
    FocusName();
    return;
  }
  if (ValidateDataDirectory(directory_, start_directory_)) {
    result_ = ModalResult::kOk;
  } else {
    focus_ = Focus::kDirectory;
  }
}

void CompanyEditorModel::Btn_CancelClick() { result_ = ModalResult::kCancel; }

void CompanyEditorModel::FormKeyDown(DialogKey key) {
  if (key == DialogKey::kEscape) Btn_CancelClick();
  if (key == DialogKey::kF10) Btn_SaveClick();
}

void ReportTemplateDialogModel::Fill(const std::string& template_dir,
                                     const std::string& default_dir) {
  custom_ = !template_dir.empty();
  folder_ = custom_ ? template_dir : default_dir;
  folder_enabled_ = custom_;
}

void ReportTemplateDialogModel::FormShow() {
  start_directory_ = CurrentDirectory();
  focus_on_folder_ = custom_;
}

void ReportTemplateDialogModel::cxRadioButton1Click(bool custom) {
  custom_ = custom;
  folder_enabled_ = custom_;
}

void ReportTemplateDialogModel::SetFolder(std::string folder) { folder_ = std::move(folder); }

void ReportTemplateDialogModel::cxButton1Click() {
  if (!custom_ || ValidateTemplateDirectory(folder_, start_directory_)) result_ = ModalResult::kOk;
}

void ReportTemplateDialogModel::MenuItem11Click() { result_ = ModalResult::kCancel; }

}  // namespace company
