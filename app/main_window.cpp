#include "app/main_window.h"

#include "app/header_check.h"
#include "config/configuration.h"
#include "config/settings.h"
#include "dialogs/dialogs.h"
#include "fileaccess/access.h"
#include "fileaccess/company_files.h"
#include "fileaccess/end_program.h"
#include "isam/isam.h"
#include "platform/env.h"
#include "util/numbers.h"

namespace app {

TForm1::TForm1(MainWindowView* view, CompanyChooser* chooser, platform::Env* env)
    : view_(view), chooser_(chooser), env_(env != nullptr ? env : platform::Env::Default()) {
  previous_handler_ =
      fileaccess::SetEndProgramHandler([this](const fileaccess::EndRequest&) { OnEndRequested(); });
  // A company whose files cannot be opened is not taken automatically at the next start.
  fileaccess::SetDisableAutoSelectHook([] { config::DisableAutoSelect(); });
}

TForm1::~TForm1() {
  if (!closed_ && (files_open_ || engine_started_)) FormClose();
  fileaccess::SetEndProgramHandler(std::move(previous_handler_));
  fileaccess::SetDisableAutoSelectHook({});
}

void TForm1::SetState(MainState state) {
  state_ = state;
  if (view_ != nullptr) view_->StateChanged();
}

void TForm1::OnEndRequested() {
  failed_ = true;
  switch (state_) {
    case MainState::kChoosingCompany:
    case MainState::kOpening:
      // FormCreate sees the request after the call that made it and ends the start-up.
      break;
    case MainState::kImporting:
      // The import loop stops at the row in hand; cxButton1Click closes the window once the
      // loop has let go of the files.
      close_pending_ = true;
      break;
    case MainState::kReadyNoFile:
    case MainState::kReadyToImport:
      if (view_ != nullptr) view_->CloseWindow();
      break;
    case MainState::kClosing:
    case MainState::kEnded:
      break;
  }
}

bool TForm1::EndStartup() {
  failed_ = failed_ || fileaccess::EndRequested();
  if (engine_started_) {
    // The sets opened so far are closed by the engine; the side files are not written back.
    isam::StopEngine();
    engine_started_ = false;
  }
  files_open_ = false;
  closed_ = true;
  SetState(MainState::kEnded);
  return false;
}

bool TForm1::FormCreate() {
  SetState(MainState::kChoosingCompany);
  std::string data_dir;
  if (chooser_ == nullptr || !chooser_->ChooseCompany(&data_dir)) {
    closed_ = true;
    SetState(MainState::kEnded);
    return false;
  }

  SetState(MainState::kOpening);
  config::Settings().selected_data_dir = data_dir;
  if (const int error = env_->SetCurrentDirectory(data_dir); error != 0) {
    failed_ = true;
    dialogs::ShowError(kCannotEnterDirectory + data_dir + " (" + util::IntToText(error) + ")");
    return EndStartup();
  }
  caption_ = data_dir;

  if (!env_->FileExists(kArInfoFileName)) {
    failed_ = true;
    dialogs::ShowError(kArInfoMissingMessage);
    return EndStartup();
  }

  config::LoadConfiguration();

  isam::StartEngine(kEngineMode, kPageBuffers);
  if (!isam::StatusOk()) {
    fileaccess::ReportFileError(isam::StatusCode(), std::string());
    return EndStartup();
  }
  engine_started_ = true;

  fileaccess::SetOpenInSaveMode(false);
  fileaccess::SetFlushAfterWrite(false);

  if (!fileaccess::OpenCompanyFiles() || fileaccess::EndRequested()) return EndStartup();
  files_open_ = true;

  fix_marker_.clear();
  SetState(MainState::kReadyNoFile);
  return true;
}

void TForm1::FormShow() {
  focus_ = FocusTarget::kPathEdit;
  if (view_ != nullptr) view_->StateChanged();
}

bool TForm1::FormKeyDown(Key key, KeyModifiers modifiers) {
  if (key != Key::kF12 || !modifiers.ctrl || !modifiers.alt || modifiers.shift ||
      modifiers.mouse_button) {
    return false;
  }
  if (fix_marker_.empty()) {
    fix_marker_ = kFixMarkerText;
  } else {
    fix_marker_.clear();
  }
  if (view_ != nullptr) view_->StateChanged();
  return true;
}

void TForm1::cxButtonEdit1PropertiesButtonClick() {
  if (state_ != MainState::kReadyNoFile && state_ != MainState::kReadyToImport) return;
  std::string path;
  if (view_ == nullptr || !view_->RunOpenDialog(&path)) return;
  LoadChosenFile(path);
}

bool TForm1::LoadChosenFile(const std::string& path) {
  if (state_ != MainState::kReadyNoFile && state_ != MainState::kReadyToImport) return false;
  path_text_ = path;
  table_.Clear();
  const CsvTable::LoadResult loaded = table_.LoadFromFile(env_, path_text_);
  last_load_error_ = loaded.error;
  if (!loaded.ok) {
    // The reader's error, through the general error report; "Import" keeps its state.
    if (view_ != nullptr) {
      view_->StateChanged();
      view_->ShowGeneralError(loaded.error);
    }
    return false;
  }
  if (HeaderPasses(table_)) {
    import_enabled_ = true;
    focus_ = FocusTarget::kImportButton;
    SetState(MainState::kReadyToImport);
    return true;
  }
  dialogs::ShowError(kCannotLoadFile);
  import_enabled_ = false;
  path_text_.clear();
  focus_ = FocusTarget::kPathEdit;
  SetState(MainState::kReadyNoFile);
  return false;
}

void TForm1::cxButton1Click() {
  if (state_ != MainState::kReadyToImport || !import_enabled_) return;
  SetState(MainState::kImporting);
  dialogs::ShowWait();
  if (view_ != nullptr) view_->SetBusyCursor(true);
  std::string remembered_dir;
  const bool have_dir = env_->GetCurrentDirectory(&remembered_dir) == 0;

  last_import_ = ImportAllRows(table_, ImportTarget{fileaccess::CustomerFile(), observer_});

  if (have_dir) env_->SetCurrentDirectory(remembered_dir);
  dialogs::HideWait();
  if (view_ != nullptr) view_->SetBusyCursor(false);

  if (last_import_.ended || close_pending_) {
    close_pending_ = false;
    SetState(MainState::kReadyToImport);
    if (view_ != nullptr) view_->CloseWindow();
    return;
  }
  if (last_import_.stopped_at_row != 0) {
    SetState(MainState::kReadyToImport);
    if (view_ != nullptr) view_->ShowGeneralError(util::kCellNotFloatMessage);
    return;
  }
  dialogs::ShowInformation(kCompletedMessage);
  SetState(MainState::kReadyToImport);
  if (view_ != nullptr) view_->CloseWindow();
}

void TForm1::cxButton2Click() {
  if (view_ != nullptr) view_->CloseWindow();
}

void TForm1::FormClose() {
  if (closed_) return;
  closed_ = true;
  SetState(MainState::kClosing);
  if (files_open_) {
    fileaccess::CloseCompanyFiles();
    files_open_ = false;
  }
  if (engine_started_) {
    isam::StopEngine();
    engine_started_ = false;
  }
  SetState(MainState::kEnded);
}

}  // namespace app
