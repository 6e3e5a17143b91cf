#include "config/environment.h"

#include "config/settings.h"

namespace config {
namespace {

constexpr char kAppDataVar[] = "APPDATA";
constexpr char kUserFolderSuffix[] = "\\Orvanta";
constexpr char kTempVar[] = "TEMP";
constexpr char kRemovableTempSuffix[] = "\\TEMP";
constexpr char kConfigFileSuffix[] = "\\QXACC.CFG";
constexpr char kWorkFolder[] = "qxacc_data\\";
constexpr char kReportWorkFolder[] = "qxacc_report_temp\\";

platform::Env* g_env = nullptr;

EnvironmentState& State() {
  static EnvironmentState state;
  return state;
}

// The folder the per-user folder is created in. Windows: APPDATA as it is (possibly empty).
// Elsewhere the same variable when set, else the XDG configuration folder.
std::string UserBaseFolder(platform::Env* env) {
  std::string value;
  if (env->GetEnvironmentVariable(kAppDataVar, &value)) return value;
#ifdef _WIN32
  return std::string();
#else
  if (env->GetEnvironmentVariable("XDG_CONFIG_HOME", &value) && !value.empty()) return value;
  if (env->GetEnvironmentVariable("HOME", &value) && !value.empty()) return value + "/.config";
  return std::string();
#endif
}

// The temporary folder as the environment names it. Windows: TEMP as it is (possibly empty).
// Elsewhere TEMP when set, else TMPDIR, else /tmp.
std::string TempBaseFolder(platform::Env* env) {
  std::string value;
  if (env->GetEnvironmentVariable(kTempVar, &value)) return value;
#ifdef _WIN32
  return std::string();
#else
  if (env->GetEnvironmentVariable("TMPDIR", &value) && !value.empty()) return value;
  return "/tmp";
#endif
}

// Creates `dir` (one level) unless it exists; true when it exists afterwards.
bool EnsureFolder(platform::Env* env, const std::string& dir) {
  if (env->DirectoryExists(dir)) return true;
  env->CreateDirectory(dir);
  return env->DirectoryExists(dir);
}

}  // namespace

EnvironmentState& Environment() { return State(); }
const std::string& StartupDirectory() { return State().startup_directory; }
bool OnRemovableDrive() { return State().on_removable_drive; }
const std::string& UserSettingsDir() { return State().user_settings_dir; }
const std::string& TempDir() { return State().temp_dir; }
const std::string& ConfigFilePath() { return State().config_file_path; }
uint8_t OpenRetryCode() { return State().open_retry_code; }

platform::Env* CurrentEnv() { return g_env != nullptr ? g_env : platform::Env::Default(); }
void SetCurrentEnv(platform::Env* env) { g_env = env; }

std::string DriveRootOf(const std::string& dir) {
  if (!dir.empty() && dir[0] == '/') return "/";
  return dir.substr(0, 3);
}

bool InitEnvironment(std::string* fatal_error) {
  platform::Env* env = CurrentEnv();
  EnvironmentState& s = State();
  s.open_retry_code = kOpenRetryCode;

  std::string cwd;
  env->GetCurrentDirectory(&cwd);
  s.startup_directory = cwd;

  s.on_removable_drive = !s.startup_directory.empty() &&
                         env->GetDriveType(s.startup_directory) == platform::DriveType::kRemovable;

  if (s.on_removable_drive) {
    s.user_settings_dir = s.startup_directory;
    s.temp_dir = s.startup_directory + kRemovableTempSuffix;
    if (!EnsureFolder(env, s.temp_dir)) s.temp_dir = s.startup_directory;
  } else {
    s.user_settings_dir = UserBaseFolder(env) + kUserFolderSuffix;
    if (!EnsureFolder(env, s.user_settings_dir)) s.user_settings_dir = s.startup_directory;
    s.temp_dir = TempBaseFolder(env);
  }

  // Normalise the temporary folder to the full path the OS reports, with one trailing
  // separator; a folder that cannot be entered leaves it empty.
  if (!s.temp_dir.empty()) {
    std::string resolved;
    if (env->SetCurrentDirectory(s.temp_dir) != platform::kErrNone ||
        env->GetCurrentDirectory(&resolved) != platform::kErrNone || resolved.empty()) {
      s.temp_dir.clear();
    } else {
      s.temp_dir = resolved;
      if (!platform::IsSeparator(s.temp_dir.back())) s.temp_dir += '\\';
    }
    if (env->SetCurrentDirectory(s.startup_directory) != platform::kErrNone) {
      if (fatal_error != nullptr) {
        *fatal_error = "Cannot make the start-up directory current again: " + s.startup_directory;
      }
      return false;
    }
  }

  s.config_file_path = s.user_settings_dir + kConfigFileSuffix;

  PlacePathDefaults();

  const std::string work = s.temp_dir + kWorkFolder;
  if (!env->DirectoryExists(work)) env->CreateDirectory(work);
  return true;
}

void CreateReportWorkFolder() {
  platform::Env* env = CurrentEnv();
  const std::string dir = TempDir() + kReportWorkFolder;
  if (!env->DirectoryExists(dir)) env->CreateDirectory(dir);
}

}  // namespace config
