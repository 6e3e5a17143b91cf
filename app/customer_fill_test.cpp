#include <gtest/gtest.h>

#include <cstring>

#include "app/csv_table.h"
#include "app/import.h"
#include "util/clock.h"
#include "util/real80.h"

namespace app {
namespace {

namespace df = datafiles;
using df::CustomerRecord;

class FillCustomerRecordTest : public ::testing::Test {
 protected:
  void SetUp() override { util::SetTodayForTest(2025, 3, 1); }
  void TearDown() override { util::ClearTodayForTest(); }

  // Fills a record from one data row whose cells are all empty except `code` and the cell
  // `col` holding `text`. Returns what FillCustomerRecord returned.
  bool Fill(int col, const std::string& text, CustomerRecord& record) {
    std::vector<std::string> cells(20);
    cells[0] = "C001";
    cells[col] = text;
    return FillRow(cells, record);
  }
  bool FillRow(const std::vector<std::string>& cells, CustomerRecord& record) {
    std::string row;
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) row += ';';
      row += '"';
      for (char c : cells[i]) row += c == '"' ? std::string("\"\"") : std::string(1, c);
      row += '"';
    }
    // Title row with the same number of fields, so the semicolon is detected.
    const std::string title = std::string(cells.size() - 1, ';');
    CsvTable table;
    EXPECT_TRUE(table.LoadFromBytes(title + "\r\n" + row + "\r\n").ok);
    return FillCustomerRecord(table, 1, record);
  }
};

TEST_F(FillCustomerRecordTest, RowWithOnlyACodeGivesTheDefaults) {
  CustomerRecord record;
  record.data()[400] = 0x55;  // the buffer is reused: stale bytes must go
  ASSERT_TRUE(Fill(0, "c0x1", record));
  EXPECT_EQ(record.Code(), "C0X1");
  EXPECT_EQ(record.Get(df::kDebtorType), 1);
  EXPECT_EQ(record.Get(df::kDate10), "680301");
  EXPECT_EQ(record.Get(df::kDate18), "");
  EXPECT_EQ(record.Get(df::kDate19), "");
  EXPECT_EQ(record.Get(df::kLetter14), "");
  // Everything but the code, the debtor type and the default date is zero.
  CustomerRecord expected;
  expected.SetCode("C0X1");
  expected.Set(df::kDebtorType, 1);
  expected.Set(df::kDate10, "680301");
  EXPECT_EQ(record.bytes(), expected.bytes());
}

TEST_F(FillCustomerRecordTest, TextColumnsAreCutToTheirFields) {
  const struct {
    int col;
    df::StringField field;
    size_t width;
  } cases[] = {
      {2, df::kText2, 50}, {3, df::kText3, 50}, {4, df::kText4, 50},   {5, df::kText5, 50},
      {6, df::kText6, 50}, {8, df::kText8, 20}, {13, df::kCode13, 10},
  };
  const std::string long_text = "\xA1\xD2\xC3 text, with; \"quotes\" and more than fifty bytes!!";
  ASSERT_GT(long_text.size(), 50u);
  for (const auto& c : cases) {
    CustomerRecord record;
    ASSERT_TRUE(Fill(c.col, long_text, record));
    EXPECT_EQ(record.Get(c.field), long_text.substr(0, c.width)) << "column " << c.col;
  }
}

TEST_F(FillCustomerRecordTest, NameOverflowsAfterFiftyBytesAndStopsAtSeventy) {
  std::string name;
  for (int i = 0; i < 80; ++i) name += static_cast<char>('A' + i % 26);
  const struct {
    size_t length;
    size_t in_name;
    size_t in_overflow;
  } cases[] = {{50, 50, 0}, {51, 50, 1}, {75, 50, 20}, {80, 50, 20}, {3, 3, 0}};
  for (const auto& c : cases) {
    CustomerRecord record;
    ASSERT_TRUE(Fill(1, name.substr(0, c.length), record));
    EXPECT_EQ(record.Name(), name.substr(0, c.in_name)) << c.length;
    EXPECT_EQ(record.Get(df::kNameOverflow), name.substr(50, c.in_overflow)) << c.length;
  }
}

