// Loading and saving the per-user configuration file QXACC.CFG and reading the company-level
// settings file QXACC.INI into ConfigSettings (settings.h). The start-up sequence and the
// company list loader call LoadConfiguration; the company dialog and the data file access
// layer call SaveCompanySettings / DisableAutoSelect.
//
// Contract that is easy to get wrong:
//  * QXACC.CFG is shared by every program of the suite: a save rewrites only this program's
//    keys, in place, and keeps every other line (comments, unknown keys, other modules' keys)
//    with its text and order. Empty lines are dropped by a save.
//  * QXACC.CFG keys match exactly (case and spaces count); QXACC.INI lines lose every space and
//    have their ASCII letters upper-cased before matching, so its text values lose spaces too.
//  * QXACC.INI is opened by its bare name in the current directory of the moment.
//  * LoadConfiguration never creates QXACC.CFG: it saves only when the file exists and did not
//    decide LOOKANDFEEL, and (through the colour scheme) when the scheme pictures are missing.
//  * Save functions return 0 or the OS error of the failed write; the old file is then intact.
#pragma once

#include <string_view>

namespace config {

inline constexpr char kConfigFileName[] = "QXACC.CFG";
inline constexpr char kIniFileName[] = "QXACC.INI";

// Reads QXACC.CFG (ConfigFilePath()) and QXACC.INI, then ApplyColorScheme(). Reports nothing.
void LoadConfiguration();

// Rewrites QXACC.CFG with this program's keys from the current settings.
int SaveConfiguration();

// Applies one line of QXACC.CFG / QXACC.INI to Settings(). Returns true when the line carried
// a recognised key with a non-empty value.
bool ParseConfigLine(std::string_view line);
bool ParseIniLine(std::string_view line);

// Whether desktop composition is on; false off Windows and on any failure.
bool IsDwmCompositionEnabled();

// The four remembered company-dialog settings: keys OPENCOMPANY_DIR, OPENCOMPANY_COMPANY,
// OPENCOMPANY_SELECT (each with "_PR" for the PR module) and OPENCOMPANY_COLPOSITION.
const char* OpenCompanyDirKey();
const char* OpenCompanyCompanyKey();
const char* OpenCompanySelectKey();
inline constexpr char kOpenCompanyColPositionKey[] = "OPENCOMPANY_COLPOSITION";

// Writes the four remembered settings into QXACC.CFG (created when missing), keeping every
// other line; empty lines are dropped.
int SaveCompanySettings();

// Switches the auto-select option off and runs SaveCompanySettings, so that the next start
// shows the company dialog again. Called when a company's data file cannot be opened.
int DisableAutoSelect();

}  // namespace config
