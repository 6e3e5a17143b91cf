#include "config/configuration.h"

#include <functional>
#include <string>
#include <vector>

#include "config/color_scheme.h"
#include "config/environment.h"
#include "config/lines.h"
#include "config/settings.h"
#include "platform/env.h"
#include "platform/system.h"
#include "util/numbers.h"
#include "util/text.h"

namespace config {
namespace {

// Opening QXACC.CFG is retried at most this many times in all.
constexpr int kConfigOpenAttempts = 11;
// QXACC.INI is retried without a stated limit; a bound keeps a persistent retry code from
// hanging the program.
constexpr int kIniOpenAttempts = 1000;

constexpr char kTrue[] = "TRUE";
constexpr char kFalse[] = "FALSE";

using Reader = std::function<void(ConfigSettings&, const std::string&)>;
using Writer = std::function<std::string(const ConfigSettings&)>;

struct Key {
  std::string name;
  Reader read;
  Writer write;  // empty for keys this program only reads
};

int M() { return kModuleIndex - 1; }
std::string PerModuleKey(const char* prefix) {
  return std::string(prefix) + ModuleCode(kModuleIndex);
}

int32_t Number(const std::string& v) { return util::ParseIntLenient(v); }
std::string NumberText(int32_t n) { return std::to_string(n); }
std::string TrueFalse(bool b) { return b ? kTrue : kFalse; }
std::string OneZero(bool b) { return b ? "1" : "0"; }

Key NumberKey(std::string name, int32_t ConfigSettings::*field) {
  return {std::move(name),
          [field](ConfigSettings& s, const std::string& v) { s.*field = Number(v); },
          [field](const ConfigSettings& s) { return NumberText(s.*field); }};
}
Key TextKey(std::string name, std::string ConfigSettings::*field) {
  return {std::move(name), [field](ConfigSettings& s, const std::string& v) { s.*field = v; },
          [field](const ConfigSettings& s) { return s.*field; }};
}
Key TrueFalseKey(std::string name, bool ConfigSettings::*field) {
  return {std::move(name),
          [field](ConfigSettings& s, const std::string& v) { s.*field = v == kTrue; },
          [field](const ConfigSettings& s) { return TrueFalse(s.*field); }};
}
// True unless the value is exactly "FALSE".
Key InvertedKey(std::string name, bool ConfigSettings::*field) {
  return {std::move(name),
          [field](ConfigSettings& s, const std::string& v) { s.*field = v != kFalse; },
          [field](const ConfigSettings& s) { return TrueFalse(s.*field); }};
}
Key OneZeroKey(std::string name, bool ConfigSettings::*field) {
  return {std::move(name),
          [field](ConfigSettings& s, const std::string& v) { s.*field = v == "1"; },
          [field](const ConfigSettings& s) { return OneZero(s.*field); }};
}
Key ModuleNumberKey(const char* prefix, PerModule<int32_t> ConfigSettings::*field) {
  return {PerModuleKey(prefix),
          [field](ConfigSettings& s, const std::string& v) { (s.*field)[M()] = Number(v); },
          [field](const ConfigSettings& s) { return NumberText((s.*field)[M()]); }};
}
Key ModuleOneZeroKey(const char* prefix, PerModule<bool> ConfigSettings::*field) {
  return {PerModuleKey(prefix),
          [field](ConfigSettings& s, const std::string& v) { (s.*field)[M()] = v == "1"; },
          [field](const ConfigSettings& s) { return OneZero((s.*field)[M()]); }};
}
// A palette 6 colour: read into the setting and into palette 6; written from palette 6.
Key CustomColorKey(std::string name, int32_t ConfigSettings::*field, Color ColorPalette::*color) {
  return {std::move(name),
          [field, color](ConfigSettings& s, const std::string& v) {
            s.*field = Number(v);
            Palette(6).*color = static_cast<Color>(s.*field);
          },
          [color](const ConfigSettings&) {
            return NumberText(static_cast<int32_t>(Palette(6).*color));
          }};
}

// The keys of QXACC.CFG, those this program writes first and in writing order.
const std::vector<Key>& ConfigKeys() {
  static const std::vector<Key> keys = [] {
    using S = ConfigSettings;
    std::vector<Key> k;
    k.push_back(NumberKey("LOOKANDFEEL", &S::look_and_feel));
    k.push_back(NumberKey("LOOKANDFEEL_MENU", &S::look_and_feel_menu));
    k.push_back(NumberKey("COMPANYBARWIDTH", &S::company_bar_width));
    k.push_back(NumberKey("PASSSETTING", &S::pass_setting));
    k.push_back(NumberKey("PREVIEWSETTING", &S::preview_setting));
    k.push_back(TextKey("DEFAULT_PRINTERNAME", &S::default_printer_name));
    k.push_back(TrueFalseKey("REPORTDISPLAYZERO", &S::report_display_zero));
    k.push_back(TrueFalseKey("SHOWPRINTDIALOG", &S::show_print_dialog));
    k.push_back(OneZeroKey("ASKFORENTERDATE", &S::ask_for_enter_date));
    k.push_back(OneZeroKey("ASKFORENTERDATE_PR", &S::ask_for_enter_date_pr));
    k.push_back(OneZeroKey("SHOWTIPONSTART", &S::show_tip_on_start));
    k.push_back(OneZeroKey("SHOWTIPONSTART_PR", &S::show_tip_on_start_pr));
    k.push_back(OneZeroKey("SHOWSOFTWARETYPE", &S::show_software_type));
    k.push_back(TrueFalseKey("GL_USESMARTMOVE", &S::gl_use_smart_move));
    k.push_back(TrueFalseKey("AR_USEPAIDOLDSTYLE", &S::ar_use_paid_old_style));
    k.push_back(TrueFalseKey("AP_USEPAIDOLDSTYLE", &S::ap_use_paid_old_style));
    k.push_back(TrueFalseKey("IC_PRINTTRANSFER", &S::ic_print_transfer));
    k.push_back(TrueFalseKey("AR_AUTORUNINVOICE", &S::ar_auto_run_invoice));
    k.push_back(ModuleNumberKey("BACKGROUND_TYPE_", &S::background_type));
    k.push_back(ModuleNumberKey("BACKGROUND_COLOR0_", &S::background_color0));
    k.push_back({PerModuleKey("BACKGROUND_PICTURE_"),
                 [](S& s, const std::string& v) { s.background_picture[M()] = v; },
                 [](const S& s) { return s.background_picture[M()]; }});
    k.push_back(ModuleNumberKey("BACKGROUND_TRANSPARENT_", &S::background_transparent));
    k.push_back(ModuleNumberKey("BACKGROUND_POSITION_", &S::background_position));
    k.push_back(ModuleOneZeroKey("BACKGROUND_SHOWCOMPANY_", &S::background_show_company));
    k.push_back(ModuleOneZeroKey("BACKGROUND_SHOWTRANSPARENT_", &S::background_show_transparent));
    k.push_back(
        ModuleOneZeroKey("BACKGROUND_POSITION_FITWIDTH_", &S::background_position_fit_width));
    k.push_back(NumberKey("USER_COLOR_TYPE", &S::user_color_type));
    k.push_back(CustomColorKey("CUSTOM_PANEL_COLOR", &S::custom_panel_color, &ColorPalette::panel));
    k.push_back(
        CustomColorKey("CUSTOM_PANEL_COLORTO", &S::custom_panel_color_to, &ColorPalette::panel_to));
    k.push_back(CustomColorKey("CUSTOM_GRID_COLOR", &S::custom_grid_color, &ColorPalette::grid));
    k.push_back(CustomColorKey("CUSTOM_REPTMENU_COLOR", &S::custom_rept_menu_color,
                               &ColorPalette::report_menu));
    k.push_back(CustomColorKey("CUSTOM_REPTMENU_COLORTO", &S::custom_rept_menu_color_to,
                               &ColorPalette::report_menu_to));
    k.push_back(CustomColorKey("CUSTOM_BACKGROUND_COLOR", &S::custom_background_color,
                               &ColorPalette::background));
    k.push_back({"DEFAULT_MAIN_COLOR",
                 [](S& s, const std::string& v) {
                   const int32_t n = Number(v);
                   s.default_main_color = (n < 1 || n > 5) ? 2 : n;
                 },
                 [](const S& s) { return NumberText(s.default_main_color); }});
    k.push_back(TextKey("APS_DRIVE_LIST", &S::aps_drive_list));
    k.push_back(TextKey("PREXPORT32_DIR", &S::prexport32_dir));
    k.push_back(InvertedKey("AP_PRINTPAYMENTAFTERSAVE", &S::ap_print_payment_after_save));
    k.push_back(InvertedKey("AR_PRINTRECEIPTAFTERSAVE", &S::ar_print_receipt_after_save));
    // Written by SaveCompanySettings only.
    k.push_back(
        {OpenCompanyDirKey(), [](S& s, const std::string& v) { s.open_company_dir = v; }, nullptr});
    k.push_back({OpenCompanyCompanyKey(),
                 [](S& s, const std::string& v) { s.open_company_company = v; }, nullptr});
    k.push_back({OpenCompanySelectKey(),
                 [](S& s, const std::string& v) { s.open_company_select = v == "1"; }, nullptr});
    k.push_back({kOpenCompanyColPositionKey,
                 [](S& s, const std::string& v) { s.open_company_col_position = Number(v); },
                 nullptr});
    return k;
  }();
  return keys;
}

// Rules of QXACC.INI, applied to the normalised (space-free, upper-case) value.
Reader IniNumber(int32_t ConfigSettings::*field) {
  return [field](ConfigSettings& s, const std::string& v) { s.*field = Number(v); };
}
// The setting becomes n when the value is `word`; otherwise it is left as it is.
Reader IniBecomes(int32_t ConfigSettings::*field, int32_t n, const char* word) {
  return [field, n, word](ConfigSettings& s, const std::string& v) {
    if (v == word) s.*field = n;
  };
}

const std::vector<Key>& IniKeys() {
  static const std::vector<Key> keys = [] {
    using S = ConfigSettings;
    std::vector<Key> k;
    k.push_back({"WSNUMBER", IniNumber(&S::ws_number), nullptr});
    k.push_back({"SAVEMODE",
                 [](S& s, const std::string& v) { s.save_mode = v == kTrue || v == "1"; },
                 nullptr});
    k.push_back({"VIEWREPTBUFSIZE",
                 [](S& s, const std::string& v) {
                   s.view_rept_buf_size = static_cast<uint8_t>(Number(v) & 0xFF);
                 },
                 nullptr});
    k.push_back({"PRINTWAREHOUSE", IniNumber(&S::print_warehouse), nullptr});
    k.push_back({"CHECKSTOCKTYPE", IniBecomes(&S::check_stock_type, 2, "2"), nullptr});
    k.push_back(
        {"VIEWREPTTHAIBLANK",
         [](S& s, const std::string& v) { s.view_rept_thai_blank = v == kFalse || v == "0"; },
         nullptr});
    k.push_back({"VATSORTTYPE", IniBecomes(&S::vat_sort_type, 2, "2"), nullptr});
    k.push_back({"PRINTTOSCREEN", IniBecomes(&S::print_to_screen, 1, kTrue), nullptr});
    k.push_back({"BEGINBALANCETYPE", IniBecomes(&S::begin_balance_type, 2, "2"), nullptr});
    k.push_back({"INVCALCVATTYPE", IniBecomes(&S::inv_calc_vat_type, 2, "2"), nullptr});
    k.push_back({"INVOICEOLDFORM", IniBecomes(&S::invoice_old_form, 2, kTrue), nullptr});
    k.push_back({"HISTREPTINCLUDEVAT", IniBecomes(&S::hist_rept_include_vat, 2, kTrue), nullptr});
    k.push_back({"AUDITTRAILOFF", IniBecomes(&S::audit_trail_off, 2, kTrue), nullptr});
    k.push_back({"DEFEATLOCALCACHE", IniBecomes(&S::defeat_local_cache, 1, kTrue), nullptr});
    k.push_back({"BTINITISAM_FREE", IniNumber(&S::btinitisam_free), nullptr});
    k.push_back({"PROVIDEUSEDEPT_TFB", IniBecomes(&S::provide_use_dept_tfb, 1, kTrue), nullptr});
    k.push_back({"USEVENDORITEM", IniBecomes(&S::use_vendor_item, 2, kFalse), nullptr});
    k.push_back({"DECOFAMOUNT_IC", IniNumber(&S::dec_of_amount_ic), nullptr});
    k.push_back({"ALLOWEDITUNITLEVEL1", IniBecomes(&S::allow_edit_unit_level1, 2, kTrue), nullptr});
    k.push_back({"TAXREPORT2TYPE", IniNumber(&S::tax_report2_type), nullptr});
    k.push_back({"PO_USECOMPONENT",
                 [](S& s, const std::string& v) { s.po_use_component = v == kTrue; }, nullptr});
    k.push_back(
        {"DESCOFINVOICESHOWZERO", IniBecomes(&S::desc_of_invoice_show_zero, 2, kTrue), nullptr});
    k.push_back(
        {"QTYOFINVOICESHOWCOMMA", IniBecomes(&S::qty_of_invoice_show_comma, 2, kFalse), nullptr});
    k.push_back({"TAX1USENEXTMONTH", IniBecomes(&S::tax1_use_next_month, 2, kTrue), nullptr});
    k.push_back({"SOCIALMAXAGES", IniNumber(&S::social_max_ages), nullptr});
    k.push_back({"CITIBANK_USETRANSREFNO", IniNumber(&S::citibank_use_trans_ref_no), nullptr});
    k.push_back({"KTB_USENEWFORMAT", IniBecomes(&S::ktb_use_new_format, 2, kTrue), nullptr});
    k.push_back({"USEOLDBACKUPNAME", IniBecomes(&S::use_old_backup_name, 2, kTrue), nullptr});
    k.push_back({"PR_CUSTOMOVERTIME", IniBecomes(&S::pr_custom_overtime, 2, kTrue), nullptr});
    k.push_back({"BALANCESHEET_NAME", [](S& s, const std::string& v) { s.balance_sheet_name = v; },
                 nullptr});
    k.push_back(
        {"TRANSFILLVATOLDTYPE", IniBecomes(&S::trans_fill_vat_old_type, 2, kTrue), nullptr});
    const Reader branch = [](S& s, const std::string& v) {
      const int32_t n = Number(v);
      if (n == -1) {
        s.branch_fill_zero = 0;
        s.branch_no_fill_zero = true;
      } else {
        s.branch_fill_zero = (n < 0 || n > 9) ? 0 : n;
      }
    };
    k.push_back({"BRANCHFILLZERO", branch, nullptr});
    k.push_back({"BRANCHNOFILLZERO", branch, nullptr});
    k.push_back({"ALLOWENDWITHSPACE",
                 [](S& s, const std::string& v) {
                   if (v == kTrue) s.allow_end_with_space = true;
                 },
                 nullptr});
    return k;
  }();
  return keys;
}

// Applies "KEY=value" when KEY is one of `keys`, exactly as written, and the value is not empty.
bool ApplyLine(std::string_view line, const std::vector<Key>& keys) {
  if (line.empty() || line[0] == ';') return false;
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  const std::string_view name = line.substr(0, eq);
  const std::string value(line.substr(eq + 1));
  for (const Key& key : keys) {
    if (key.name == name) {
      if (value.empty()) return false;
      key.read(Settings(), value);
      return true;
    }
  }
  return false;
}

// Reads a settings file line by line; false when it could not be opened.
bool ReadSettingsFile(const std::string& path, int attempts, bool (*parse)(std::string_view)) {
  std::string content;
  if (ReadFileWithRetry(CurrentEnv(), path, attempts, &content) != platform::kErrNone) return false;
  for (const std::string& line : SplitLines(content)) parse(line);
  return true;
}

// Loads QXACC.CFG as a line table for a save. A missing file gives an empty table; a file that
// exists but cannot be read is an error, so that a save never replaces lines it did not see.
int LoadTableForSave(LineTable* table) {
  platform::Env* env = CurrentEnv();
  table->clear();
  if (!env->FileExists(ConfigFilePath())) return platform::kErrNone;
  return ReadLineTable(env, ConfigFilePath(), table);
}

int WriteTable(const LineTable& table) {
  return ReplaceFile(CurrentEnv(), ConfigFilePath(), JoinLinesCrLf(table, /*skip_empty=*/true));
}

std::string ModuleVariant(const char* key) {
  std::string k = key;
  if (kModuleIndex == 7) k += "_PR";
  return k;
}

}  // namespace

const char* OpenCompanyDirKey() {
  static const std::string key = ModuleVariant("OPENCOMPANY_DIR");
  return key.c_str();
}
const char* OpenCompanyCompanyKey() {
  static const std::string key = ModuleVariant("OPENCOMPANY_COMPANY");
  return key.c_str();
}
const char* OpenCompanySelectKey() {
  static const std::string key = ModuleVariant("OPENCOMPANY_SELECT");
  return key.c_str();
}

bool ParseConfigLine(std::string_view line) { return ApplyLine(line, ConfigKeys()); }

bool ParseIniLine(std::string_view line) {
  std::string normal;
  normal.reserve(line.size());
  for (char c : line) {
    if (c != ' ') normal += c;
  }
  return ApplyLine(util::UpperCaseAscii(normal), IniKeys());
}

bool IsDwmCompositionEnabled() { return platform::IsDwmCompositionEnabled(); }

void LoadConfiguration() {
  ConfigSettings& s = Settings();
  if (ReadSettingsFile(ConfigFilePath(), kConfigOpenAttempts, &ParseConfigLine)) {
    if (s.look_and_feel == -1) {
      if (CurrentEnv()->WindowsVersion() / 100 < 6) {
        s.look_and_feel = 0;
      } else {
        s.look_and_feel = IsDwmCompositionEnabled() ? 0 : 2;
      }
      SaveConfiguration();
    }
  }
  ReadSettingsFile(kIniFileName, kIniOpenAttempts, &ParseIniLine);
  ApplyColorScheme();
}

int SaveConfiguration() {
  LineTable table;
  const int err = LoadTableForSave(&table);
  if (err != platform::kErrNone) return err;
  const ConfigSettings& s = Settings();
  for (const Key& key : ConfigKeys()) {
    if (key.write) SetSettingLine(table, key.name, key.write(s));
  }
  return WriteTable(table);
}

int SaveCompanySettings() {
  LineTable table;
  const int err = LoadTableForSave(&table);
  if (err != platform::kErrNone) return err;
  const ConfigSettings& s = Settings();
  SetSettingLine(table, OpenCompanyDirKey(), s.open_company_dir);
  SetSettingLine(table, OpenCompanyCompanyKey(), s.open_company_company);
  SetSettingLine(table, OpenCompanySelectKey(), OneZero(s.open_company_select));
  SetSettingLine(table, kOpenCompanyColPositionKey, NumberText(s.open_company_col_position));
  return WriteTable(table);
}

int DisableAutoSelect() {
  Settings().open_company_select = false;
  return SaveCompanySettings();
}

}  // namespace config
