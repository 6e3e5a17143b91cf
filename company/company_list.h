// The company list: the file USERDRV.INI in the start-up directory (one company per line,
// "name;dataDir" optionally followed by "|templateDir"), its 90-slot in-memory table, and the
// edits of the table. The Open Company dialog model (open_company_dialog.h) owns a CompanyGrid
// and is the only caller of the load and save operations.
//
// Contract that is easy to get wrong:
//  * Slots are positions: slot k is line k of the file and data row k of the grid. Empty slots
//    between filled ones stay where they are; nothing compacts the table.
//  * Only the first 90 lines are read; a save always writes exactly 90 lines (CR LF each), an
//    empty slot as an empty line.
//  * EnsureCompanyList and LoadAndStoreToGrid make the start-up directory current and leave it
//    so; the dialog restores the previous directory when it closes. SaveCompanyList uses the
//    full path and does not touch the current directory.
//  * Insert and delete leave RememberedSlot at its number; move up/down carry it along.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace company {

inline constexpr char kCompanyListFile[] = "USERDRV.INI";
inline constexpr char kOldCompanyListFile[] = "USERDRV.DEF";
inline constexpr char kDefaultDataDirSuffix[] = "\\DATAFILE";
inline constexpr char kDemoMarker[] = "DATADEMO";
inline constexpr char kDefaultTemplateSuffix[] = "\\Template";

constexpr int kSlotCount = 90;

struct CompanyEntry {
  std::string name;          // display name, may be empty, never contains ';'
  std::string data_dir;      // empty: not set up, cannot be chosen
  std::string template_dir;  // empty: start-up directory + "\Template"

  bool IsEmpty() const { return name.empty() && data_dir.empty(); }
  bool IsSetUp() const { return !data_dir.empty(); }
  bool operator==(const CompanyEntry&) const = default;
};

// Splits one line of USERDRV.INI; false (and *entry untouched) for a line without ';'.
bool ParseCompanyLine(std::string_view line, CompanyEntry* entry);
// The line of one slot: "" for an empty slot, else name;dataDir[|templateDir].
std::string FormatCompanyLine(const CompanyEntry& entry);

// The table as the company grid holds it, with the values derived while loading and the
// dialog flags that the table edits set.
struct CompanyGrid {
  std::array<CompanyEntry, kSlotCount> slots;  // slot k at index k - 1
  int current_row = 1;                         // 1..90
  int top_row = 1;                             // first data row visible
  int visible_rows = 10;                       // data rows the view shows at once
  int remembered_slot = 0;                     // 0: none
  int count_set_up_entries = 0;
  bool just_created = false;
  bool list_modified = false;
  bool auto_select_checked = false;  // the dialog's auto-select check box

  CompanyEntry& Slot(int k) { return slots[static_cast<size_t>(k - 1)]; }
  const CompanyEntry& Slot(int k) const { return slots[static_cast<size_t>(k - 1)]; }
  CompanyEntry& Current() { return Slot(current_row); }
  const CompanyEntry& Current() const { return Slot(current_row); }

  // Makes row k current, scrolling it into view the way the grid does.
  void MakeCurrent(int k);
};

// Makes sure USERDRV.INI exists in the start-up directory: kept when present, else converted
// from USERDRV.DEF, else created with the single line ";" + start-up directory + "\DATAFILE"
// (which sets grid->just_created). Returns whether the file exists afterwards.
bool EnsureCompanyList(CompanyGrid* grid);

// Builds USERDRV.INI from USERDRV.DEF (";" + each non-empty line, no limit); false when
// USERDRV.DEF does not exist or USERDRV.INI cannot be written.
bool ConvertCompanyListDef();

// Loads USERDRV.INI into the slots (after LoadConfiguration, so that the remembered company is
// the stored one), makes the remembered slot current (the last match wins), counts the set-up
// entries and ticks the auto-select box when the remembered company is listed and the option
// is on. Without the file the slots keep what they hold.
void LoadAndStoreToGrid(CompanyGrid* grid);

// Writes the 90 slots to start-up directory + "\USERDRV.INI". Returns 0 or the OS error (the
// old file is then intact).
int SaveCompanyList(const CompanyGrid& grid);

// Table edits on the current slot; each sets list_modified.
void InsertSlot(CompanyGrid* grid);
void DeleteSlot(CompanyGrid* grid);
void MoveSlotUp(CompanyGrid* grid);
void MoveSlotDown(CompanyGrid* grid);

// True when no slot is set up, or exactly one is and its dataDir contains "DATADEMO".
bool IsNoCompanyOrDemoOnly(const CompanyGrid& grid);

}  // namespace company
