// The in-memory handle of one open data file set (FileBlock) with its per-header state
// (HeaderState: entry 0 the data file, entry k index k), the remembered search position of
// each index (KeyPath) and the network state of the coordination file (NetState).
//
// Contract that is easy to get wrong:
//  * `headers` has key_count + 1 entries; index-only fields of entry 0 mean nothing.
//  * A FileBlock is valid only while its tag is kValidTag AND it is in the engine's open list;
//    the public operations check the list first, so a stale pointer is never dereferenced.
//  * The key path is usable only while `path_valid` is set: every insert and delete clears it,
//    and so does a change reported by another user.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "isam/engine_file.h"
#include "isam/isam.h"

namespace isam {

constexpr uint32_t kValidTag = 0x11195851;
constexpr int kMaxPathDepth = 8;
constexpr int kItemsPerPage = 62;

struct KeyPath {
  struct Level {
    int32_t page = 0;
    uint8_t pos = 0;  // 0 stands before item 1
  };
  uint8_t depth = 0;
  Level level[kMaxPathDepth + 1];  // levels 1..depth
};

struct HeaderState {
  int32_t key_count = 0;  // index only
  int32_t first_free = -1;
  int32_t free_count = 0;
  int32_t slots_used = 0;
  int32_t slot_size = 0;  // record length, or page size of an index
  int32_t root = 0;       // index only
  uint16_t items_per_page = kItemsPerPage;
  bool duplicates = false;
  bool header_dirty = false;
  bool header_written = false;
  bool last_from_free = false;
  bool path_valid = false;
  uint8_t key_length = 0;
  int32_t row_offset = 0;
  KeyPath path;
  // Stepping with FirstKey/NextKey: the last key handed out and whether the path still
  // stands on it (any other search moves the path).
  bool stepping = false;
  bool step_at_end = false;
  bool step_path_ok = false;
  std::string step_key;
  int32_t step_ref = 0;
};

struct NetState {
  bool write_locked = false;
  bool temporary_read_lock = false;
  bool apply_failed = false;
  int32_t area_size = 0;
  uint16_t slot_size = 1;
  uint16_t own_slot = 0;
  uint16_t highest_slot = 0;
};

struct FileBlock {
  uint32_t tag = 0;
  EngineFile data;
  EngineFile index;
  EngineFile dia;
  uint8_t key_count = 0;
  int32_t row_size = 0;
  int32_t row_count = 0;
  std::vector<HeaderState> headers;
  bool modified = false;
  // A tree change stopped half-way by a failure: the pages in memory may not form a sound
  // tree, so every later publish leaves the data file's in-use flag set (the mark of an
  // interrupted writer) until the set is closed.
  bool change_incomplete = false;
  std::unique_ptr<NetState> net;
};

}  // namespace isam
