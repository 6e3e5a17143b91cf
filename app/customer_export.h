// Customers back out of ARFILE01 as an import file: the title row, then one row per record
// with the 20 import columns turned back into text, so that importing the file into an empty
// company stores every record byte for byte as it was. The batch front end's export uses it.
//
// Contract that is easy to get wrong:
//  * The texts are chosen for the import's readers: dates are written dd/mm/yy from their
//    stored characters (the import takes them back by position), whole numbers as unsigned
//    decimals of the stored bits, column 12 as the shortest decimal that reads back to the
//    same 10 bytes, and any field holding the delimiter, a quote or a line end is quoted.
//  * Only what the import can store comes back exactly: records written by the import do; a
//    record another program wrote with bytes the import never produces (text after a field's
//    length, an extended real that is no double, a vertical tab in a text) may not.
//  * The file is comma-separated with CR LF line ends and code page 874 texts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace isam {
struct FileBlock;
}

namespace app {

// The title row of an exported file (without its line end).
std::string ExportTitleRow();
// One exported row (without its line end) for a record of datafiles::CustomerRecord::kLength
// bytes.
std::string ExportRow(const uint8_t* record);

struct ExportResult {
  bool ok = false;
  int64_t records = 0;
  int32_t status = 0;  // the engine status when !ok
};

// Walks key 1 of `customer_file` in order, handing the title row and then each record's row,
// each followed by CR LF, to `sink`. Lock collisions are retried as everywhere else (and may
// end the program, which stops the walk).
ExportResult ExportCustomers(isam::FileBlock* customer_file,
                             const std::function<bool(const std::string& text)>& sink);

}  // namespace app
