#include "app/import.h"

#include "datafiles/customer_key.h"
#include "fileaccess/access.h"
#include "fileaccess/end_program.h"
#include "isam/isam.h"

namespace app {
namespace {

using datafiles::CustomerRecord;

constexpr int kColCode = 0;
constexpr size_t kMaxCodeLength = 10;
constexpr int kCustomerKeyCount = 2;
constexpr int32_t kCodeKey = 1;
constexpr int32_t kDuplicateKeyStatus = 10230;  // "Cannot add duplicate key"

std::string CustomerKeyOf(const void* record, int key_number) {
  return datafiles::CustomerKey(record, key_number);
}

}  // namespace

const char* OutcomeName(RowOutcome outcome) {
  switch (outcome) {
    case RowOutcome::kAdded:
      return "added";
    case RowOutcome::kSkippedEmptyCode:
      return "skipped-empty-code";
    case RowOutcome::kSkippedLongCode:
      return "skipped-long-code";
    case RowOutcome::kSkippedExists:
      return "skipped-exists";
    case RowOutcome::kRefused:
      return "refused";
    case RowOutcome::kStopped:
      return "stopped";
    case RowOutcome::kNotReached:
      return "not-reached";
  }
  return "not-reached";
}

void ImportSummary::Count(RowOutcome outcome) {
  switch (outcome) {
    case RowOutcome::kAdded:
      ++added;
      break;
    case RowOutcome::kSkippedEmptyCode:
      ++skipped_empty_code;
      break;
    case RowOutcome::kSkippedLongCode:
      ++skipped_long_code;
      break;
    case RowOutcome::kSkippedExists:
      ++skipped_exists;
      break;
    case RowOutcome::kRefused:
      ++refused;
      break;
    case RowOutcome::kStopped:
      break;  // recorded as stopped_at_row
    case RowOutcome::kNotReached:
      ++not_reached;
      break;
  }
}

void ImportRow(const CsvTable& table, int row, const ImportTarget& target, CustomerRecord& buffer,
               RowReport& report) {
  report = RowReport{};
  report.row = row;
  const std::string_view code = table.Cell(kColCode, row);
  report.code = std::string(code);
  if (code.empty()) {
    report.outcome = RowOutcome::kSkippedEmptyCode;
    return;
  }
  if (code.size() > kMaxCodeLength) {
    report.outcome = RowOutcome::kSkippedLongCode;
    return;
  }

  int32_t n = 0;
  fileaccess::FindWithRetry(target.customer_file, kCodeKey, n, report.code);
  report.status = isam::StatusCode();
  if (fileaccess::AccessOk()) {
    report.outcome = RowOutcome::kSkippedExists;
    report.record = n;
    return;
  }
  if (fileaccess::EndRequested()) {
    report.outcome = RowOutcome::kRefused;
    return;
  }

  if (!FillCustomerRecord(table, row, buffer)) {
    report.outcome = RowOutcome::kStopped;
    return;
  }
  n = 0;
  fileaccess::AddWithKeys(target.customer_file, CustomerKeyOf, kCustomerKeyCount, buffer.data(), n);
  report.status = isam::StatusCode();
  if (fileaccess::AccessOk()) {
    report.outcome = RowOutcome::kAdded;
    report.record = n;
  } else {
    report.outcome = RowOutcome::kRefused;
    // The add's own status is gone once the set has been unlocked again; a refusal by the
    // unique code index shows as the stored (upper-cased) code being present now.
    if (report.status == 0 && !fileaccess::EndRequested()) {
      int32_t existing = 0;
      fileaccess::FindWithRetry(target.customer_file, kCodeKey, existing,
                                datafiles::CustomerKey(buffer, kCodeKey));
      if (fileaccess::AccessOk()) report.status = kDuplicateKeyStatus;
    }
  }
}

ImportSummary ImportAllRows(const CsvTable& table, const ImportTarget& target) {
  ImportSummary summary;
  summary.rows = table.RowCount() > 1 ? table.RowCount() - 1 : 0;
  if (target.observer != nullptr) target.observer->OnImportStart(summary.rows);

  CustomerRecord buffer;
  bool halted = false;
  RowReport report;
  for (int row = 1; row < table.RowCount(); ++row) {
    if (halted) {
      report = RowReport{};
      report.row = row;
      report.code = std::string(table.Cell(kColCode, row));
      report.outcome = RowOutcome::kNotReached;
    } else {
      ImportRow(table, row, target, buffer, report);
      if (report.outcome == RowOutcome::kStopped) {
        summary.stopped_at_row = row;
        halted = true;
      }
      if (fileaccess::EndRequested()) {
        summary.ended = true;
        halted = true;
      }
    }
    summary.Count(report.outcome);
    if (target.observer != nullptr) target.observer->OnRow(report);
  }
  return summary;
}

}  // namespace app
