// Shared set-up of the fuzz targets for config/ and company/: the in-memory Env is made the
// current one, the start-up directory and the per-user folder are its root folder, settings
// start at their defaults and message boxes are swallowed.
#pragma once

#include "config/color_scheme.h"
#include "config/environment.h"
#include "config/settings.h"
#include "fuzz/mem_env.h"

namespace fuzz {

inline MemEnv* FreshConfigEnv() {
  static MemEnv env;
  env.Reset();
  config::SetCurrentEnv(&env);
  std::string cwd;
  env.GetCurrentDirectory(&cwd);
  config::EnvironmentState& e = config::Environment();
  e = config::EnvironmentState();
  e.startup_directory = cwd;
  e.user_settings_dir = cwd;
  e.temp_dir = cwd + "\\";
  e.config_file_path = cwd + "\\QXACC.CFG";
  config::ResetSettings();
  config::Palettes().fill(config::ColorPalette());
  config::SetPlainMessageBox([](const std::string&) {});
  return &env;
}

}  // namespace fuzz
