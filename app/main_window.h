// The toolkit-free controller of the import program's main window TForm1: the start-up
// sequence (company choice, current directory, ARINFO.DAT test, configuration, engine start,
// access switches, company files), the CSV file choice with its load and header check, the
// "Import" and "Exit" buttons, the fix marker and the close sequence, with the window's
// states. The desktop program's window only shows this state and forwards its events; the
// batch front end drives the same controller without a window.
//
// How a view binds to it:
//  * Construct TForm1 with a MainWindowView and a CompanyChooser, call FormCreate(); when it
//    returns false the program ends (State() is kEnded, exit code 0 as for every end of the
//    desktop program) and no window is shown. Otherwise show the window, with Caption(), and call
//    FormShow().
//  * Inp_2 shows PathText(); cxButton1 ("Import") is enabled per ImportEnabled(); the focused
//    control is Focus(); Label2 shows FixMarker(). Re-read them after every call into the
//    controller (StateChanged() is called when they may have changed).
//  * The ellipsis of Inp_2 calls cxButtonEdit1PropertiesButtonClick(), which asks the view to
//    run OpenDialog1 (RunOpenDialog); Import calls cxButton1Click(), Exit cxButton2Click().
//    Keys go to FormKeyDown() before the controls see them; a true result means the key was
//    consumed.
//  * When the controller wants the window closed (Exit, the end of the import, a fatal data
//    file failure after start-up) it calls view->CloseWindow(); the window's close event, and
//    every other way of closing it (close box, Alt+F4), must call FormClose(), which runs the
//    close sequence once.
//  * Errors that the program's general error report shows (the CSV reader's errors, the
//    column-12 stop) go to view->ShowGeneralError(); messages and questions of the start-up
//    and the data file layer go through dialogs/ (ShowError, AskYesNo, ShowWait).
//
// Contract that is easy to get wrong:
//  * The controller installs the access layer's end-program handler for its lifetime. During
//    start-up an end request ends at once (FormCreate returns false, Failed() true); later it
//    closes the window, and an import in progress goes no further.
//  * The process's current directory is the chosen company's data directory from FormCreate
//    on; FormClose does not change it back.
//  * A file that cannot be opened (or that is no text file) leaves the table cleared and the
//    state of "Import" as it was; a file that fails the header check disables "Import" and
//    empties the path.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/csv_table.h"
#include "app/import.h"

namespace fileaccess {
struct EndRequest;
}
namespace platform {
class Env;
}

namespace app {

// Texts of the window and its sequences (code page 874 where Thai).
inline constexpr char kCaptionLabel[] = "File to import (.csv):";
inline constexpr char kImportButtonText[] = "Import";
inline constexpr char kExitButtonText[] = "Exit";
inline constexpr char kWarningText[] = "*** WARNING: FOR TECHNICAL SUPPORT ONLY! ***";
inline constexpr char kVersionText[] = "V 1.02";
inline constexpr char kFixMarkerText[] = "**INCLUDE FIX**";
inline constexpr char kOpenDialogFilter[] = "*.txt; *.csv|*.txt;*.csv|*.*|*.*";
inline constexpr char kArInfoFileName[] = "ARINFO.DAT";
// "ไม่พบแฟ้มข้อมูลของโปรแกรมลูกหนี้และรายได้" (data files of the receivables and revenue
// program not found)
inline constexpr char kArInfoMissingMessage[] =
    "\xE4\xC1\xE8\xBE\xBA\xE1\xBF\xE9\xC1\xA2\xE9\xCD\xC1\xD9\xC5\xA2\xCD\xA7\xE2\xBB\xC3\xE1"
    "\xA1\xC3\xC1\xC5\xD9\xA1\xCB\xB9\xD5\xE9\xE1\xC5\xD0\xC3\xD2\xC2\xE4\xB4\xE9";
// "การทำงานเสร็จเรียบร้อยแล้ว" (the work has been completed)
inline constexpr char kCompletedMessage[] =
    "\xA1\xD2\xC3\xB7\xD3\xA7\xD2\xB9\xE0\xCA\xC3\xE7\xA8\xE0\xC3\xD5\xC2\xBA\xC3\xE9\xCD\xC2"
    "\xE1\xC5\xE9\xC7";
// Shown when the chosen data directory cannot be made current.
inline constexpr char kCannotEnterDirectory[] = "Cannot change the current directory to ";
// Engine start values of the program.
inline constexpr uint8_t kEngineMode = 2;
inline constexpr int32_t kPageBuffers = 500;

enum class MainState {
  kChoosingCompany,  // program entry
  kOpening,          // company chosen, files being opened
  kReadyNoFile,      // start-up done, or a header check failed
  kReadyToImport,    // a header check passed
  kImporting,        // "Import" pressed
  kClosing,          // the window closes
  kEnded,            // files closed and engine stopped, or start-up ended the program
};

enum class FocusTarget { kNone, kPathEdit /* Inp_2 */, kImportButton /* cxButton1 */ };

enum class Key { kF12, kOther };
struct KeyModifiers {
  bool ctrl = false;
  bool alt = false;
  bool shift = false;
  bool mouse_button = false;  // any mouse button held
};

// What the controller asks of the window that shows it.
class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  // OpenDialog1 (filter kOpenDialogFilter; the current directory must not change). False when
  // the user cancels.
  virtual bool RunOpenDialog(std::string* path) = 0;
  // Close the window; its close event calls TForm1::FormClose().
  virtual void CloseWindow() = 0;
  // The program's general error report (an error box with the text, code page 874).
  virtual void ShowGeneralError(const std::string& text) = 0;
  // Hourglass during the import, default cursor otherwise.
  virtual void SetBusyCursor(bool busy) { (void)busy; }
  // The controller's visible state may have changed.
  virtual void StateChanged() {}
};

