// Toolkit-free model of the Open Company window ("Select Directory"): it lists the companies
// of USERDRV.INI, lets the user add, edit, delete, reorder and choose one, remembers the
// choice, the auto-select option and the name column's width in QXACC.CFG, and returns the
// chosen company in Settings().selected_data_dir / selected_company_name /
// selected_template_dir. The start-up sequence creates one model, sets AlwaysShow and calls
// ChooseCompany.
//
// How a view binds to it (OpenCompanyView below):
//  * ChooseCompany runs the show steps (FormShow) itself, then calls
//    view->RunOpenCompanyDialog(*this) when the dialog has not already ended, and runs the
//    close steps (FormClose) itself afterwards. The view only shows state and forwards events,
//    returning from RunOpenCompanyDialog once result() != kNone (the close box forwards
//    Btn_ExitClick()).
//  * Grid1: rows 1..90 show grid().Slot(row).name and .data_dir (column 2 is never shown);
//    IsBold(row) rows are drawn bold; column widths from column_width(c); the user's
//    resizing goes to Grid1ColumnSize (false: refused, keep the old width); a row change goes
//    to Grid1RowChanging(new_row) and a double click to Grid1DblClickCell(row). The current
//    row is grid().current_row, the top visible row grid().top_row; the view tells the model
//    how many data rows it shows in grid().visible_rows via SetVisibleRows().
//  * Btn_Select is enabled per select_enabled(); grid_enabled() is false only while the
//    editor is being created. cxCheckBox1 shows grid().auto_select_checked; a user click calls
//    cxCheckBox1Click(checked).
//  * PopupMenu1: before it opens, call PopupMenu1Popup() and show its captions, enabled
//    states and the tick. Shortcuts (Enter, F5, Insert, Delete, F7, F8, F9, F10, Esc) go to
//    KeyDown().
//  * The company editor and the report-template dialog are requests to the view
//    (RunCompanyEditor / RunReportTemplateDialog); the hourglass cursor is SetBusyCursor.
//
// Contract that is easy to get wrong: ChooseCompany leaves the current directory as it found
// it, though the start-up directory is current while the window is open.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "company/company_editor.h"
#include "company/company_list.h"

namespace company {

class OpenCompanyDialogModel;

class OpenCompanyView {
 public:
  virtual ~OpenCompanyView() = default;
  // Shows the Open Company window modally until model.result() != kNone.
  virtual void RunOpenCompanyDialog(OpenCompanyDialogModel& model) = 0;
  // Shows the filled editor (FormShow already run) modally until editor.result() != kNone.
  virtual void RunCompanyEditor(CompanyEditorModel& editor) = 0;
  // Shows the filled report-template dialog (FormShow already run) until it has a result.
  virtual void RunReportTemplateDialog(ReportTemplateDialogModel& dialog) = 0;
  virtual void SetBusyCursor(bool busy) { (void)busy; }
};

struct MenuItemState {
  std::string caption;  // code page 874
  bool enabled = true;
  bool checked = false;
};

struct PopupMenuState {
  MenuItemState select;           // N9
  MenuItemState edit;             // N5
  MenuItemState insert;           // N3
  MenuItemState remove;           // N2: "ลบ..." or, for an empty slot, "ลบ"
  MenuItemState move_up;          // N1
  MenuItemState move_down;        // N7
  MenuItemState report_template;  // ReportTemplate1, ticked when the slot has a template
};

class OpenCompanyDialogModel {
 public:
  static constexpr std::array<int, 3> kDesignedColumnWidths = {335, 324, 0};

  // FormCreate: AlwaysShow, JustCreated and ListModified cleared.
  explicit OpenCompanyDialogModel(OpenCompanyView* view);

  void SetAlwaysShow(bool always_show) { always_show_ = always_show; }
  bool AlwaysShow() const { return always_show_; }

  // True when a company was chosen; Settings().selected_* then hold it.
  bool ChooseCompany();
  bool TryAutoSelect();
  bool CheckDataDirectory(const std::string& dir);

  void FormShow();
  void FormClose();

  // Commands and events.
  void Btn_SelectClick();
  void Btn_EditClick();
  void Btn_ExitClick();
  void N5Click() { Btn_EditClick(); }
  void N3Click();  // insert
  void N2Click();  // delete
  void N1Click();  // move up
  void N7Click();  // move down
  void ReportTemplate1Click();
  void cxCheckBox1Click(bool checked);
  void FormKeyPress(DialogKey key);
  void KeyDown(DialogKey key);
  void Grid1RowChanging(int new_row);
  void Grid1DblClickCell(int row);
  bool Grid1ColumnSize(int column, int width);
  void SetVisibleRows(int rows);
  PopupMenuState PopupMenu1Popup() const;
  bool IsBold(int row) const;
  // Grid1GetAlignment / Grid1IsFixedCell: the heading row is fixed and centred, data rows
  // are left-aligned.
  static bool Grid1IsFixedCell(int row) { return row == 0; }
  static bool IsCentred(int row) { return row == 0; }
  // The primary band colour of the grid: the grid colour of palette USER_COLOR_TYPE (the
  // secondary band is the system window colour).
  static uint32_t PrimaryBandColor();

  // State the view shows.
  const CompanyGrid& grid() const { return grid_; }
  CompanyGrid& mutable_grid() { return grid_; }
  bool select_enabled() const { return select_enabled_; }
  bool grid_enabled() const { return grid_enabled_; }
  int column_width(int column) const { return column_widths_[static_cast<size_t>(column)]; }
  ModalResult result() const { return result_; }
  bool ListModified() const { return grid_.list_modified; }
  bool JustCreated() const { return grid_.just_created; }
  int RememberedSlot() const { return grid_.remembered_slot; }
  int CountSetUpEntries() const { return grid_.count_set_up_entries; }

 private:
  void UpdateSelectEnabled();

  OpenCompanyView* view_;
  CompanyGrid grid_;
  bool always_show_ = false;
  bool select_enabled_ = false;
  bool grid_enabled_ = true;
  std::array<int, 3> column_widths_ = kDesignedColumnWidths;
  std::string directory_at_show_;
  bool shown_ = false;
  ModalResult result_ = ModalResult::kNone;
};

}  // namespace company