TEST_F(FillCustomerRecordTest, NumberColumnsKeepTheirLowBits) {
  const struct {
    int col;
    const char* text;
    int offset;
    int bytes;
    uint32_t expected;
  } cases[] = {
      // debtor type: empty, 0 and above 60 become 1; low 8 bits first
      {7, "", 302, 1, 1},
      {7, "0", 302, 1, 1},
      {7, "61", 302, 1, 1},
      {7, "x", 302, 1, 1},
      {7, "300", 302, 1, 44},
      {7, "60", 302, 1, 60},
      {7, "-5", 302, 1, 1},
      {7, "1,0", 302, 1, 10},
      // 16-bit numbers
      {9, "1,500", 1474, 2, 1500},
      {9, "-1", 1474, 2, 65535},
      {9, "-5x", 1474, 2, 5},
      {9, "$10", 1474, 2, 16},
      {11, "70000", 303, 2, 70000 & 0xFFFF},
      {11, "abc", 303, 2, 0},
      // bytes
      {15, "300", 305, 1, 44},
      {15, "-5", 305, 1, 251},
      {16, "12x", 306, 1, 12},
      {17, "255", 307, 1, 255},
  };
  for (const auto& c : cases) {
    CustomerRecord record;
    ASSERT_TRUE(Fill(c.col, c.text, record));
    uint32_t got = record.data()[c.offset];
    if (c.bytes == 2) got |= static_cast<uint32_t>(record.data()[c.offset + 1]) << 8;
    EXPECT_EQ(got, c.expected) << "column " << c.col << " '" << c.text << "'";
  }
}

TEST_F(FillCustomerRecordTest, LetterColumnAllowsABCOrNothing) {
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {{"b", "B"}, {"d", "A"}, {"CX", "C"}, {"\xA1", "A"}, {"", ""}, {"a", "A"}};
  for (const auto& c : cases) {
    CustomerRecord record;
    ASSERT_TRUE(Fill(14, c.text, record));
    EXPECT_EQ(record.Get(df::kLetter14), c.expected) << c.text;
  }
}

TEST_F(FillCustomerRecordTest, DatesAreTakenByPosition) {
  const struct {
    int col;
    const char* text;
    df::StringField field;
    const char* expected;
  } cases[] = {
      {10, "15/03/68", df::kDate10, "680315"}, {10, "1/3/2568", df::kDate10, "68/21/"},
      {10, "2025-3-1", df::kDate10, "-15-20"}, {10, "12:34:56", df::kDate10, "123456"},
      {10, "", df::kDate10, "680301"},         {10, "1/3/68", df::kDate10, "680301"},
      {18, "15/03/68", df::kDate18, "680315"}, {18, "15/03/6", df::kDate18, ""},
      {18, "15/03/681", df::kDate18, ""},      {19, "01/12/67", df::kDate19, "671201"},
  };
  for (const auto& c : cases) {
    CustomerRecord record;
    ASSERT_TRUE(Fill(c.col, c.text, record));
    EXPECT_EQ(record.Get(c.field), c.expected) << "column " << c.col << " '" << c.text << "'";
  }
}

TEST_F(FillCustomerRecordTest, ColumnTwelveStoresNumbersAndStopsAtAnythingElse) {
  const struct {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"1234.50", true, 1234.5}, {"", true, 0},     {"-", true, 0},    {"  -2.5e3", true, -2500},
      {"1,234.50", false, 0},    {"12 ", false, 0}, {"abc", false, 0}, {"1.2.3", false, 0},
  };
  for (const auto& c : cases) {
    CustomerRecord record;
    EXPECT_EQ(Fill(12, c.text, record), c.ok) << c.text;
    if (!c.ok) continue;
    uint8_t expected[10];
    util::EncodeReal80(c.value, expected);
    EXPECT_EQ(std::memcmp(record.data() + 321, expected, 10), 0) << c.text;
  }
}

TEST_F(FillCustomerRecordTest, ColumnsAfterTheTwentiethAreIgnored) {
  std::vector<std::string> cells(25, "9");
  cells[0] = "C1";
  cells[12] = "";
  cells[10] = "";
  CustomerRecord with_extra, without_extra;
  ASSERT_TRUE(FillRow(cells, with_extra));
  cells.resize(20);
  ASSERT_TRUE(FillRow(cells, without_extra));
  EXPECT_EQ(with_extra.bytes(), without_extra.bytes());
}

}  // namespace
}  // namespace app
