// Line tables of the settings files (QXACC.CFG, QXACC.INI) and the company list
// (USERDRV.INI): reading a file into lines, the shared KEY=value line replacement, and writing
// a table back. Used by configuration.cpp and by company/.
//
// Contract that is easy to get wrong:
//  * CR LF, LF and CR each end a line when reading; a final line without an ending counts,
//    a final ending does not start another (empty) line.
//  * Tables have no length limit: no line of a file is ever dropped for lack of room.
//  * ReplaceFile never leaves a half-written file in place of the old one: the new content
//    goes to a side file first and replaces the old file only once it is complete, so a
//    failed write leaves the old file as it was.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/env.h"

namespace config {

using LineTable = std::vector<std::string>;

LineTable SplitLines(std::string_view content);

// Every line followed by CR LF; with skip_empty, empty lines are left out.
std::string JoinLinesCrLf(const LineTable& lines, bool skip_empty);

// Reads a whole file, opening it again at once while the open fails with the open-retry code,
// at most `max_attempts` opens in all. Returns 0 or the OS error of the last attempt.
int ReadFileWithRetry(platform::Env* env, const std::string& path, int max_attempts,
                      std::string* content);

// Reads `path` into *lines. Returns 0 or the OS error (the table is then empty).
int ReadLineTable(platform::Env* env, const std::string& path, LineTable* lines);

// Replaces `path` with `content` safely (see above). Returns 0 or the OS error.
int ReplaceFile(platform::Env* env, const std::string& path, const std::string& content);

// The shared line-replacement step: the first non-empty line that begins with key + "="
// (ASCII letters compared without regard to case) becomes key + "=" + value; later lines with
// the same key stay. Without such a line, key + "=" + value is appended.
void SetSettingLine(LineTable& table, std::string_view key, std::string_view value);

// ASCII-only case-insensitive equality (Thai bytes compare exactly).
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

}  // namespace config
