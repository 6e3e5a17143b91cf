#include "isam/journal.h"

#include <algorithm>
#include <vector>

#include "isam/data_file.h"
#include "isam/encoding.h"
#include "isam/engine.h"
#include "isam/index_header.h"
#include "isam/status.h"

namespace isam {
namespace {

constexpr uint16_t kHeaderEntry = 1000;
constexpr uint16_t kUserArea = 2000;
constexpr int kHeaderEntryRest = 34;  // after the code
constexpr int32_t kNoSlotTaken = -2;

enum class Step { kNext, kEnd, kFail };

// Reads len bytes at pos; a read past the end ends the journal, other failures fail it.
Step ReadPart(FileBlock& fb, int64_t pos, size_t len, uint8_t* buf) {
  if (ReadAt(fb.dia, pos, len, buf)) return Step::kNext;
  return StatusCode() == kReadPastEnd ? Step::kEnd : Step::kFail;
}

Step ReplayPage(FileBlock& fb, int64_t& pos, uint16_t n, std::vector<uint8_t>& buf) {
  uint8_t kb[2];
  Step s = ReadPart(fb, pos + 2, 2, kb);
  if (s != Step::kNext) return s;
  int k = GetU16(kb, 0);
  if (k < 1 || k > fb.key_count) return Step::kFail;
  const HeaderState& hs = fb.headers[k];
  size_t items = static_cast<size_t>(n) * (hs.key_length + 9u);
  size_t rest = 10 + items;
  buf.resize(rest);
  s = ReadPart(fb, pos + 4, rest, buf.data());
  if (s != Step::kNext) return s;
  int32_t page = GetI32(buf.data(), static_cast<int>(2 + items));
  int32_t leftmost = GetI32(buf.data(), static_cast<int>(6 + items));
  if (page < 1 || page > std::max(fb.row_count, hs.slots_used)) return Step::kFail;
  std::vector<uint8_t> out(6 + items);
  PutU16(out.data(), 0, n);
  PutI32(out.data(), 2, leftmost);
  std::copy(buf.begin() + 2, buf.begin() + 2 + static_cast<std::ptrdiff_t>(items), out.begin() + 6);
  if (!WriteAt(fb.index, SlotPosition(fb, k, page), out.size(), out.data())) return Step::kFail;
  pos += 4 + static_cast<int64_t>(rest);
  return Step::kNext;
}

Step ReplayHeader(FileBlock& fb, int64_t& pos) {
  uint8_t b[kHeaderEntryRest];
  Step s = ReadPart(fb, pos + 2, sizeof b, b);
  if (s != Step::kNext) return s;
  int k = GetU16(b, 0);
  if (k > fb.key_count) return Step::kFail;
  const uint8_t* image = b + 2;
  int32_t marker = GetI32(b, 30);
  HeaderState& hs = fb.headers[k];
  // The image must describe the set as opened: same record length and index count, or
  // same page size; anything else would move every slot.
  if (k == 0) {
    if (GetI32(image, kDhRecordLength) != hs.slot_size || image[kDhKeyCount] != fb.key_count) {
      return Step::kFail;
    }
  } else if (GetI32(image, kIhPageSize) != hs.slot_size) {
    return Step::kFail;
  }
  int32_t image_first_free = GetI32(image, 0);
  int32_t image_used = GetI32(image, 8);
  if (marker != kNoSlotTaken) {
    int32_t limit = std::max(hs.slots_used, image_used);
    if (image_first_free < 1 || image_first_free > limit) return Step::kFail;
    hs.first_free = marker;
    if (!ReleaseSlot(fb, k, image_first_free)) return Step::kFail;
  }
  hs.first_free = image_first_free;
  hs.free_count = GetI32(image, 4);
  hs.slots_used = image_used;
  if (k >= 1) {
    hs.root = GetI32(image, kIhRoot);
    hs.duplicates = image[kIhDuplicates] != 0;
    hs.key_count = GetI32(image, kIhKeyCount);
    fb.row_count = std::max(fb.row_count, hs.slots_used);
  }
  if (!WriteHeader(fb, k)) return Step::kFail;
  hs.header_dirty = false;
  pos += 2 + kHeaderEntryRest;
  return Step::kNext;
}

}  // namespace

bool EndJournal(FileBlock& fb) { return WriteAt(fb.dia, 1, 0, nullptr); }

bool ReplayJournal(FileBlock& fb) {
  Eng().pool.DropBuffers(&fb);
  const uint8_t zero = 0;
  bool ok = WriteAt(fb.dia, 0, 1, &zero);
  int64_t pos = 1;
  std::vector<uint8_t> buf;
  while (ok) {
    uint8_t cb[2];
    Step s = ReadPart(fb, pos, 2, cb);
    if (s == Step::kEnd) break;
    if (s == Step::kFail) {
      ok = false;
      break;
    }
    uint16_t code = GetU16(cb, 0);
    if (code == kUserArea) break;
    if (code >= 1 && code <= kItemsPerPage) {
      s = ReplayPage(fb, pos, code, buf);
    } else if (code == kHeaderEntry) {
      s = ReplayHeader(fb, pos);
    } else {
      s = Step::kFail;
    }
    if (s == Step::kEnd) break;
    if (s == Step::kFail) ok = false;
  }
  if (ok) {
    ClearStatus();
    ok = EndJournal(fb);
  }
  if (!ok) Fail(kJournalReplayFailed);
  return ok;
}

}  // namespace isam
