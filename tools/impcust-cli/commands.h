// The batch front end's two commands, import and export, for support work in bulk and for
// scripts. Both run the desktop program's own start-up pieces: the start-up directory plays
// the role of the program's folder (configuration, company list, error catalogue, work
// folders) and the company directory is what the company dialog would return. The import
// drives the main window's controller (app/main_window.h) without a window, so the batch and
// the desktop import share one code path.
//
// Exit codes of import (kept exactly; other tools rely on them):
//   0 every row processed, whatever each row's outcome
//   1 stopped at an unreadable column-12 cell
//   2 usage error, the CSV file cannot be read, or its header check failed
//   3 fatal: ARINFO.DAT missing, a data file error, or a No at a question
// Export uses 0, 2 (usage, output cannot be written) and 3 (the company cannot be read).
//
// Contract that is easy to get wrong: every path option is taken relative to the directory the
// command was started in, before the start-up changes the current directory. A bad CSV is
// refused before the company is opened, so it changes no file of the company.
#pragma once

#include <string>

namespace impcust_cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitStopped = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFatal = 3;

struct ImportOptions {
  std::string company;
  std::string startup_dir;  // empty: the current directory
  std::string report;       // JSON report, or empty
  std::string rejects;      // rejects CSV, or empty
  std::string csv;
  bool dry_run = false;
  bool assume_yes = false;
  bool assume_no = false;
  bool no_progress = false;
};

struct ExportOptions {
  std::string company;
  std::string startup_dir;
  std::string out;
};

int RunImport(const ImportOptions& options);
int RunExport(const ExportOptions& options);

}  // namespace impcust_cli
