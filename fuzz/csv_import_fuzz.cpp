// Fuzz target: an import file as the controller loads it. The bytes are loaded into the CSV
// table, the header check runs, and every row is filled into a customer record whose two keys
// are built, as the import does before each add.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/csv_table.h"
#include "app/header_check.h"
#include "app/import.h"
#include "datafiles/customer_key.h"
#include "datafiles/customer_record.h"
#include "fuzz/mem_env.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  app::CsvTable table;
  const auto result = table.LoadFromBytes(std::string(reinterpret_cast<const char*>(data), size));
  if (!result.ok) {
    fuzz::Check(table.RowCount() == 0, "a failed load leaves the table cleared");
    fuzz::Check(!result.error.empty(), "a failed load names its reason");
    return 0;
  }
  app::HeaderPasses(table);
  datafiles::CustomerRecord record;
  int64_t last_line = 0;
  for (int row = 0; row < table.RowCount(); ++row) {
    fuzz::Check(table.FieldCount(row) <= table.ColumnCount(), "a row wider than the table");
    fuzz::Check(table.FileLine(row) > last_line, "rows start on ascending lines");
    last_line = table.FileLine(row);
    fuzz::Check(table.RawRow(row).size() <= size, "a raw row longer than the file");
    for (int col = 0; col <= table.ColumnCount(); ++col) {
      fuzz::Check(table.Cell(col, row).size() <= size + 2 * size, "a cell longer than possible");
    }
    if (row == 0) continue;
    if (app::FillCustomerRecord(table, row, record)) {
      const std::string code = datafiles::CustomerKey(record, 1);
      const std::string name = datafiles::CustomerKey(record, 2);
      fuzz::Check(code.size() <= datafiles::kCustomerCodeKeyLength, "code key too long");
      fuzz::Check(name.size() == datafiles::kCustomerNameKeyLength, "name key of wrong length");
    }
  }
  fuzz::Check(table.Cell(0, table.RowCount()).empty(), "a cell beyond the table");
  fuzz::Check(table.FieldCount(table.RowCount()) == 0, "fields beyond the table");
  return 0;
}
