// The customer import: every data row of a loaded CSV table becomes a new customer of
// ARFILE01 unless its code is unusable or already present. ImportAllRows walks the rows in
// order; ImportRow decides and stores one row; FillCustomerRecord maps a row's cells onto the
// customer record. The main window's controller (main_window.h) runs ImportAllRows from its
// "Import" handler; the batch front end runs the same controller, so both go through here.
//
// Each row's outcome goes to an ImportObserver (record number and engine status included),
// which is how the batch front end builds its report, its rejects file and its progress bar.
// The desktop program passes none.
//
// Contract that is easy to get wrong:
//  * The duplicate test looks the code up exactly as read (not upper-cased, not trimmed); the
//    stored code is upper-cased. So "c001" against an existing "C001" is not found, its add is
//    refused by the unique code index, and nothing changes in the file (kRefused).
//  * A column-12 cell that is not a number in the accepted form stops the loop at that row
//    (kStopped, message kCellNotFloatMessage); the rows before it stay stored, it and the
//    rows after it are not (kNotReached). Importing the same file again stops at the same row.
//  * When the access layer has been asked to end the program (a No at the lock question),
//    the loop goes no further: the row in hand is kRefused and every later row kNotReached.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/csv_table.h"
#include "datafiles/customer_record.h"

namespace isam {
struct FileBlock;
}

namespace app {

enum class RowOutcome {
  kAdded,             // record and both keys stored
  kSkippedEmptyCode,  // code cell empty
  kSkippedLongCode,   // code cell longer than 10 bytes
  kSkippedExists,     // the code (as read) is already under key 1
  kRefused,           // the add was refused (e.g. the upper-cased code exists); nothing stored
  kStopped,           // column 12 could not be read: the import stopped here
  kNotReached,        // after a stop, or after the program was asked to end
};

// "added", "skipped-empty-code", "skipped-long-code", "skipped-exists", "refused", "stopped",
// "not-reached".
const char* OutcomeName(RowOutcome outcome);

struct RowReport {
  int row = 0;       // table row, the first data row is 1
  std::string code;  // the code cell as read (code page 874)
  RowOutcome outcome = RowOutcome::kNotReached;
  std::optional<int32_t> record;  // the new record, or the existing one for kSkippedExists
  std::optional<int32_t> status;  // engine status of the row's last engine call, if any
};

class ImportObserver {
 public:
  virtual ~ImportObserver() = default;
  // Before the first row; `data_rows` is the row count without the title row.
  virtual void OnImportStart(int data_rows) { (void)data_rows; }
  // Once for every data row, in order, including the rows after a stop.
  virtual void OnRow(const RowReport& report) = 0;
};

struct ImportSummary {
  int rows = 0;  // data rows
  int added = 0;
  int skipped_empty_code = 0;
  int skipped_long_code = 0;
  int skipped_exists = 0;
  int refused = 0;
  int not_reached = 0;
  int stopped_at_row = 0;  // 0: not stopped
  bool ended = false;      // the program was asked to end during the import

  void Count(RowOutcome outcome);
};

// Where the import writes: ARFILE01's FileBlock (fileaccess::CustomerFile() in the program).
struct ImportTarget {
  isam::FileBlock* customer_file = nullptr;
  ImportObserver* observer = nullptr;  // may be null
};

// Maps row `row` of `table` onto `record` (cleared first). Returns false when column 12 is not
// a number in the accepted form; the record is then incomplete and must not be stored.
bool FillCustomerRecord(const CsvTable& table, int row, datafiles::CustomerRecord& record);

// One row: skip, or add one customer. Fills `report` (row, code, outcome, record, status).
void ImportRow(const CsvTable& table, int row, const ImportTarget& target,
               datafiles::CustomerRecord& buffer, RowReport& report);

// Rows 1 .. row count - 1 in ascending order. Every row's report goes to the observer.
ImportSummary ImportAllRows(const CsvTable& table, const ImportTarget& target);

}  // namespace app
