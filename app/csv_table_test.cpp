#include "app/csv_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/header_check.h"
#include "platform/env.h"

namespace app {
namespace {

// Cells of a table as nested vectors, for whole-table comparisons.
std::vector<std::vector<std::string>> Cells(const CsvTable& t) {
  std::vector<std::vector<std::string>> out;
  for (int r = 0; r < t.RowCount(); ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < t.FieldCount(r); ++c) row.emplace_back(t.Cell(c, r));
    out.push_back(row);
  }
  return out;
}

TEST(DetectDelimiter, PrefersTheCandidateEqualInBothLines) {
  const struct {
    const char* first;
    const char* second;
    char expected;
  } cases[] = {
      {"a,b,c", "1,2,3", ','},
      {"a;b;c", "1;2;3", ';'},
      {"a\tb\tc", "1\t2\t3", '\t'},
      {"a|b", "1|2", '|'},
      {"a&b", "1&2", '&'},
      // comma and dash both equal: the one occurring more often wins
      {"a,b,c-d", "1,2,3-4", ','},
      {"a-b-c,d", "1-2-3,4", '-'},
      // equal counts: earlier candidate wins
      {"a,b;c", "1,2;3", ','},
      // a dash that varies between lines does not beat an equal comma
      {"a,b,c", "1-2-3-4-5,6,7", ','},
      // delimiters inside quotes are not counted
      {"\"a;b;c;d\",x,y", "\"1;2\",3,4", ','},
      // one line only: the most frequent candidate of that line
      {"a;b;c", "", ';'},
      // no candidate at all
      {"abc", "def", ','},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DetectDelimiter(c.first, c.second), c.expected) << c.first << " / " << c.second;
  }
}

TEST(CsvTable, ReadsFieldsQuotesAndLineEnds) {
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::vector<std::string>> cells;
  } cases[] = {
      {"plain CRLF", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}},
      {"LF and no final line end", "a,b\nc,d", {{"a", "b"}, {"c", "d"}}},
      {"lone CR", "a,b\rc,d\r", {{"a", "b"}, {"c", "d"}}},
      {"empty line", "a,b\n\nc,d\n", {{"a", "b"}, {""}, {"c", "d"}}},
      {"trailing delimiter", "a,b,\n1,2,\n", {{"a", "b", ""}, {"1", "2", ""}}},
      {"quoted delimiter and doubled quote",
       "x,y\n\"a,\"\"b\"\"\",c\n",
       {{"x", "y"}, {"a,\"b\"", "c"}}},
      {"quoted field over a line end", "x,y\n\"a\r\nb\",c\n", {{"x", "y"}, {"a\r\nb", "c"}}},
      {"vertical tab becomes CR LF",
       "x,y\na\x0b"
       "b,\"c\x0b\"\n",
       {{"x", "y"}, {"a\r\nb", "c\r\n"}}},
      {"text after a closing quote", "x,y\n\"ab\"cd,e\n", {{"x", "y"}, {"abcd", "e"}}},
      {"quote inside an unquoted field", "x,y\nab\"c,d\n", {{"x", "y"}, {"ab\"c", "d"}}},
      {"semicolon file", "a;b;c\n1;2,5;3\n", {{"a", "b", "c"}, {"1", "2,5", "3"}}},
      {"Thai bytes kept",
       "\xC3\xCB\xD1\xCA,\xAA\xD7\xE8\xCD\n",
       {{"\xC3\xCB\xD1\xCA", "\xAA\xD7\xE8\xCD"}}},
  };
  for (const auto& c : cases) {
    CsvTable t;
    const auto result = t.LoadFromBytes(c.bytes);
    ASSERT_TRUE(result.ok) << c.name << ": " << result.error;
    EXPECT_EQ(Cells(t), c.cells) << c.name;
  }
}

TEST(CsvTable, CellsBeyondARowOrTheTableAreEmptyAndWidthIsTheWidestLine) {
  CsvTable t;
  ASSERT_TRUE(t.LoadFromBytes("a,b,c,d\n1\n").ok);
  EXPECT_EQ(t.RowCount(), 2);
  EXPECT_EQ(t.ColumnCount(), 4);
  EXPECT_EQ(t.Cell(3, 1), "");
  EXPECT_EQ(t.Cell(0, 5), "");
  EXPECT_EQ(t.Cell(40, 0), "");
  EXPECT_EQ(t.Cell(-1, 0), "");
}

TEST(CsvTable, WidthNeverShrinksWithinTheTablesLife) {
  CsvTable t;
  ASSERT_TRUE(t.LoadFromBytes("a,b,c,d,e\n").ok);
  t.Clear();
  EXPECT_EQ(t.ColumnCount(), 5);
  EXPECT_EQ(t.RowCount(), 0);
  ASSERT_TRUE(t.LoadFromBytes("a,b\n").ok);
  EXPECT_EQ(t.ColumnCount(), 5);
  EXPECT_EQ(t.Cell(2, 0), "");
}

