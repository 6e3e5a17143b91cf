// The folders and paths fixed once at start-up, before any window exists: the start-up
// directory (where the company list lives), the per-user settings folder that holds
// QXACC.CFG, the temporary folder and the two work folders under it. The program entry calls
// InitEnvironment once; every other module reads the values through the accessors below.
//
// All operating-system access of config/ and company/ goes through the Env returned by
// CurrentEnv(), which tests replace with SetCurrentEnv() to work in a scratch directory or to
// make folder creation fail.
//
// Contract that is easy to get wrong:
//  * InitEnvironment leaves the current directory where it found it (the start-up directory),
//    although it changes it on the way to normalise the temporary folder.
//  * TempDir() is either empty or a full path ending in a backslash; the work folder names are
//    appended to it directly, so with an empty TempDir they are relative to the current
//    directory.
//  * ConfigFilePath() is UserSettingsDir() + "\QXACC.CFG" joined without looking at trailing
//    separators (a drive root gives a doubled backslash, which the file system accepts).
//  * Off Windows the per-user folder comes from APPDATA when set, else $XDG_CONFIG_HOME, else
//    $HOME/.config; the temporary folder from TEMP, else TMPDIR, else /tmp.
#pragma once

#include <cstdint>
#include <string>

#include "platform/env.h"

namespace config {

// The I/O result code on which opening a file is retried at once.
constexpr uint8_t kOpenRetryCode = 255;

// The process-wide values fixed at start-up. Tests may set them directly.
struct EnvironmentState {
  std::string startup_directory;  // as the OS reports the current directory
  bool on_removable_drive = false;
  std::string user_settings_dir;  // no trailing separator added
  std::string temp_dir;           // empty or ending in '\'
  std::string config_file_path;   // user_settings_dir + "\QXACC.CFG"
  uint8_t open_retry_code = kOpenRetryCode;
};

EnvironmentState& Environment();

const std::string& StartupDirectory();
bool OnRemovableDrive();
const std::string& UserSettingsDir();
const std::string& TempDir();
const std::string& ConfigFilePath();
uint8_t OpenRetryCode();

// The Env used by config/ and company/ (platform::Env::Default() unless replaced).
platform::Env* CurrentEnv();
// Replaces it; nullptr goes back to the default. The caller keeps ownership.
void SetCurrentEnv(platform::Env* env);

// Fixes every value above, creates the per-user folder, the removable drive's TEMP folder and
// the work folder "qxacc_data\" when missing, and places the path-dependent defaults into the
// settings (background pictures, company bar width). Returns false only when the start-up
// directory cannot be made current again; *fatal_error then names the failing operation and
// start-up must stop.
bool InitEnvironment(std::string* fatal_error = nullptr);

// Creates TempDir() + "qxacc_report_temp\" when missing; failures are ignored. Called later in
// start-up, before the main window is created.
void CreateReportWorkFolder();

// The root of the drive that holds `dir`: its first three characters for a drive path such as
// "C:\ACC", "/" for an absolute POSIX path, otherwise the first three characters as they are.
std::string DriveRootOf(const std::string& dir);

}  // namespace config
