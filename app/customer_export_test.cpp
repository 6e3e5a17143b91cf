#include "app/customer_export.h"

#include <gtest/gtest.h>

#include "app/csv_table.h"
#include "app/header_check.h"
#include "app/import.h"
#include "util/clock.h"

namespace app {
namespace {

// Rows that exercise every column's reading; each must come back byte for byte.
const char* const kRows[] = {
    "C001,Alpha,t2,t3,t4,t5,t6,7,t8,1500,15/03/68,-2,1234.5,K13,b,3,4,5,01/02/67,31/12/66",
    "c2,\"Name, with comma and \"\"quotes\"\"\",,,,,,0,,-1,1/3/2568,70000,-0.1e-3,,x,300,-5,12x,,",
    "Z9,\xE0\xA8\xC3\xD4\xAD \xE3\xA8\xB4\xD5 \xA8\xD3\xA1\xD1\xB4 "
    "0123456789012345678901234567890123456789"
    "012345678901234567890,,,,,,61,,,12:34:56,,1e300,,,,,,15/03/6,15/03/681",
    "LONGCODE10,\"multi\r\nline\",,,,,,,,,,,-,,C,,,,2025-3-1,",
    "E,,,,,,,,,,,,,,,,,,,",
};

TEST(ExportRow, ImportingTheExportGivesTheSameRecord) {
  util::SetTodayForTest(2025, 3, 1);
  for (const char* row : kRows) {
    CsvTable original;
    ASSERT_TRUE(original.LoadFromBytes(ExportTitleRow() + "\r\n" + row + "\r\n").ok) << row;
    datafiles::CustomerRecord first, second;
    ASSERT_TRUE(FillCustomerRecord(original, 1, first)) << row;

    const std::string exported = ExportTitleRow() + "\r\n" + ExportRow(first.data()) + "\r\n";
    CsvTable again;
    ASSERT_TRUE(again.LoadFromBytes(exported).ok) << exported;
    EXPECT_TRUE(HeaderPasses(again));
    EXPECT_EQ(again.Delimiter(), ',');
    ASSERT_TRUE(FillCustomerRecord(again, 1, second)) << exported;
    EXPECT_EQ(first.bytes(), second.bytes()) << row << "\nexported as\n" << exported;
  }
  util::ClearTodayForTest();
}

}  // namespace
}  // namespace app
