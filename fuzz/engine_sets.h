// Small data file sets written by the engine itself, for the engine's fuzz targets and their
// seed corpus: set "T" (40-byte records, index 1 unique over 8 bytes, index 2 with duplicates
// over 12 bytes) holding `records` records, every one with both keys.
#pragma once

#include <cstdint>
#include <string>

#include "fuzz/mem_env.h"

namespace fuzz {

inline constexpr char kSetName[] = "T";
inline constexpr int32_t kSetRecordLength = 40;

struct SetBytes {
  std::string dat, ix, dia;
};

// The record with number i and its two keys, as WriteSet stores them.
std::string SetRecord(int i);
std::string SetKey1(int i);
std::string SetKey2(int i);

// Writes the set into `env` through the engine (which must be started on it) and returns its
// files' bytes; `deleted` records (from the first) are deleted again with their keys, so that
// the free chain is in use. Empty bytes on any engine failure.
SetBytes WriteSet(MemEnv* env, int records, int deleted);

// Places the three files of set "T" into `env`.
void PutSet(MemEnv* env, const SetBytes& set);

}  // namespace fuzz
