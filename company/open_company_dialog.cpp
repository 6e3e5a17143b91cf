#include "company/open_company_dialog.h"

#include "company/company_texts.h"
#include "config/color_scheme.h"
#include "config/configuration.h"
#include "config/environment.h"
#include "config/settings.h"
#include "dialogs/dialogs.h"
#include "platform/env.h"
#include "util/text.h"

namespace company {
namespace {

std::string CurrentDirectory() {
  std::string dir;
  config::CurrentEnv()->GetCurrentDirectory(&dir);
  return dir;
}

// "ไม่สามารถบันทึกแฟ้ม " (cannot save the file) + the file's path.
constexpr char kCannotSaveFile[] = "ไม่สามารถบันทึกแฟ้ม ";

void ReportSaveError(int err, const std::string& path) {
  if (err != platform::kErrNone) dialogs::ShowError(Thai(kCannotSaveFile) + path);
}

void SaveSettingsReporting() {
  ReportSaveError(config::SaveCompanySettings(), config::ConfigFilePath());
}

}  // namespace

OpenCompanyDialogModel::OpenCompanyDialogModel(OpenCompanyView* view) : view_(view) {
  always_show_ = false;
  grid_.just_created = false;
  grid_.list_modified = false;
}

bool OpenCompanyDialogModel::ChooseCompany() {
  platform::Env* env = config::CurrentEnv();
  const std::string before = CurrentDirectory();
  bool chosen = TryAutoSelect();
  env->SetCurrentDirectory(before);
  if (!chosen) {
    FormShow();
    if (result_ == ModalResult::kNone && view_ != nullptr) view_->RunOpenCompanyDialog(*this);
    if (result_ == ModalResult::kNone) result_ = ModalResult::kCancel;
    FormClose();
    chosen = result_ == ModalResult::kOk;
  }
  env->SetCurrentDirectory(before);
  return chosen && !config::Settings().selected_data_dir.empty();
}

bool OpenCompanyDialogModel::TryAutoSelect() {
  if (!EnsureCompanyList(&grid_)) return false;
  LoadAndStoreToGrid(&grid_);
  if (grid_.count_set_up_entries == 0) return false;
  if (always_show_) return false;
  if (!grid_.auto_select_checked) return false;
  const CompanyEntry& entry = grid_.Current();
  if (!CheckDataDirectory(entry.data_dir)) return false;
  config::ConfigSettings& s = config::Settings();
  s.selected_data_dir = entry.data_dir;
  s.selected_company_name = entry.name;
  s.selected_template_dir = entry.template_dir;
  return true;
}

bool OpenCompanyDialogModel::CheckDataDirectory(const std::string& dir) {
  if (view_ != nullptr) view_->SetBusyCursor(true);
  const bool exists = config::CurrentEnv()->DirectoryExists(dir);
  if (!exists) dialogs::ShowError(Thai(text::kDirectoryMissing));
  if (view_ != nullptr) view_->SetBusyCursor(false);
  return exists;
}

void OpenCompanyDialogModel::FormShow() {
  column_widths_[2] = 0;
  directory_at_show_ = CurrentDirectory();
  shown_ = true;
  grid_.list_modified = false;
  if (!EnsureCompanyList(&grid_)) {
    dialogs::ShowError(Thai(text::kListMissing));
    result_ = ModalResult::kCancel;
    return;
  }
  LoadAndStoreToGrid(&grid_);
  if (grid_.count_set_up_entries == 0 || grid_.just_created) {
    grid_.MakeCurrent(1);
    Btn_EditClick();
    grid_.just_created = false;
  }
  UpdateSelectEnabled();
  const int col = config::Settings().open_company_col_position;
  if (col != 0) column_widths_[0] = col;
}

void OpenCompanyDialogModel::FormClose() {
  config::ConfigSettings& s = config::Settings();
  if (grid_.list_modified) {
    ReportSaveError(SaveCompanyList(grid_),
                    platform::JoinPath(config::StartupDirectory(), kCompanyListFile));
  }
  if (column_widths_[0] != s.open_company_col_position) {
    s.open_company_col_position = column_widths_[0];
    SaveSettingsReporting();
  }
  if (shown_) config::CurrentEnv()->SetCurrentDirectory(directory_at_show_);
}

void OpenCompanyDialogModel::UpdateSelectEnabled() { select_enabled_ = grid_.Current().IsSetUp(); }

void OpenCompanyDialogModel::Btn_SelectClick() {
  const CompanyEntry entry = grid_.Current();
  if (entry.data_dir.empty()) {
    if (dialogs::AskYesNo(Thai(text::kNotSetUpCreate))) Btn_EditClick();
    return;
  }
  if (!CheckDataDirectory(entry.data_dir)) return;
  if (view_ != nullptr) view_->SetBusyCursor(true);
  config::ConfigSettings& s = config::Settings();
  const bool changed =
      util::UpperCaseAscii(s.open_company_dir) != util::UpperCaseAscii(entry.data_dir) ||
      util::UpperCaseAscii(s.open_company_company) != util::UpperCaseAscii(entry.name) ||
      column_widths_[0] != s.open_company_col_position ||
      grid_.auto_select_checked != s.open_company_select;
  s.open_company_select = grid_.auto_select_checked;
  s.open_company_dir = entry.data_dir;
  s.open_company_company = entry.name;
  s.open_company_col_position = column_widths_[0];
  s.selected_data_dir = entry.data_dir;
  s.selected_company_name = entry.name;
  s.selected_template_dir = entry.template_dir;
  if (changed) SaveSettingsReporting();
  if (grid_.current_row != grid_.remembered_slot) grid_.list_modified = true;
  if (view_ != nullptr) view_->SetBusyCursor(false);
  result_ = ModalResult::kOk;
}

void OpenCompanyDialogModel::Btn_EditClick() {
  grid_enabled_ = false;
  CompanyEditorModel editor;
  grid_enabled_ = true;
  CompanyEntry& entry = grid_.Current();
  editor.SetName(entry.name);
  std::string proposal = entry.data_dir;
  if (proposal.empty()) {
    proposal = CurrentDirectory();
    if (IsNoCompanyOrDemoOnly(grid_)) proposal += kDefaultDataDirSuffix;
  }
  editor.SetDirectory(proposal);
  editor.FormShow();
  if (editor.result() == ModalResult::kNone && view_ != nullptr) view_->RunCompanyEditor(editor);
  if (editor.result() == ModalResult::kOk) {
    entry.name = editor.name();
    entry.data_dir = editor.directory();
    grid_.list_modified = true;
  }
  UpdateSelectEnabled();
}

void OpenCompanyDialogModel::Btn_ExitClick() { result_ = ModalResult::kCancel; }

void OpenCompanyDialogModel::N3Click() {
  InsertSlot(&grid_);
  UpdateSelectEnabled();
}

void OpenCompanyDialogModel::N2Click() {
  if (grid_.Current().IsEmpty() || dialogs::AskYesNo(Thai(text::kAskDelete))) DeleteSlot(&grid_);
  UpdateSelectEnabled();
}

void OpenCompanyDialogModel::N1Click() {
  MoveSlotUp(&grid_);
  UpdateSelectEnabled();
}

void OpenCompanyDialogModel::N7Click() {
  MoveSlotDown(&grid_);
  UpdateSelectEnabled();
}

void OpenCompanyDialogModel::ReportTemplate1Click() {
  ReportTemplateDialogModel dialog;
  CompanyEntry& entry = grid_.Current();
  dialog.Fill(entry.template_dir, config::StartupDirectory() + kDefaultTemplateSuffix);
  dialog.FormShow();
  if (view_ != nullptr) view_->RunReportTemplateDialog(dialog);
  if (dialog.result() == ModalResult::kOk) {
    entry.template_dir = dialog.custom_ticked() ? dialog.folder() : std::string();
    grid_.list_modified = true;
  }
}

void OpenCompanyDialogModel::cxCheckBox1Click(bool checked) {
  grid_.auto_select_checked = checked;
  grid_.list_modified = true;
}

void OpenCompanyDialogModel::FormKeyPress(DialogKey key) {
  if (key == DialogKey::kEscape) Btn_ExitClick();
}

void OpenCompanyDialogModel::KeyDown(DialogKey key) {
  const PopupMenuState menu = PopupMenu1Popup();
  switch (key) {
    case DialogKey::kEnter:
      if (select_enabled_) Btn_SelectClick();
      break;
    case DialogKey::kF10:
      Btn_SelectClick();
      break;
    case DialogKey::kF5:
      Btn_EditClick();
      break;
    case DialogKey::kInsert:
      N3Click();
      break;
    case DialogKey::kDelete:
      N2Click();
      break;
    case DialogKey::kF7:
      N1Click();
      break;
    case DialogKey::kF8:
      N7Click();
      break;
    case DialogKey::kF9:
      if (menu.report_template.enabled) ReportTemplate1Click();
      break;
    case DialogKey::kEscape:
      Btn_ExitClick();
      break;
  }
}

void OpenCompanyDialogModel::Grid1RowChanging(int new_row) {
  if (new_row < 1 || new_row > kSlotCount) return;
  grid_.MakeCurrent(new_row);
  UpdateSelectEnabled();
}

void OpenCompanyDialogModel::Grid1DblClickCell(int row) {
  if (row != 0) Btn_SelectClick();
}

bool OpenCompanyDialogModel::Grid1ColumnSize(int column, int width) {
  if (column < 0 || column > 1 || width < 0) return false;
  column_widths_[static_cast<size_t>(column)] = width;
  return true;
}

void OpenCompanyDialogModel::SetVisibleRows(int rows) { grid_.visible_rows = rows < 1 ? 1 : rows; }

PopupMenuState OpenCompanyDialogModel::PopupMenu1Popup() const {
  const CompanyEntry& entry = grid_.Current();
  PopupMenuState m;
  m.select = {Thai(text::kMenuSelect), entry.IsSetUp(), false};
  m.edit = {Thai(text::kMenuEdit), true, false};
  m.insert = {Thai(text::kMenuInsert), true, false};
  m.remove = {Thai(entry.IsEmpty() ? text::kMenuDeleteNow : text::kMenuDeleteAsk), true, false};
  m.move_up = {Thai(text::kMenuMoveUp), true, false};
  m.move_down = {Thai(text::kMenuMoveDown), true, false};
  m.report_template = {text::kMenuReportTemplate, entry.IsSetUp(), !entry.template_dir.empty()};
  return m;
}

uint32_t OpenCompanyDialogModel::PrimaryBandColor() {
  return config::Palette(config::Settings().user_color_type).grid;
}

bool OpenCompanyDialogModel::IsBold(int row) const {
  return grid_.remembered_slot != 0 && row == grid_.remembered_slot;
}

}  // namespace company