TEST(CsvTable, KeepsEachRowsOwnBytesAndLine) {
  CsvTable t;
  ASSERT_TRUE(t.LoadFromBytes("h1;h2\r\n\"a;\"\"x\";b\r\n\"m\nn\";o\nlast").ok);
  ASSERT_EQ(t.RowCount(), 4);
  EXPECT_EQ(t.RawRow(1), "\"a;\"\"x\";b");
  EXPECT_EQ(t.RawRow(2), "\"m\nn\";o");
  EXPECT_EQ(t.RawRow(3), "last");
  EXPECT_EQ(t.FileLine(2), 3);
  EXPECT_EQ(t.FileLine(3), 5);
  EXPECT_EQ(t.Delimiter(), ';');
}

TEST(CsvTable, RefusesBytesThatAreNoTextFileAndLeavesTheTableCleared) {
  const struct {
    const char* name;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"NUL byte", std::string("a,b\nc,\0d\n", 9), "Line 2 of the file contains a NUL byte"},
      {"unclosed quote", "a,b\n\"c,d\ne,f\n", "Line 2 of the file has a quoted field"},
      {"long line", "a,b\n" + std::string(kMaxLineBytes + 1, 'x') + "\n",
       "Line 2 of the file is longer than 65536 bytes."},
      {"long quoted field", "a,b\n\"" + std::string(kMaxLineBytes + 1, 'x') + "\"\n",
       "Line 2 of the file is longer than 65536 bytes."},
  };
  for (const auto& c : cases) {
    CsvTable t;
    const auto result = t.LoadFromBytes(c.bytes);
    EXPECT_FALSE(result.ok) << c.name;
    EXPECT_EQ(result.error.rfind(c.message, 0), 0u) << c.name << ": " << result.error;
    EXPECT_EQ(t.RowCount(), 0) << c.name;
  }
  CsvTable t;
  EXPECT_TRUE(t.LoadFromBytes(std::string(kMaxLineBytes, 'x')).ok);
}

TEST(CsvTable, AFileThatCannotBeOpenedNamesItsPath) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "impcust-no-such.csv").string();
  CsvTable t;
  ASSERT_TRUE(t.LoadFromBytes("a,b\n").ok);
  const auto result = t.LoadFromFile(platform::Env::Default(), path);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "Cannot open file " + path);
  EXPECT_EQ(t.RowCount(), 0);
}

// A title row with the three checked titles at columns 0, 1 and 15, `width` fields wide.
std::string TitleRow(std::string code, std::string name, std::string billing, int width,
                     char delimiter = ',') {
  std::string row;
  for (int c = 0; c < width; ++c) {
    if (c > 0) row += delimiter;
    if (c == 0) row += code;
    if (c == 1) row += name;
    if (c == 15) row += billing;
  }
  return row + "\r\n";
}

TEST(HeaderPasses, AcceptsTitlesAndTheirPartsOnly) {
  const std::string code(kTitleCode), name(kTitleName), bill(kTitleBilling1);
  const struct {
    const char* name;
    std::string bytes;
    bool passes;
  } cases[] = {
      {"exact titles, 20 columns", TitleRow(code, name, bill, 20), true},
      {"16 columns", TitleRow(code, name, bill, 16), true},
      {"part of the code title", TitleRow(code.substr(0, 4), name, bill, 20), true},
      {"code title followed by a space", TitleRow(code + " ", name, bill, 20), false},
      {"something before the name title", TitleRow(code, "x" + name, bill, 20), false},
      {"empty billing title", TitleRow(code, name, "", 20), false},
      {"semicolon file", TitleRow(code, name, bill, 20, ';') + "1;2\r\n", true},
      {"only 11 columns", code + "," + name + ",,,,,,,,,\r\n", false},
      {"empty file", "", false},
      {"binary garbage", "\x89PNG\r\n\x1a\x0b\xff\xfe", false},
  };
  for (const auto& c : cases) {
    CsvTable t;
    ASSERT_TRUE(t.LoadFromBytes(c.bytes).ok) << c.name;
    EXPECT_EQ(HeaderPasses(t), c.passes) << c.name;
  }
}

TEST(HeaderPasses, TitlesOnATwelveColumnFileNeedTheWidestLine) {
  // The title row has 12 fields but column 15 is beyond it: the check fails however wide
  // the data rows are, because the billing title is missing.
  const std::string code(kTitleCode), name(kTitleName);
  CsvTable t;
  ASSERT_TRUE(t.LoadFromBytes(code + "," + name + ",,,,,,,,,,\r\n" + std::string(20, ',')).ok);
  EXPECT_EQ(t.ColumnCount(), 21);
  EXPECT_FALSE(HeaderPasses(t));
}

}  // namespace
}  // namespace app
