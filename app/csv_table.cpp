#include "app/csv_table.h"

#include <array>
#include <cstring>

#include "platform/env.h"

namespace app {
namespace {

constexpr char kVerticalTab = 11;
constexpr uint32_t kDecodedFlag = 0x80000000u;
constexpr char kCannotOpen[] = "Cannot open file ";

std::array<int, sizeof(kDelimiterCandidates)> CountCandidates(std::string_view line) {
  std::array<int, sizeof(kDelimiterCandidates)> counts{};
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if (quoted) continue;
    for (size_t i = 0; i < sizeof(kDelimiterCandidates); ++i) {
      if (c == kDelimiterCandidates[i]) ++counts[i];
    }
  }
  return counts;
}

// The physical line starting at `pos` (without its line end) and the position after its end.
std::string_view PhysicalLine(std::string_view text, size_t pos, size_t* next) {
  size_t end = pos;
  while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
  size_t after = end;
  if (after < text.size() && text[after] == '\r') ++after;
  if (after < text.size() && text[after] == '\n' && (after == end || text[end] == '\r')) ++after;
  *next = after;
  return text.substr(pos, end - pos);
}

std::string LineMessage(int64_t line, const char* what) {
  return "Line " + std::to_string(line) + " of the file " + what;
}

}  // namespace

char DetectDelimiter(std::string_view first_line, std::string_view second_line) {
  const auto a = CountCandidates(first_line);
  const auto b = CountCandidates(second_line);
  int best = -1;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] > 0 && a[i] == b[i] && (best < 0 || a[i] > a[best])) best = static_cast<int>(i);
  }
  if (best >= 0) return kDelimiterCandidates[best];
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] > 0 && (best < 0 || a[i] > a[best])) best = static_cast<int>(i);
  }
  return best >= 0 ? kDelimiterCandidates[best] : ',';
}

std::string_view CsvTable::Cell(int col, int row) const {
  if (row < 0 || row >= RowCount() || col < 0) return {};
  const Row& r = rows_[row];
  if (static_cast<uint32_t>(col) >= r.cell_count) return {};
  const CellRef& c = cells_[r.first_cell + col];
  const uint32_t length = c.length & ~kDecodedFlag;
  const std::string& source = (c.length & kDecodedFlag) ? decoded_ : content_;
  return std::string_view(source).substr(c.offset, length);
}

int CsvTable::FieldCount(int row) const {
  if (row < 0 || row >= RowCount()) return 0;
  return static_cast<int>(rows_[row].cell_count);
}

std::string_view CsvTable::RawRow(int row) const {
  if (row < 0 || row >= RowCount()) return {};
  return std::string_view(content_).substr(rows_[row].raw_offset, rows_[row].raw_length);
}

int64_t CsvTable::FileLine(int row) const {
  if (row < 0 || row >= RowCount()) return 0;
  return rows_[row].line;
}

void CsvTable::Clear() {
  content_.clear();
  decoded_.clear();
  cells_.clear();
  rows_.clear();
}

CsvTable::LoadResult CsvTable::LoadFromFile(platform::Env* env, const std::string& path) {
  Clear();
  if (env == nullptr) env = platform::Env::Default();
  std::string bytes;
  if (env->DirectoryExists(path) || platform::ReadWholeFile(env, path, &bytes) != 0) {
    return {false, kCannotOpen + path};
  }
  return LoadFromBytes(std::move(bytes));
}

