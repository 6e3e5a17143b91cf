// The in-memory table of text cells that a CSV import file is loaded into, and the reader that
// fills it. The main window's controller loads the chosen file here; the import reads the cells
// by (column, row), row 0 holding the titles.
//
// Contract that is easy to get wrong:
//  * Cells hold the file's own bytes (code page 874); the only change is that a vertical tab
//    (code 11) inside a field becomes CR LF. A doubled double quote inside a quoted field
//    stands for one double quote; the enclosing quotes are dropped. A quoted field may run
//    over line ends.
//  * Cell() of a cell beyond a row's last field, or beyond the table, is empty text. The
//    returned views stay valid until the next Load or Clear.
//  * ColumnCount() never shrinks within the life of one table: Clear() empties the cells but
//    keeps the width, and a narrower file loaded later keeps the earlier width.
//  * The delimiter is detected from the first two lines among ten candidates (see
//    DetectDelimiter).
//  * Loading treats the file as untrusted: a NUL byte, a line longer than kMaxLineBytes or an
//    unclosed quoted field fail the load with a message naming the line; the table is then
//    left cleared. A file that cannot be read fails with "Cannot open file " + path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Env;
}

namespace app {

// Longest line (or quoted record) accepted, in bytes. Real import rows are well below 2 KiB.
constexpr size_t kMaxLineBytes = 64 * 1024;
// Largest file accepted (cell offsets are 32-bit).
constexpr uint64_t kMaxCsvBytes = 0xF0000000ull;

// The ten delimiter candidates in their order of preference.
inline constexpr char kDelimiterCandidates[] = {',', ';', '#', '\t', '|', '@', '*', '-', '+', '&'};

// Picks the delimiter of a file from its first two lines: among the candidates that occur
// equally often (and at least once) in both lines, the one that occurs most often; on a tie,
// the earlier candidate. When no candidate qualifies (a single line, or counts that differ),
// the candidate occurring most often in the first line; comma when none occurs at all.
// Occurrences inside double-quoted stretches are not counted.
char DetectDelimiter(std::string_view first_line, std::string_view second_line);

class CsvTable {
 public:
  struct LoadResult {
    bool ok = true;
    std::string error;  // the message to show when !ok
  };

  int RowCount() const { return static_cast<int>(rows_.size()); }
  int ColumnCount() const { return columns_; }
  // Text of cell (col, row); empty beyond the row's fields or the table.
  std::string_view Cell(int col, int row) const;
  // Number of fields found on the row (0 for a row beyond the table).
  int FieldCount(int row) const;
  // The row's bytes exactly as they stand in the file, without the line end.
  std::string_view RawRow(int row) const;
  // 1-based line of the file on which the row starts.
  int64_t FileLine(int row) const;
  char Delimiter() const { return delimiter_; }

  // Empties every cell; the column count stays.
  void Clear();
  // Reads the whole file through `env` and loads it (after Clear()).
  LoadResult LoadFromFile(platform::Env* env, const std::string& path);
  // Loads bytes already in memory (after Clear()).
  LoadResult LoadFromBytes(std::string bytes);

 private:
  struct CellRef {
    uint32_t offset;
    uint32_t length;  // top bit set: the bytes are in decoded_, not in content_
  };
  struct Row {
    uint32_t first_cell;
    uint32_t cell_count;
    uint32_t raw_offset;
    uint32_t raw_length;
    int64_t line;
  };

  std::string content_;  // the file's bytes
  std::string decoded_;  // cells whose bytes differ from the file's (quotes, vertical tabs)
  std::vector<CellRef> cells_;
  std::vector<Row> rows_;
  int columns_ = 0;
  char delimiter_ = ',';
};

}  // namespace app
