// A read-only structural checker of a data file set (.DAT, .IX, .DIA). It reads the bytes of
// the three files itself through platform::Env, independently of the engine, so that it also
// catches faults of the engine that wrote them. Used by `isamtool info/check/keys` and by the
// engine's randomized tree test, which verifies the files after every change.
//
// Contract that is easy to get wrong:
//  * Nothing is ever written, locked or created; files are opened read-only.
//  * Any bytes are safe: every read is bounds checked, every chain and tree walk is bounded
//    by the file's real size and keeps a visited set, so damaged or hostile files end in
//    defects, never in a crash, an overrun or a loop.
//  * `readable` false means the set could not be examined (a file is missing or too short to
//    hold its header); `defects` then may be empty. A set is sound only when it is readable
//    and has no defects.
//  * The in-use byte of the data header is a defect unless `ignore_in_use` is set; a set held
//    open by a writer shows it, and its headers may then lag behind its pages and records.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {
class Env;
}

namespace isam {

struct VerifyOptions {
  // Accept the in-use byte (a writer has unpublished changes) and file sizes beyond what the
  // headers account for.
  bool ignore_in_use = false;
  // Check that every key's record number lies within 1..records used and is not a free slot.
  bool check_record_refs = false;
};

// What the coordination file holds.
enum class CoordState {
  kMissing,   // no coordination file (the next open creates it)
  kClean,     // exactly one byte
  kUserArea,  // the value 2000 followed by a whole number (> 1) of mailbox positions
  kBadArea,   // the value 2000 but not a whole number of positions, or only one
  kJournal,   // a journal of an interrupted change (replayed at the next open)
};
const char* CoordStateName(CoordState state);

struct IndexFacts {
  int number = 0;  // 1-based
  // The 28 header bytes as stored.
  int32_t first_free = 0;
  int32_t free_count = 0;
  int32_t pages_used = 0;
  int32_t page_size = 0;
  int32_t root = 0;
  uint8_t duplicates = 0;
  int32_t key_count = 0;
  uint16_t items_per_page_raw = 0;
  // Derived as the open does: items per page (0 is read as 62) and the key length; both 0
  // when the header fails the open's check.
  int items_per_page = 0;
  int key_length = 0;
  int64_t row_offset = 0;
  bool header_ok = false;
  // Found by walking the tree and the free chain (valid when `walked`).
  bool walked = false;
  int depth = 0;  // levels of the tree, 0 when empty
  int64_t tree_pages = 0;
  int64_t free_pages = 0;
  int64_t keys_found = 0;
};

struct SetFacts {
  std::string data_path, index_path, coord_path;
  // Data file.
  uint64_t data_size = 0;
  int32_t first_free = 0;
  int32_t free_count = 0;
  int32_t records_used = 0;
  int32_t record_length = 0;
  int32_t key_count_raw = 0;  // the stored 32-bit value
  int key_count = 0;          // its low byte, as readers take it
  uint8_t in_use = 0;
  int64_t free_found = 0;  // records found on the free chain
  // Index file.
  bool index_present = false;
  uint64_t index_size = 0;
  int64_t row_size = 0;
  int64_t row_count = 0;  // the largest pages used of all indexes
  std::vector<IndexFacts> indexes;
  // Coordination file.
  CoordState coord_state = CoordState::kMissing;
  uint64_t coord_size = 0;
  int slot_size = 0;              // mailbox size for this key count
  int64_t area_positions = 0;     // mailbox positions of a user area
  int64_t pending_mailboxes = 0;  // positions 1.. whose mailbox is not zero
  int64_t journal_entries = 0;    // complete entries of a journal
};

struct VerifyResult {
  bool readable = false;
  std::string error;  // why the set could not be read, when not readable
  SetFacts facts;
  std::vector<std::string> defects;  // plain sentences
  bool Sound() const { return readable && defects.empty(); }
};

// The three file names of the set named `name` (a base name; "DATA;INDEX" names the index
// file separately), with the extensions DAT, IX and DIA applied as the engine applies them.
struct SetFileNames {
  std::string data, index, coord;
};
SetFileNames NamesOfSet(const std::string& name);

// Examines the whole set. `env` nullptr means platform::Env::Default().
VerifyResult VerifyDataFileSet(platform::Env* env, const std::string& name,
                               const VerifyOptions& options = {});

// Walks index k (1-based) in key order as the checker reads it and calls visit(key, record)
// for every key reached. The result holds the facts and the defects of that index met on the
// way; a damaged subtree is skipped, so the listing is then incomplete.
using KeyVisitor = std::function<void(const std::string& key, int32_t record)>;
VerifyResult ListIndexKeys(platform::Env* env, const std::string& name, int k,
                           const KeyVisitor& visit);

}  // namespace isam
