#include "app/customer_export.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/header_check.h"
#include "datafiles/customer_record.h"
#include "fileaccess/access.h"
#include "fileaccess/end_program.h"
#include "isam/isam.h"
#include "util/numbers.h"
#include "util/real80.h"

namespace app {
namespace {

namespace df = datafiles;

constexpr char kDelimiter = ',';
constexpr char kLineEnd[] = "\r\n";
constexpr int kColumns = 20;
constexpr int32_t kEndOfIndex = 10250;

std::string Quoted(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

// The 8-character text whose compact form is the stored date6 (dd/mm/yy from yymmdd).
std::string DateText(const uint8_t* record, df::StringField field) {
  const std::string stored = df::ReadStringField(record, field);
  if (stored.size() != 6) return std::string();
  return stored.substr(4, 2) + "/" + stored.substr(2, 2) + "/" + stored.substr(0, 2);
}

std::string RealText(const uint8_t* bytes) {
  const double value = util::DecodeReal80(bytes);
  bool zero = true;
  for (int i = 0; i < util::kReal80Size; ++i) zero = zero && bytes[i] == 0;
  if (zero) return std::string();
  char text[64];
  for (int precision = 15; precision <= 17; ++precision) {
    std::snprintf(text, sizeof text, "%.*g", precision, value);
    double back = 0;
    uint8_t encoded[util::kReal80Size];
    if (!util::ParseCellFloat(text, &back)) continue;
    util::EncodeReal80(back, encoded);
    if (std::memcmp(encoded, bytes, sizeof encoded) == 0) return text;
  }
  return text;
}

std::string Unsigned16(const uint8_t* record, df::Int16Field f) {
  return std::to_string(record[f.offset] | (record[f.offset + 1] << 8));
}

std::string Byte(const uint8_t* record, df::ByteField f) {
  return std::to_string(record[f.offset]);
}

}  // namespace

std::string ExportTitleRow() {
  std::vector<std::string> titles(kColumns);
  for (int c = 0; c < kColumns; ++c) titles[c] = "Column" + std::to_string(c);
  titles[0] = std::string(kTitleCode);
  titles[1] = std::string(kTitleName);
  titles[15] = std::string(kTitleBilling1);
  std::string row;
  for (int c = 0; c < kColumns; ++c) {
    if (c > 0) row += kDelimiter;
    row += titles[c];
  }
  return row;
}

std::string ExportRow(const uint8_t* r) {
  auto text = [r](df::StringField f) { return df::ReadStringField(r, f); };
  const std::string cells[kColumns] = {
      text(df::kCode),
      text(df::kName) + text(df::kNameOverflow),
      text(df::kText2),
      text(df::kText3),
      text(df::kText4),
      text(df::kText5),
      text(df::kText6),
      Byte(r, df::kDebtorType),
      text(df::kText8),
      Unsigned16(r, df::kNumber9),
      DateText(r, df::kDate10),
      Unsigned16(r, df::kNumber11),
      RealText(r + df::kValue12.offset),
      text(df::kCode13),
      text(df::kLetter14),
      Byte(r, df::kBilling1),
      Byte(r, df::kByte16),
      Byte(r, df::kByte17),
      DateText(r, df::kDate18),
      DateText(r, df::kDate19),
  };
  std::string row;
  for (int c = 0; c < kColumns; ++c) {
    if (c > 0) row += kDelimiter;
    row += Quoted(cells[c]);
  }
  return row;
}

ExportResult ExportCustomers(isam::FileBlock* customer_file,
                             const std::function<bool(const std::string& text)>& sink) {
  ExportResult result;
  if (!sink(ExportTitleRow() + kLineEnd)) return result;
  std::vector<uint8_t> record(df::CustomerRecord::kLength);
  int32_t n = 0;
  std::string key;
  bool first = true;
  for (;;) {
    do {
      if (first) {
        isam::FirstKey(customer_file, 1, n, key);
      } else {
        isam::NextKey(customer_file, 1, n, key);
      }
    } while (fileaccess::RetryOnLock(true));
    first = false;
    if (!isam::StatusOk()) {
      const int32_t code = isam::StatusCode();
      if (code == kEndOfIndex || code == 10280 || code == 10285 || isam::StatusClass() == 1) {
        break;  // past the last key, or an empty index
      }
      result.status = code;
      return result;
    }
    if (fileaccess::EndRequested()) return result;
    do {
      isam::ReadRecord(customer_file, n, record.data());
    } while (fileaccess::RetryOnLock(true));
    if (!isam::StatusOk()) {
      result.status = isam::StatusCode();
      return result;
    }
    if (!sink(ExportRow(record.data()) + kLineEnd)) return result;
    ++result.records;
  }
  result.ok = !fileaccess::EndRequested();
  return result;
}

}  // namespace app
