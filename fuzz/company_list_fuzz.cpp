// Fuzz target: the company list. The parts of the input are USERDRV.INI, USERDRV.DEF and
// QXACC.CFG; the first byte chooses which exist and which table edits run. The list is made
// sure of, loaded, edited and saved; loading the saved file must give back the same slots.
#include <cstddef>
#include <cstdint>
#include <string>

#include "company/company_list.h"
#include "config/configuration.h"
#include "fuzz/fuzz_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::MemEnv* env = fuzz::FreshConfigEnv();
  const uint8_t choice = size > 0 ? data[0] : 0xFF;
  const auto parts = fuzz::SplitParts(data + (size > 0 ? 1 : 0), size > 0 ? size - 1 : 0, 3);
  if (choice & 1) env->Put(company::kCompanyListFile, parts[0]);
  if (choice & 2) env->Put(company::kOldCompanyListFile, parts[1]);
  if (choice & 4) env->Put(config::kConfigFileName, parts[2]);

  static company::CompanyGrid grid;
  grid = company::CompanyGrid();
  fuzz::Check(company::EnsureCompanyList(&grid), "the company list could not be made");
  company::LoadAndStoreToGrid(&grid);
  fuzz::Check(grid.current_row >= 1 && grid.current_row <= company::kSlotCount,
              "current row outside the table");
  fuzz::Check(grid.count_set_up_entries >= 0 && grid.count_set_up_entries <= company::kSlotCount,
              "set-up count outside the table");

  // Table edits around the current slot.
  grid.MakeCurrent(1 + (choice >> 3) % company::kSlotCount);
  if (choice & 0x08) company::MoveSlotDown(&grid);
  if (choice & 0x10) company::MoveSlotUp(&grid);
  if (choice & 0x20) company::InsertSlot(&grid);
  if (choice & 0x40) company::DeleteSlot(&grid);
  fuzz::Check(grid.current_row >= 1 && grid.current_row <= company::kSlotCount,
              "an edit moved the current row outside the table");
  company::IsNoCompanyOrDemoOnly(grid);

  fuzz::Check(company::SaveCompanyList(grid) == 0, "save failed in memory");
  static company::CompanyGrid reread;
  reread = company::CompanyGrid();
  company::LoadAndStoreToGrid(&reread);
  // A slot with neither name nor folder is an empty line in the file, whatever else it holds.
  for (int k = 1; k <= company::kSlotCount; ++k) {
    const company::CompanyEntry& slot = grid.Slot(k);
    const company::CompanyEntry expected = slot.IsEmpty() ? company::CompanyEntry() : slot;
    fuzz::Check(reread.Slot(k) == expected, "a slot changed on the way through the file");
  }
  return 0;
}
