// What the many-process tests share: the import files they generate, the customer each code
// stands for, and the check of a stored customer against it. The tests (stress_test.cpp,
// crash_test.cpp) write the files; the watching process (stress_reader.cpp) checks what it
// finds with the same rules, so both sides agree on what a correct record is.
//
// Contract that is easy to get wrong: a code always stands for the same customer, whichever
// file and row it comes from, so a code added by any of several overlapping imports must match
// ExpectedCustomer(code) exactly. Codes are at most 10 characters and upper case, so the import
// stores them unchanged.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "datafiles/customer_key.h"
#include "datafiles/customer_record.h"

namespace hardening {

// Code page 874 titles of the columns the import's header check reads.
inline constexpr char kCodeTitle[] = "\xC3\xCB\xD1\xCA\xC5\xD9\xA1\xA4\xE9\xD2";
inline constexpr char kNameTitle[] =
    "\xAA\xD7\xE8\xCD\xC5\xD9\xA1\xCB\xB9\xD5\xE9/\xC5\xD9\xA1\xA4\xE9\xD2";
inline constexpr char kBillingTitle[] = "\xC7\xD2\xA7\xBA\xD4\xC5 1";

// The customer a code stands for: a Thai name that starts with a leading vowel (so that key 2
// differs from the name), a text column and a number, all derived from the code.
struct Customer {
  std::string code, name, text2;
  int number9 = 0;
};

inline Customer ExpectedCustomer(const std::string& code) {
  Customer c;
  c.code = code;
  c.name = std::string("\xE0\xA8\xC3\xD4\xAD ") + code;  // "เจริญ <code>"
  c.text2 = "t-" + code;
  uint32_t h = 0;
  for (unsigned char ch : code) h = h * 31 + ch;
  c.number9 = static_cast<int>(h % 30000);
  return c;
}

inline std::string TitleRow() {
  std::string row = std::string(kCodeTitle) + "," + kNameTitle;
  for (int c = 2; c < 20; ++c) row += c == 15 ? std::string(",") + kBillingTitle : ",";
  return row + "\r\n";
}

inline std::string CsvRow(const std::string& code) {
  const Customer c = ExpectedCustomer(code);
  std::string row = c.code;
  row += ',';
  row += c.name;
  row += ',';
  row += c.text2;
  for (int col = 3; col < 20; ++col) {
    row += ',';
    if (col == 9) row += std::to_string(c.number9);
  }
  row += "\r\n";
  return row;
}

inline std::string CsvOf(const std::vector<std::string>& codes) {
  std::string out = TitleRow();
  out.reserve(out.size() + codes.size() * 48);
  for (const std::string& code : codes) out += CsvRow(code);
  return out;
}

// Empty when the stored record is the customer of `code`; otherwise what differs.
inline std::string RecordMismatch(const uint8_t* record, const std::string& code) {
  const Customer c = ExpectedCustomer(code);
  datafiles::CustomerRecord stored;
  std::copy(record, record + datafiles::CustomerRecord::kLength, stored.data());
  if (stored.Code() != c.code) return "code " + stored.Code() + " where " + c.code + " belongs";
  if (stored.Name() != c.name) return "name of " + c.code + " differs";
  if (stored.Get(datafiles::kText2) != c.text2) return "column 2 of " + c.code + " differs";
  if (stored.Get(datafiles::kNumber9) != static_cast<int16_t>(c.number9)) {
    return "column 9 of " + c.code + " differs";
  }
  return std::string();
}

// Key 2 (the name sort key) of the customer of `code`.
inline std::string NameKeyOf(const std::string& code) {
  datafiles::CustomerRecord record;
  record.SetCode(code);
  record.SetName(ExpectedCustomer(code).name);
  return datafiles::CustomerKey(record, 2);
}

}  // namespace hardening