// How the start-up learns the company: the desktop program runs the Open Company dialog with
// AlwaysShow set (DialogCompanyChooser in company_chooser.h); the batch front end names the
// data directory on its command line.
class CompanyChooser {
 public:
  virtual ~CompanyChooser() = default;
  // True with the chosen data directory; false when none was chosen.
  virtual bool ChooseCompany(std::string* data_dir) = 0;
};

class TForm1 {
 public:
  // `env` is used for the file tests and the CSV load (nullptr: the platform default). The
  // view and the chooser are borrowed.
  TForm1(MainWindowView* view, CompanyChooser* chooser, platform::Env* env = nullptr);
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // The start-up sequence. True: show the window (state kReadyNoFile). False: the program
  // ends (state kEnded); Failed() tells a failure from "no company chosen".
  bool FormCreate();
  // Gives the focus to Inp_2.
  void FormShow();
  // Ctrl+Alt+F12 (Shift not held, no mouse button) toggles the fix marker and is consumed.
  bool FormKeyDown(Key key, KeyModifiers modifiers);
  // The ellipsis button: runs the file dialog, then LoadChosenFile with its path.
  void cxButtonEdit1PropertiesButtonClick();
  // The part of the ellipsis handler after the dialog: path into Inp_2, table cleared, file
  // loaded, header checked. Returns true when the header passed.
  bool LoadChosenFile(const std::string& path);
  // "Import": the whole import, then the completion message and the window's close; or a
  // stop at a column-12 cell, after which the window stays open (kReadyToImport).
  void cxButton1Click();
  // "Exit".
  void cxButton2Click();
  // The close sequence: company files closed, engine stopped. Runs once; later calls do
  // nothing.
  void FormClose();

  // Each row's outcome of the next imports goes to `observer` (nullptr: none).
  void SetImportObserver(ImportObserver* observer) { observer_ = observer; }

  // State shown by the window.
  MainState State() const { return state_; }
  const std::string& Caption() const { return caption_; }
  const std::string& PathText() const { return path_text_; }
  bool ImportEnabled() const { return import_enabled_; }
  FocusTarget Focus() const { return focus_; }
  const std::string& FixMarker() const { return fix_marker_; }
  const CsvTable& Table() const { return table_; }

  // The outcome of the last load: the reader's error (empty when the file was read).
  const std::string& LastLoadError() const { return last_load_error_; }
  // Totals of the last import.
  const ImportSummary& LastImport() const { return last_import_; }
  // True when the program ended, or is ending, because of a failure (ARINFO.DAT missing, a
  // data file failure, a No at a question that offers no way on).
  bool Failed() const { return failed_; }

 private:
  void OnEndRequested();
  bool EndStartup();
  void SetState(MainState state);

  MainWindowView* view_;
  CompanyChooser* chooser_;
  platform::Env* env_;
  ImportObserver* observer_ = nullptr;
  std::function<void(const fileaccess::EndRequest&)> previous_handler_;

  MainState state_ = MainState::kChoosingCompany;
  std::string caption_;
  std::string path_text_;
  bool import_enabled_ = false;
  FocusTarget focus_ = FocusTarget::kNone;
  std::string fix_marker_ = kFixMarkerText;  // as designed; emptied at start-up
  CsvTable table_;
  std::string last_load_error_;
  ImportSummary last_import_;

  bool engine_started_ = false;
  bool files_open_ = false;
  bool closed_ = false;
  bool close_pending_ = false;
  bool failed_ = false;
};

}  // namespace app
