#include "company/company_list.h"

#include <algorithm>
#include <utility>

#include "config/configuration.h"
#include "config/environment.h"
#include "config/lines.h"
#include "config/settings.h"
#include "platform/env.h"
#include "util/text.h"

namespace company {
namespace {

std::string InStartup(const char* name) {
  return platform::JoinPath(config::StartupDirectory(), name);
}

void EnterStartupDirectory() {
  config::CurrentEnv()->SetCurrentDirectory(config::StartupDirectory());
}

// Rows a grid keeps below the top row when it scrolls a remembered row to the top.
constexpr int kScrollMargin = 6;

}  // namespace

bool ParseCompanyLine(std::string_view line, CompanyEntry* entry) {
  const size_t semi = line.find(';');
  if (semi == std::string_view::npos) return false;
  const std::string_view rest = line.substr(semi + 1);
  const size_t bar = rest.find('|');
  entry->name = std::string(line.substr(0, semi));
  if (bar == std::string_view::npos) {
    entry->data_dir = std::string(rest);
    entry->template_dir.clear();
  } else {
    entry->data_dir = std::string(rest.substr(0, bar));
    entry->template_dir = std::string(rest.substr(bar + 1));
  }
  return true;
}

std::string FormatCompanyLine(const CompanyEntry& entry) {
  if (entry.IsEmpty()) return std::string();
  std::string line = entry.name + ";" + entry.data_dir;
  if (!entry.template_dir.empty()) line += "|" + entry.template_dir;
  return line;
}

void CompanyGrid::MakeCurrent(int k) {
  if (k < 1) k = 1;
  if (k > kSlotCount) k = kSlotCount;
  current_row = k;
  const int visible = visible_rows < 1 ? 1 : visible_rows;
  if (k < top_row) top_row = k;
  if (k >= top_row + visible) top_row = k - visible + 1;
}

bool ConvertCompanyListDef() {
  platform::Env* env = config::CurrentEnv();
  const std::string def = InStartup(kOldCompanyListFile);
  if (!env->FileExists(def)) return false;
  config::LineTable old_lines;
  if (config::ReadLineTable(env, def, &old_lines) != platform::kErrNone) return false;
  config::LineTable lines;
  for (const std::string& dir : old_lines) {
    if (!dir.empty()) lines.push_back(";" + dir);
  }
  return config::ReplaceFile(env, InStartup(kCompanyListFile),
                             config::JoinLinesCrLf(lines, /*skip_empty=*/false)) ==
         platform::kErrNone;
}

bool EnsureCompanyList(CompanyGrid* grid) {
  platform::Env* env = config::CurrentEnv();
  EnterStartupDirectory();
  const std::string ini = InStartup(kCompanyListFile);
  if (env->FileExists(ini)) return true;
  if (ConvertCompanyListDef()) return true;
  const std::string line = ";" + config::StartupDirectory() + kDefaultDataDirSuffix + "\r\n";
  platform::WriteWholeFile(env, ini, line);
  grid->just_created = true;
  return env->FileExists(ini);
}

void LoadAndStoreToGrid(CompanyGrid* grid) {
  platform::Env* env = config::CurrentEnv();
  EnterStartupDirectory();
  grid->count_set_up_entries = 0;
  const std::string ini = InStartup(kCompanyListFile);
  if (!env->FileExists(ini)) return;

  config::LoadConfiguration();
  const config::ConfigSettings& s = config::Settings();
  const std::string remembered_name = util::UpperCaseAscii(s.open_company_company);
  const std::string remembered_dir = util::UpperCaseAscii(s.open_company_dir);

  config::LineTable lines;
  config::ReadLineTable(env, ini, &lines);
  grid->remembered_slot = 0;
  // The table mirrors the file: a line without ';' (or a missing line) is an empty slot.
  grid->slots.fill(CompanyEntry());
  const int count = static_cast<int>(std::min<size_t>(lines.size(), kSlotCount));
  for (int k = 1; k <= count; ++k) {
    CompanyEntry entry;
    if (!ParseCompanyLine(lines[static_cast<size_t>(k - 1)], &entry)) continue;
    grid->Slot(k) = entry;
    if (util::UpperCaseAscii(entry.name) == remembered_name &&
        util::UpperCaseAscii(entry.data_dir) == remembered_dir) {
      grid->MakeCurrent(k);
      grid->remembered_slot = k;
    }
    if (!entry.data_dir.empty()) ++grid->count_set_up_entries;
  }
  if (grid->current_row != 1 && grid->top_row != 1 &&
      grid->current_row + kScrollMargin < kSlotCount + 1) {
    grid->top_row = grid->current_row;
  }
  grid->auto_select_checked = grid->remembered_slot != 0 && s.open_company_select;
}

int SaveCompanyList(const CompanyGrid& grid) {
  config::LineTable lines;
  lines.reserve(kSlotCount);
  for (const CompanyEntry& entry : grid.slots) lines.push_back(FormatCompanyLine(entry));
  return config::ReplaceFile(config::CurrentEnv(), InStartup(kCompanyListFile),
                             config::JoinLinesCrLf(lines, /*skip_empty=*/false));
}

void InsertSlot(CompanyGrid* grid) {
  const int r = grid->current_row;
  for (int k = kSlotCount; k > r; --k) grid->Slot(k) = grid->Slot(k - 1);
  grid->Slot(r) = CompanyEntry();
  grid->list_modified = true;
}

void DeleteSlot(CompanyGrid* grid) {
  const int r = grid->current_row;
  for (int k = r; k < kSlotCount; ++k) grid->Slot(k) = grid->Slot(k + 1);
  grid->Slot(kSlotCount) = CompanyEntry();
  grid->list_modified = true;
}

namespace {

void Exchange(CompanyGrid* grid, int from, int to) {
  std::swap(grid->Slot(from), grid->Slot(to));
  if (grid->remembered_slot == from) {
    grid->remembered_slot = to;
  } else if (grid->remembered_slot == to) {
    grid->remembered_slot = from;
  }
  grid->MakeCurrent(to);
}

}  // namespace

void MoveSlotUp(CompanyGrid* grid) {
  if (grid->current_row > 1) Exchange(grid, grid->current_row, grid->current_row - 1);
  grid->list_modified = true;
}

void MoveSlotDown(CompanyGrid* grid) {
  if (grid->current_row < kSlotCount) Exchange(grid, grid->current_row, grid->current_row + 1);
  grid->list_modified = true;
}

bool IsNoCompanyOrDemoOnly(const CompanyGrid& grid) {
  int count = 0;
  bool demo = false;
  for (const CompanyEntry& entry : grid.slots) {
    if (entry.data_dir.empty()) continue;
    ++count;
    if (entry.data_dir.find(kDemoMarker) != std::string::npos) demo = true;
  }
  return count == 0 || (count == 1 && demo);
}

}  // namespace company