CsvTable::LoadResult CsvTable::LoadFromBytes(std::string bytes) {
  Clear();
  if (bytes.size() > kMaxCsvBytes) return {false, "The file is too large to be imported."};
  content_ = std::move(bytes);
  const std::string_view text(content_);
  const size_t n = text.size();

  // A NUL byte never belongs in a text file; refuse the file rather than lose what follows.
  if (const size_t nul = text.find('\0'); nul != std::string_view::npos) {
    int64_t line = 1;
    for (size_t i = 0; i < nul; ++i) {
      if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= n || text[i + 1] != '\n'))) ++line;
    }
    Clear();
    return {false, LineMessage(line, "contains a NUL byte; it is not a text file.")};
  }

  size_t next = 0;
  const std::string_view first = PhysicalLine(text, 0, &next);
  const std::string_view second = next < n ? PhysicalLine(text, next, &next) : std::string_view();
  delimiter_ = DetectDelimiter(first, second);

  auto fail = [this](std::string message) {
    Clear();
    return LoadResult{false, std::move(message)};
  };
  // Consumes one line end at pos (CR LF, LF or CR); true when there was one.
  auto take_line_end = [&](size_t& pos) {
    if (pos < n && text[pos] == '\r') {
      ++pos;
      if (pos < n && text[pos] == '\n') ++pos;
      return true;
    }
    if (pos < n && text[pos] == '\n') {
      ++pos;
      return true;
    }
    return false;
  };

  size_t pos = 0;
  int64_t line = 1;
  while (pos < n) {
    Row row{static_cast<uint32_t>(cells_.size()), 0, static_cast<uint32_t>(pos), 0, line};
    const int64_t row_line = line;
    size_t raw_end = pos;
    for (;;) {
      // One field starting at pos.
      const size_t field_start = pos;
      bool needs_decoding = false;
      std::string value;
      if (pos < n && text[pos] == '"') {
        needs_decoding = true;
        ++pos;
        bool closed = false;
        while (pos < n) {
          const char c = text[pos];
          if (c == '"') {
            if (pos + 1 < n && text[pos + 1] == '"') {
              value += '"';
              pos += 2;
              continue;
            }
            ++pos;
            closed = true;
            break;
          }
          if (c == '\n' || (c == '\r' && (pos + 1 >= n || text[pos + 1] != '\n'))) ++line;
          if (c == kVerticalTab) {
            value += "\r\n";
          } else {
            value += c;
          }
          ++pos;
          if (pos - row.raw_offset > kMaxLineBytes) {
            return fail(LineMessage(row_line, "is longer than 65536 bytes."));
          }
        }
        if (!closed) {
          return fail(LineMessage(row_line, "has a quoted field that is never closed."));
        }
        // Anything between the closing quote and the delimiter belongs to the field.
        while (pos < n && text[pos] != delimiter_ && text[pos] != '\r' && text[pos] != '\n') {
          value += text[pos] == kVerticalTab ? std::string("\r\n") : std::string(1, text[pos]);
          ++pos;
        }
      } else {
        while (pos < n && text[pos] != delimiter_ && text[pos] != '\r' && text[pos] != '\n') {
          if (text[pos] == kVerticalTab) needs_decoding = true;
          ++pos;
        }
        if (needs_decoding) {
          for (size_t i = field_start; i < pos; ++i) {
            if (text[i] == kVerticalTab) {
              value += "\r\n";
            } else {
              value += text[i];
            }
          }
        }
      }
      if (pos - row.raw_offset > kMaxLineBytes) {
        return fail(LineMessage(row_line, "is longer than 65536 bytes."));
      }
      if (needs_decoding) {
        cells_.push_back({static_cast<uint32_t>(decoded_.size()),
                          static_cast<uint32_t>(value.size()) | kDecodedFlag});
        decoded_ += value;
      } else {
        cells_.push_back(
            {static_cast<uint32_t>(field_start), static_cast<uint32_t>(pos - field_start)});
      }
      ++row.cell_count;
      if (pos < n && text[pos] == delimiter_) {
        ++pos;
        continue;  // a delimiter at the end of the line leaves one more, empty, field
      }
      raw_end = pos;
      if (take_line_end(pos)) ++line;
      break;
    }
    row.raw_length = static_cast<uint32_t>(raw_end - row.raw_offset);
    if (static_cast<int>(row.cell_count) > columns_) columns_ = static_cast<int>(row.cell_count);
    rows_.push_back(row);
  }
  return {};
}

}  // namespace app
