#include "config/settings.h"

#include "config/environment.h"
#include "platform/cp874.h"

namespace config {
namespace {

constexpr const char* kModuleCodes[kModuleCount] = {"GL", "IC", "AP", "AR", "BI", "PO", "PR", "PS"};
constexpr char kWallpaperFolder[] = "\\Wallpaper\\";
constexpr char kWallpaperFile[] = "Wallpaper_001.jpg";
constexpr int32_t kCompanyBarWidth = 6;

}  // namespace

const char* ModuleCode(int module_index) {
  if (module_index < 1 || module_index > kModuleCount) return "";
  return kModuleCodes[module_index - 1];
}

ConfigSettings::ConfigSettings() {
  background_type.fill(1);
  background_color0.fill(0);
  background_transparent.fill(70);
  background_position.fill(0);
  background_show_company.fill(true);
  background_show_transparent.fill(true);
  background_position_fit_width.fill(true);
  balance_sheet_name = platform::Utf8ToCp874("งบแสดงฐานะการเงิน");
}

ConfigSettings& Settings() {
  static ConfigSettings settings;
  return settings;
}

void PlacePathDefaults() {
  ConfigSettings& s = Settings();
  s.background_picture.fill(StartupDirectory() + kWallpaperFolder + kWallpaperFile);
  s.company_bar_width = kCompanyBarWidth;
}

void ResetSettings() {
  Settings() = ConfigSettings();
  PlacePathDefaults();
}

}  // namespace config
