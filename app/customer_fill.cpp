#include "app/import.h"
#include "util/dates.h"
#include "util/numbers.h"
#include "util/text.h"

namespace app {
namespace {

using datafiles::CustomerRecord;

// Columns of the import file; columns 20 and beyond are ignored.
enum Column {
  kColCode = 0,
  kColName = 1,
  kColText2 = 2,
  kColText3 = 3,
  kColText4 = 4,
  kColText5 = 5,
  kColText6 = 6,
  kColDebtorType = 7,
  kColText8 = 8,
  kColNumber9 = 9,
  kColDate10 = 10,
  kColNumber11 = 11,
  kColValue12 = 12,
  kColCode13 = 13,
  kColLetter14 = 14,
  kColBilling1 = 15,
  kColByte16 = 16,
  kColByte17 = 17,
  kColDate18 = 18,
  kColDate19 = 19,
};

constexpr size_t kDateCellLength = 8;
constexpr int kDebtorTypeDefault = 1;
constexpr int kDebtorTypeMax = 60;

}  // namespace

bool FillCustomerRecord(const CsvTable& table, int row, CustomerRecord& record) {
  namespace df = datafiles;
  auto cell = [&](int col) { return table.Cell(col, row); };
  auto date_cell = [&](int col) {
    return cell(col).size() == kDateCellLength ? util::ThaiShortToCompact(cell(col))
                                               : std::string();
  };

  record.Clear();  // the engine's four reserved bytes included
  record.Set(df::kCode, util::UpperCaseAscii(cell(kColCode)));
  record.SetName(cell(kColName));
  record.Set(df::kText2, cell(kColText2));
  record.Set(df::kText3, cell(kColText3));
  record.Set(df::kText4, cell(kColText4));
  record.Set(df::kText5, cell(kColText5));
  record.Set(df::kText6, cell(kColText6));

  int debtor_type = kDebtorTypeDefault;
  if (!cell(kColDebtorType).empty()) {
    debtor_type = util::StrToIntNoCommas(cell(kColDebtorType)) & 0xFF;
    if (debtor_type == 0 || debtor_type > kDebtorTypeMax) debtor_type = kDebtorTypeDefault;
  }
  record.Set(df::kDebtorType, debtor_type);

  record.Set(df::kText8, cell(kColText8));
  record.Set(df::kNumber9, util::StrToIntNoCommas(cell(kColNumber9)));
  record.Set(df::kDate10, cell(kColDate10).size() == kDateCellLength
                              ? util::ThaiShortToCompact(cell(kColDate10))
                              : util::ThaiShortToCompact(util::TodayThaiShort()));
  record.Set(df::kNumber11, util::StrToIntNoCommas(cell(kColNumber11)));

  double value = 0;
  if (!util::ParseCellFloat(cell(kColValue12), &value)) return false;
  record.Set(df::kValue12, value);

  record.Set(df::kCode13, cell(kColCode13));
  const std::string letter14 = util::UpperCaseAscii(cell(kColLetter14));
  char letter = letter14.empty() ? '\0' : letter14[0];
  if (letter != '\0' && letter != 'A' && letter != 'B' && letter != 'C') letter = 'A';
  record.Set(df::kLetter14, letter == '\0' ? std::string_view() : std::string_view(&letter, 1));
  record.Set(df::kBilling1, util::StrToIntNoCommas(cell(kColBilling1)));
  record.Set(df::kByte16, util::StrToIntNoCommas(cell(kColByte16)));
  record.Set(df::kByte17, util::StrToIntNoCommas(cell(kColByte17)));
  record.Set(df::kDate18, date_cell(kColDate18));
  record.Set(df::kDate19, date_cell(kColDate19));
  return true;
}

}  // namespace app
