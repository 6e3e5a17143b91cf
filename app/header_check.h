// The check that decides whether a loaded CSV table looks like a customer import file. The main
// window's controller runs it after every load; only a table that passes enables "Import".
//
// Contract that is easy to get wrong: a title cell passes when it is not empty and occurs as a
// contiguous part of the expected title, byte for byte (code page 874). So "รหัส" passes for
// "รหัสลูกค้า", while the full title with anything added before or after it fails. The
// table must have at least 12 columns; its width is the widest line, not the title row's.
#pragma once

#include <string_view>

#include "app/csv_table.h"

namespace app {

// Titles of columns 0, 1 and 15 (code page 874): customer code, debtor/customer name,
// billing 1.
inline constexpr std::string_view kTitleCode = "\xC3\xCB\xD1\xCA\xC5\xD9\xA1\xA4\xE9\xD2";
inline constexpr std::string_view kTitleName =
    "\xAA\xD7\xE8\xCD\xC5\xD9\xA1\xCB\xB9\xD5\xE9/\xC5\xD9\xA1\xA4\xE9\xD2";
inline constexpr std::string_view kTitleBilling1 = "\xC7\xD2\xA7\xBA\xD4\xC5 1";
inline constexpr int kMinimumColumns = 12;

// The message shown when the check fails.
inline constexpr char kCannotLoadFile[] = "Can not load file.";

bool HeaderPasses(const CsvTable& table);

}  // namespace app
