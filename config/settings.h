// The process-wide settings record filled from the per-user file QXACC.CFG and the
// company-level file QXACC.INI, with the defaults every setting has before it is ever read,
// and the company chosen in the Open Company dialog, which lives beside them but is never
// stored in either file.
//
// Called by: configuration.cpp (loading and saving), the colour scheme, the company dialogs
// (the OPENCOMPANY settings and the Selected* results), the start-up sequence (SAVEMODE).
//
// Contract that is easy to get wrong:
//  * Loading assigns only the settings whose keys occur in a file; it never resets anything to
//    its default. ResetSettings() is the only way back to the defaults (tests, a fresh start).
//  * Per-module settings are arrays indexed by ModuleIndex - 1 (GL is index 1, so element 0).
//    This program is module GL and reads and writes only the GL element.
//  * Several QXACC.INI settings only ever move from their default to a fixed value N; a later
//    line with another value leaves them at N.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace config {

constexpr int kModuleCount = 8;
// This program's module: 1, code "GL". Fixed for the whole run.
constexpr int kModuleIndex = 1;
// Module codes by ModuleIndex 1..8 ("GL", "IC", "AP", "AR", "BI", "PO", "PR", "PS"); an index
// outside 1..8 gives "".
const char* ModuleCode(int module_index);

template <typename T>
using PerModule = std::array<T, kModuleCount>;

struct ConfigSettings {
  ConfigSettings();

  // QXACC.CFG, keys this program writes (in writing order).
  int32_t look_and_feel = -1;  // -1: not chosen yet; decided on load
  int32_t look_and_feel_menu = 0;
  int32_t company_bar_width = 6;
  int32_t pass_setting = 0;
  int32_t preview_setting = 2;
  std::string default_printer_name = "Default";
  bool report_display_zero = false;
  bool show_print_dialog = false;
  bool ask_for_enter_date = true;
  bool ask_for_enter_date_pr = true;
  bool show_tip_on_start = true;
  bool show_tip_on_start_pr = true;
  bool show_software_type = true;
  bool gl_use_smart_move = false;
  bool ar_use_paid_old_style = true;
  bool ap_use_paid_old_style = true;
  bool ic_print_transfer = true;
  bool ar_auto_run_invoice = false;
  PerModule<int32_t> background_type;
  PerModule<int32_t> background_color0;
  PerModule<std::string> background_picture;  // default placed by InitEnvironment
  PerModule<int32_t> background_transparent;
  PerModule<int32_t> background_position;
  PerModule<bool> background_show_company;
  PerModule<bool> background_show_transparent;
  PerModule<bool> background_position_fit_width;
  int32_t user_color_type = 1;  // palette number the windows use, 1..6
  // Palette 6 as stored (Windows colour values 0x00BBGGRR); copied into Palettes() on reading.
  int32_t custom_panel_color = 0;
  int32_t custom_panel_color_to = 0;
  int32_t custom_grid_color = 0;
  int32_t custom_rept_menu_color = 0;
  int32_t custom_rept_menu_color_to = 0;
  int32_t custom_background_color = 0;
  int32_t default_main_color = 2;  // colour scheme 1..5; anything else read becomes 2
  std::string aps_drive_list;
  std::string prexport32_dir = "C:\\";
  bool ap_print_payment_after_save = true;  // false only for "FALSE"
  bool ar_print_receipt_after_save = true;  // false only for "FALSE"

  // QXACC.CFG, keys written by the company dialog.
  std::string open_company_dir;
  std::string open_company_company;
  bool open_company_select = false;
  int32_t open_company_col_position = 0;  // 0: keep the designed width

  // QXACC.INI (read only).
  int32_t ws_number = 1;
  bool save_mode = false;
  uint8_t view_rept_buf_size = 3;
  int32_t print_warehouse = 0;
  int32_t check_stock_type = 0;
  bool view_rept_thai_blank = false;
  int32_t vat_sort_type = 0;
  int32_t print_to_screen = 0;
  int32_t begin_balance_type = 0;
  int32_t inv_calc_vat_type = 0;
  int32_t invoice_old_form = 0;
  int32_t hist_rept_include_vat = 0;
  int32_t audit_trail_off = 0;
  int32_t defeat_local_cache = 0;
  int32_t btinitisam_free = 0;
  int32_t provide_use_dept_tfb = 0;
  int32_t use_vendor_item = 0;
  int32_t dec_of_amount_ic = 0;
  int32_t allow_edit_unit_level1 = 0;
  int32_t tax_report2_type = 0;
  bool po_use_component = false;
  int32_t desc_of_invoice_show_zero = 0;
  int32_t qty_of_invoice_show_comma = 0;
  int32_t tax1_use_next_month = 0;
  int32_t social_max_ages = 0;
  int32_t citibank_use_trans_ref_no = 0;
  int32_t ktb_use_new_format = 0;
  int32_t use_old_backup_name = 0;
  int32_t pr_custom_overtime = 0;
  std::string balance_sheet_name;  // default set by the constructor (Thai, code page 874)
  int32_t trans_fill_vat_old_type = 0;
  int32_t branch_fill_zero = 0;       // BRANCHFILLZERO and BRANCHNOFILLZERO
  bool branch_no_fill_zero = false;   // set when either key reads -1
  bool allow_end_with_space = false;  // never set back to false

  // The chosen company (set by the Open Company dialog, never stored).
  std::string selected_data_dir;
  std::string selected_company_name;
  std::string selected_template_dir;  // empty: start-up directory + "\Template"
};

ConfigSettings& Settings();

// Puts every setting back to its default, including the path-dependent defaults derived from
// the current StartupDirectory() (background pictures) and the company bar width.
void ResetSettings();

// Places the defaults that depend on the start-up directory (the background picture of each
// module) and the company bar width; InitEnvironment calls it.
void PlacePathDefaults();

}  // namespace config
