#include "config/lines.h"

#include <memory>

#include "config/environment.h"

namespace config {
namespace {

constexpr char kSideFileSuffix[] = ".new";
constexpr size_t kReadChunk = 64 * 1024;

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

LineTable SplitLines(std::string_view content) {
  LineTable lines;
  size_t start = 0;
  size_t i = 0;
  while (i < content.size()) {
    const char c = content[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(content.substr(start, i - start));
      if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
      ++i;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < content.size()) lines.emplace_back(content.substr(start));
  return lines;
}

std::string JoinLinesCrLf(const LineTable& lines, bool skip_empty) {
  std::string out;
  for (const std::string& line : lines) {
    if (skip_empty && line.empty()) continue;
    out += line;
    out += "\r\n";
  }
  return out;
}

int ReadFileWithRetry(platform::Env* env, const std::string& path, int max_attempts,
                      std::string* content) {
  content->clear();
  std::unique_ptr<platform::File> file;
  int err = platform::kErrFileNotFound;
  for (int attempt = 0; attempt < max_attempts; ++attempt) {
    err = env->OpenFile(path, platform::OpenMode::kReadOnly, &file);
    if (err != OpenRetryCode()) break;
  }
  if (err != platform::kErrNone) return err;
  uint64_t offset = 0;
  std::string chunk(kReadChunk, '\0');
  for (;;) {
    size_t got = 0;
    err = file->Read(offset, chunk.data(), chunk.size(), &got);
    if (err != platform::kErrNone) break;
    if (got == 0) break;
    content->append(chunk.data(), got);
    offset += got;
  }
  const int close_err = env->CloseFile(std::move(file));
  if (err == platform::kErrNone) err = close_err;
  if (err != platform::kErrNone) content->clear();
  return err;
}

int ReadLineTable(platform::Env* env, const std::string& path, LineTable* lines) {
  std::string content;
  const int err = platform::ReadWholeFile(env, path, &content);
  lines->clear();
  if (err != platform::kErrNone) return err;
  *lines = SplitLines(content);
  return platform::kErrNone;
}

int ReplaceFile(platform::Env* env, const std::string& path, const std::string& content) {
  const std::string side = path + kSideFileSuffix;
  int err = platform::WriteWholeFile(env, side, content);
  if (err != platform::kErrNone) {
    env->DeleteFile(side);
    return err;
  }
  if (env->FileExists(path)) {
    err = env->DeleteFile(path);
    if (err != platform::kErrNone) {
      env->DeleteFile(side);
      return err;
    }
  }
  return env->RenameFile(side, path);
}

void SetSettingLine(LineTable& table, std::string_view key, std::string_view value) {
  std::string prefix(key);
  prefix += '=';
  std::string line = prefix;
  line += value;
  for (std::string& existing : table) {
    if (!existing.empty() && StartsWithIgnoreAsciiCase(existing, prefix)) {
      existing = std::move(line);
      return;
    }
  }
  table.push_back(std::move(line));
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

}  // namespace config
