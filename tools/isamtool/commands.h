// The commands of isamtool, apart from argument parsing, so that tests can call them: info and
// check read a data file set's bytes through the structural checker (isam/verify.h) and never
// change anything; keys lists one index in key order the same way; create makes an empty set
// through the engine.
//
// Contract that is easy to get wrong: every command returns the process exit code. check
// returns 0 for a sound set, 1 when defects were found and 2 when the set cannot be read; the
// other commands return 0 on success, 1 when the listed index has defects (keys) and 2 on
// failure. Errors go to `err`, results to `out`.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace isamtool {

constexpr int kExitOk = 0;
constexpr int kExitDefects = 1;
constexpr int kExitFailure = 2;

int RunInfo(const std::string& base, bool json, std::ostream& out, std::ostream& err);
int RunCheck(const std::string& base, bool ignore_in_use, std::ostream& out, std::ostream& err);
int RunKeys(const std::string& base, int index, std::ostream& out, std::ostream& err);
// Each index is given as "LEN:DUP": key length and 0 (unique) or 1 (duplicates allowed).
int RunCreate(const std::string& base, int32_t record_length,
              const std::vector<std::string>& indexes, std::ostream& out, std::ostream& err);

// Key bytes for display: printable ASCII as is (a backslash doubled), the Thai letters, vowels,
// tone marks and digits of code page 874 as UTF-8, every other byte as \xHH.
std::string EscapeKey(const std::string& key);

// A plain sentence for an engine status code.
std::string StatusSentence(int32_t code);

}  // namespace isamtool
