#include "app/header_check.h"

namespace app {
namespace {

bool OccursIn(std::string_view cell, std::string_view title) {
  return !cell.empty() && title.find(cell) != std::string_view::npos;
}

}  // namespace

bool HeaderPasses(const CsvTable& table) {
  return table.ColumnCount() >= kMinimumColumns && OccursIn(table.Cell(0, 0), kTitleCode) &&
         OccursIn(table.Cell(1, 0), kTitleName) && OccursIn(table.Cell(15, 0), kTitleBilling1);
}

}  // namespace app
