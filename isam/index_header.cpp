#include "isam/index_header.h"

#include "isam/encoding.h"
#include "isam/status.h"

namespace isam {

int32_t DeriveKeyLength(int32_t page_size, uint16_t items_per_page, int* key_length) {
  int64_t items = items_per_page == 0 ? kItemsPerPage : items_per_page;
  if (items > kItemsPerPage) return kItemsPerPageRange;
  int64_t g = (static_cast<int64_t>(page_size) * 10000 - 60000) / items;
  int64_t h = g - 90000;
  if (h % 10000 != 0) return kPageSizeMismatch;
  if (h > 1000000 || h < 10000) return kKeyLengthRange;
  *key_length = static_cast<int>(h / 10000);
  return kOk;
}

void EncodeIndexHeader(const HeaderState& hs, uint8_t* out) {
  PutI32(out, kIhFirstFree, hs.first_free);
  PutI32(out, kIhFreeCount, hs.free_count);
  PutI32(out, kIhPagesUsed, hs.slots_used);
  PutI32(out, kIhPageSize, hs.slot_size);
  PutI32(out, kIhRoot, hs.root);
  out[kIhDuplicates] = hs.duplicates ? 1 : 0;
  out[kIhReserved] = 0;
  PutI32(out, kIhKeyCount, hs.key_count);
  PutU16(out, kIhItemsPerPage, hs.items_per_page);
}

int32_t DecodeIndexHeader(const uint8_t* in, HeaderState* hs) {
  int32_t page_size = GetI32(in, kIhPageSize);
  uint16_t items = GetU16(in, kIhItemsPerPage);
  int key_length = 0;
  int32_t code = DeriveKeyLength(page_size, items, &key_length);
  if (code != kOk) return code;
  hs->first_free = GetI32(in, kIhFirstFree);
  hs->free_count = GetI32(in, kIhFreeCount);
  hs->slots_used = GetI32(in, kIhPagesUsed);
  hs->slot_size = page_size;
  hs->root = GetI32(in, kIhRoot);
  hs->duplicates = in[kIhDuplicates] != 0;
  hs->key_count = GetI32(in, kIhKeyCount);
  hs->items_per_page = items == 0 ? kItemsPerPage : items;
  hs->key_length = static_cast<uint8_t>(key_length);
  return kOk;
}

bool ReadIndexHeader(FileBlock& fb, int k, bool at_open) {
  HeaderState& hs = fb.headers[k];
  uint8_t buf[kIndexHeaderBytes];
  if (!ReadAt(fb.index, hs.row_offset, sizeof buf, buf)) return false;
  HeaderState decoded = hs;
  int32_t code = DecodeIndexHeader(buf, &decoded);
  if (code == kOk && !at_open &&
      (decoded.slot_size != hs.slot_size || decoded.items_per_page != hs.items_per_page)) {
    code = kDamagedChain;
  }
  if (code != kOk) {
    Fail(code);
    return false;
  }
  hs.first_free = decoded.first_free;
  hs.free_count = decoded.free_count;
  hs.slots_used = decoded.slots_used;
  hs.slot_size = decoded.slot_size;
  hs.root = decoded.root;
  hs.duplicates = decoded.duplicates;
  hs.key_count = decoded.key_count;
  hs.items_per_page = decoded.items_per_page;
  hs.key_length = decoded.key_length;
  return true;
}

bool WriteIndexHeader(FileBlock& fb, int k) {
  const HeaderState& hs = fb.headers[k];
  uint8_t buf[kIndexHeaderBytes];
  EncodeIndexHeader(hs, buf);
  return WriteAt(fb.index, hs.row_offset, sizeof buf, buf);
}

}  // namespace isam
