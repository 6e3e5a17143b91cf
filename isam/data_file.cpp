#include "isam/data_file.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "isam/encoding.h"
#include "isam/engine.h"
#include "isam/index_header.h"
#include "isam/status.h"
#include "platform/env.h"

namespace isam {
namespace {

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// Fills header state k of a new index from its descriptor pair.
void InitIndexHeader(HeaderState& hs, int key_length, bool duplicates) {
  hs.key_length = static_cast<uint8_t>(key_length);
  hs.slot_size = PageSizeFor(key_length);
  hs.key_count = 0;
  hs.items_per_page = kItemsPerPage;
  hs.first_free = -1;
  hs.free_count = 0;
  hs.slots_used = 0;
  hs.root = 0;
  hs.duplicates = duplicates;
  hs.header_dirty = true;
}

}  // namespace

std::string ForceExtension(const std::string& name, const std::string& ext) {
  std::string out;
  size_t dot = name.rfind('.');
  bool substitute =
      dot != std::string::npos &&
      std::none_of(name.begin() + static_cast<std::ptrdiff_t>(dot), name.end(), IsPathSeparator);
  if (substitute) {
    out = name.substr(0, dot + 1) + ext;
  } else {
    out = name + "." + ext;
  }
  if (out.size() > kMaxFileNameLength) out.resize(kMaxFileNameLength);
  return out;
}

void SplitName(const std::string& full, std::string* data_name, std::string* index_name) {
  std::string name = full.substr(0, std::min(full.size(), kMaxNameLength));
  size_t semi = name.find(';');
  if (semi == std::string::npos) {
    *data_name = name;
    *index_name = name;
    return;
  }
  *data_name = name.substr(0, semi);
  std::string rest = name.substr(semi + 1);
  size_t semi2 = rest.find(';');
  *index_name = semi2 == std::string::npos ? rest : rest.substr(0, semi2);
}

int64_t SlotPosition(const FileBlock& fb, int k, int32_t n) {
  if (k == 0) return static_cast<int64_t>(n) * fb.headers[0].slot_size;
  return static_cast<int64_t>(n) * fb.row_size + fb.headers[k].row_offset;
}

bool ReadDataHeader(FileBlock& fb, uint8_t* in_use) {
  uint8_t b[kDataHeaderBytes];
  if (!ReadAt(fb.data, 0, sizeof b, b)) return false;
  HeaderState& hs = fb.headers[0];
  hs.first_free = GetI32(b, kDhFirstFree);
  hs.free_count = GetI32(b, kDhFreeCount);
  hs.slots_used = GetI32(b, kDhRecordsUsed);
  hs.slot_size = GetI32(b, kDhRecordLength);
  fb.key_count = b[kDhKeyCount];
  *in_use = b[kDhInUse];
  return true;
}

bool WriteDataHeader(FileBlock& fb, uint8_t in_use) {
  uint8_t b[kDataHeaderBytes];
  const HeaderState& hs = fb.headers[0];
  PutI32(b, kDhFirstFree, hs.first_free);
  PutI32(b, kDhFreeCount, hs.free_count);
  PutI32(b, kDhRecordsUsed, hs.slots_used);
  PutI32(b, kDhRecordLength, hs.slot_size);
  PutI32(b, kDhKeyCount, fb.key_count);
  b[kDhInUse] = in_use;
  return WriteAt(fb.data, 0, sizeof b, b);
}

bool ReadHeader(FileBlock& fb, int k) {
  if (k != 0) return ReadIndexHeader(fb, k, false);
  // A re-read must find the record length and index count the set was opened with: the
  // header states and every record transfer depend on them.
  uint8_t b[kDataHeaderBytes];
  if (!ReadAt(fb.data, 0, sizeof b, b)) return false;
  if (GetI32(b, kDhRecordLength) != fb.headers[0].slot_size || b[kDhKeyCount] != fb.key_count) {
    Fail(kDamagedChain);
    return false;
  }
  HeaderState& hs = fb.headers[0];
  hs.first_free = GetI32(b, kDhFirstFree);
  hs.free_count = GetI32(b, kDhFreeCount);
  hs.slots_used = GetI32(b, kDhRecordsUsed);
  return true;
}

bool WriteHeader(FileBlock& fb, int k) {
  if (k == 0) return WriteDataHeader(fb, 0);
  return WriteIndexHeader(fb, k);
}

bool TakeSlot(FileBlock& fb, int k, int32_t* n) {
  HeaderState& hs = fb.headers[k];
  hs.header_dirty = true;
  if (hs.first_free == -1) {
    if (hs.slots_used < 0 || hs.slots_used == INT32_MAX) {
      Fail(kDamagedChain);
      return false;
    }
    hs.last_from_free = false;
    hs.slots_used += 1;
    *n = hs.slots_used;
    if (k >= 1 && *n > fb.row_count) {
      int64_t pos = static_cast<int64_t>(fb.row_count + 1) * fb.row_size;
      if (!ZeroFill(fb.index, pos, fb.row_size)) {
        hs.slots_used -= 1;
        return false;
      }
      fb.row_count += 1;
    }
    return true;
  }
  // Guards beyond the link test: a slot linking to itself or a chain longer than its count
  // would hand one slot out twice.
  if (hs.first_free > 0 && hs.first_free <= hs.slots_used && hs.free_count > 0) {
    int32_t candidate = hs.first_free;
    uint8_t b[4];
    if (!ReadAt(k == 0 ? fb.data : fb.index, SlotPosition(fb, k, candidate), 4, b)) return false;
    int32_t link = GetI32(b, 0);
    if (link != 0 && link <= hs.slots_used && link >= -1 && link != candidate) {
      *n = candidate;
      hs.first_free = link;
      hs.last_from_free = true;
      hs.free_count -= 1;
      return true;
    }
  }
  Fail(kDamagedChain);
  return false;
}

bool ReleaseSlot(FileBlock& fb, int k, int32_t n) {
  HeaderState& hs = fb.headers[k];
  hs.header_dirty = true;
  uint8_t b[4];
  PutI32(b, 0, hs.first_free);
  if (!WriteAt(k == 0 ? fb.data : fb.index, SlotPosition(fb, k, n), 4, b)) return false;
  hs.first_free = n;
  hs.free_count += 1;
  return true;
}

bool MarkModified(FileBlock& fb) {
  if (fb.modified) return true;
  // Set only once the flag is on disk: a failed write must be tried again by the next change,
  // or changes would go on with the set not marked as being written.
  const uint8_t one = 1;
  if (!WriteAt(fb.data, kDhInUse, 1, &one)) return false;
  fb.modified = true;
  return true;
}

void CreateDataFile(const std::string& name, int32_t record_length, int32_t key_count,
                    const uint8_t* key_descriptors) {
  ClearStatus();
  if (!Eng().started) {
    Fail(kNotStarted);
    return;
  }
  FileBlock* fb = new (std::nothrow) FileBlock;
  if (record_length < kMinRecordLength) Fail(kRecordLengthTooSmall);
  if (key_count > kMaxIndexes || key_count < 0) Fail(kTooManyIndexes);
  if (fb == nullptr) Fail(kNoMemoryCreate);
  if (!StatusOk()) {
    delete fb;
    return;
  }
  std::unique_ptr<FileBlock> owner(fb);
  std::string data_name, index_name;
  SplitName(name, &data_name, &index_name);
  fb->data.name = ForceExtension(data_name, "DAT");
  fb->index.name = ForceExtension(index_name, "IX");
  std::string dia_name = ForceExtension(data_name, "DIA");
  platform::Env* env = EngineEnv();
  env->DeleteFile(fb->index.name);
  env->DeleteFile(dia_name);
  env->DeleteFile(fb->data.name);

  fb->key_count = static_cast<uint8_t>(key_count);
  try {
    fb->headers.resize(static_cast<size_t>(key_count) + 1);
  } catch (const std::bad_alloc&) {
    Fail(kNoMemoryHeaders);
    return;
  }
  if (!CreateEngineFile(fb->data)) return;
  HeaderState& h0 = fb->headers[0];
  h0.first_free = -1;
  h0.free_count = 0;
  h0.slots_used = 0;
  h0.slot_size = record_length;
  bool ok = ZeroFill(fb->data, 0, record_length) && WriteDataHeader(*fb, 0);
  bool index_created = false;
  if (ok && key_count > 0) {
    ok = CreateEngineFile(fb->index);
    index_created = ok;
    fb->row_size = 0;
    fb->row_count = 0;
    for (int k = 1; ok && k <= key_count; ++k) {
      int key_length = key_descriptors[2 * (k - 1)];
      bool duplicates = key_descriptors[2 * (k - 1) + 1] != 0;
      if (key_length == 0 || key_length > kMaxKeyLength) {
        Fail(kBadKeyLength);
        ok = false;
        break;
      }
      HeaderState& hs = fb->headers[k];
      InitIndexHeader(hs, key_length, duplicates);
      hs.row_offset = fb->row_size;
      fb->row_size += hs.slot_size;
    }
    if (ok) ok = ZeroFill(fb->index, 0, fb->row_size);
    for (int k = 1; ok && k <= key_count; ++k) ok = WriteIndexHeader(*fb, k);
    if (ok) ok = CloseEngineFile(fb->index);
  }
  if (ok) ok = CloseEngineFile(fb->data);
  if (ok) return;
  // Undo: keep the first failure's status, remove what this call created.
  EngineStatus saved = Eng().status;
  if (index_created) {
    if (fb->index.IsOpen()) CloseEngineFile(fb->index);
    env->DeleteFile(fb->index.name);
  }
  if (fb->data.IsOpen()) CloseEngineFile(fb->data);
  env->DeleteFile(fb->data.name);
  Eng().status = saved;
}

FileBlock* OpenFiles(const std::string& data_name, const std::string& index_name, bool shared) {
  std::unique_ptr<FileBlock> fb(new (std::nothrow) FileBlock);
  if (!fb) {
    Fail(kNoMemoryOpen);
    return nullptr;
  }
  fb->data.name = ForceExtension(data_name, "DAT");
  fb->index.name = ForceExtension(index_name, "IX");
  try {
    fb->headers.resize(1);
  } catch (const std::bad_alloc&) {
    Fail(kNoMemoryHeaders);
    return nullptr;
  }
  if (!OpenEngineFile(fb->data, shared)) return nullptr;
  auto undo = [&fb]() {
    EngineStatus saved = Eng().status;
    if (fb->index.IsOpen()) CloseEngineFile(fb->index);
    if (fb->data.IsOpen()) CloseEngineFile(fb->data);
    Eng().status = saved;
    return nullptr;
  };
  uint8_t in_use = 0;
  if (!ReadDataHeader(*fb, &in_use)) return undo();
  if (fb->key_count > kMaxIndexes) {
    Fail(kHeaderTooManyIndexes);
    return undo();
  }
  if (fb->headers[0].slot_size < kMinRecordLength) {
    // A record length the engine could never have created: every record transfer would be
    // meaningless and slot positions could overlap the header.
    Fail(kRecordLengthTooSmall);
    return undo();
  }
  try {
    fb->headers.resize(static_cast<size_t>(fb->key_count) + 1);
  } catch (const std::bad_alloc&) {
    Fail(kNoMemoryHeaders);
    return undo();
  }
  if (fb->key_count > 0 && !OpenEngineFile(fb->index, shared)) {
    if (StatusCode() != kTooManyOpenFiles) Fail(kIncompleteChanges);
    return undo();
  }
  fb->row_size = 0;
  fb->row_count = 0;
  for (int k = 1; k <= fb->key_count; ++k) {
    HeaderState& hs = fb->headers[k];
    hs.row_offset = fb->row_size;
    if (!ReadIndexHeader(*fb, k, true)) return undo();
    fb->row_size += hs.slot_size;
    fb->row_count = std::max(fb->row_count, hs.slots_used);
    hs.path.depth = 0;
    hs.header_dirty = false;
    hs.last_from_free = false;
    hs.path_valid = false;
  }
  if (in_use != 0) {
    Fail(kIncompleteChanges);
    return undo();
  }
  fb->modified = false;
  try {
    Eng().open.push_back(fb.get());
  } catch (const std::bad_alloc&) {
    Fail(kNoMemoryOpen);
    return undo();
  }
  return fb.release();
}

bool CloseFiles(FileBlock*& fb) {
  Engine& e = Eng();
  e.pool.DropBuffers(fb);
  bool ok = true;
  if (fb->key_count > 0 && fb->index.IsOpen()) ok = CloseEngineFile(fb->index) && ok;
  if (fb->data.IsOpen()) ok = CloseEngineFile(fb->data) && ok;
  e.open.erase(std::remove(e.open.begin(), e.open.end(), fb), e.open.end());
  fb->tag = 0;
  delete fb;
  fb = nullptr;
  return ok;
}

}  // namespace isam
