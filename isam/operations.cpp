#include "isam/operations.h"

#include <cstring>
#include <vector>

#include "isam/btree.h"
#include "isam/data_file.h"
#include "isam/encoding.h"
#include "isam/engine.h"
#include "isam/isam.h"
#include "isam/network.h"
#include "isam/status.h"

namespace isam {
namespace {

constexpr uint8_t kNetworkMode = 2;

std::string Cut(const std::string& key) {
  return key.size() > static_cast<size_t>(kMaxKeyLength) ? key.substr(0, kMaxKeyLength) : key;
}

std::string KeyString(const uint8_t* key) {
  return std::string(reinterpret_cast<const char*>(key + 1), key[0]);
}

// Records the stepping position after FirstKey/NextKey handed out (key, ref).
void Remember(HeaderState& hs, const uint8_t* key, int32_t ref) {
  hs.stepping = true;
  hs.step_at_end = false;
  hs.step_path_ok = true;
  hs.step_key = KeyString(key);
  hs.step_ref = ref;
}

// The smallest key: an empty search key sorts before every key but an empty one.
bool StepFirst(FileBlock* fb, int k, uint8_t* key, int32_t* ref) {
  uint8_t empty[kMaxKeyLength + 1] = {};
  int32_t r = 0;
  bool found = SearchPath(fb, k, empty, r);
  if (!StatusOk()) return false;
  if (found) {
    std::memcpy(key, empty, sizeof empty);
    *ref = r;
    return true;
  }
  return NextOnPath(fb, k, key, ref);
}

}  // namespace

bool BeginCall(FileBlock* fb, int checks, int k) {
  ClearStatus();
  Engine& e = Eng();
  if (!e.started) {
    Fail(kNotStarted);
    return false;
  }
  if (fb == nullptr && checks == kCheckNone) return true;
  if (!IsOpenBlock(fb) || fb->tag != kValidTag) {
    Fail(kBadFileBlock);
    return false;
  }
  if ((checks & kCheckWriteLock) && !fb->net->write_locked) {
    Fail(kNoWriteLock);
    return false;
  }
  if ((checks & kCheckKeyNumber) && (k < 1 || k > fb->key_count)) {
    Fail(kKeyNumberRange);
    return false;
  }
  if ((checks & kCheckReadAccess) && !fb->net->write_locked) {
    if (!RefreshFromOthers(*fb, false)) {
      if (StatusCode() == kOtherFileError) Fail(kReadLockNotObtained);
      return false;
    }
    fb->net->temporary_read_lock = true;
  }
  return true;
}

void EndCall(FileBlock* fb) {
  Engine& e = Eng();
  if (!e.started || e.status.code == kBadFileBlock) return;
  if (fb == nullptr || !IsOpenBlock(fb) || !fb->net) return;
  if (e.status.code == kOtherFileError) e.status.code = kNetworkFileError;
  if (fb->net->temporary_read_lock) {
    if (ReleaseReadLock(*fb)) fb->net->temporary_read_lock = false;
  }
}

int32_t StartEngine(uint8_t mode, int32_t page_buffers) {
  Engine& e = Eng();
  ClearStatus();
  if (e.started) {
    Fail(kAlreadyStarted);
    return 0;
  }
  if (page_buffers < kMinBuffers) {
    Fail(kTooFewBuffersRequested);
    return 0;
  }
  e.open.clear();
  if (mode != kNetworkMode) {
    Fail(kUnsupportedMode);
    return 0;
  }
  e.net = NetSettings{};
  int count = e.pool.Allocate(page_buffers);
  if (count == 0) return 0;
  e.started = true;
  return count;
}

void StopEngine() {
  Engine& e = Eng();
  ClearStatus();
  if (!e.started) {
    Fail(kNotStarted);
    return;
  }
  int32_t first = 0;
  std::vector<FileBlock*> blocks = e.open;
  for (FileBlock* fb : blocks) {
    FileBlock* f = fb;
    CloseDataFile(f);
    if (!StatusOk() && first == 0) first = StatusCode();
  }
  ClearStatus();
  if (first != 0) {
    Fail(first);
    return;
  }
  e.pool.FreeAll();
  e.started = false;
}

void FlushDataFile(FileBlock* fb) {
  if (BeginCall(fb, kCheckNone) && fb->net->write_locked) {
    bool modified = fb->modified;
    bool ok = !modified || PublishChanges(*fb);
    ok = ok && FlushEngineFile(fb->data);
    if (modified) {
      ok = ok && FlushEngineFile(fb->dia);
      if (fb->key_count > 0) ok = ok && FlushEngineFile(fb->index);
    }
    if (ok) fb->modified = false;
  }
  EndCall(fb);
}

int32_t AddRecord(FileBlock* fb, int32_t& n, const void* record) {
  n = 0;
  if (BeginCall(fb, kCheckWriteLock) && MarkModified(*fb)) {
    HeaderState& h0 = fb->headers[0];
    int32_t first_free = h0.first_free;
    int32_t slot = 0;
    if (TakeSlot(*fb, 0, &slot)) {
      n = slot;
      if (!WriteAt(fb->data, SlotPosition(*fb, 0, slot), static_cast<size_t>(h0.slot_size),
                   record)) {
        if (h0.last_from_free) {
          // A short write may have overwritten the slot's chain link: put it back, or mark
          // the set as left half-changed when even that fails.
          EngineStatus failed = Eng().status;
          uint8_t link[4];
          PutI32(link, 0, h0.first_free);
          if (!WriteAt(fb->data, SlotPosition(*fb, 0, slot), sizeof link, link)) {
            fb->change_incomplete = true;
          }
          Eng().status = failed;
          h0.first_free = first_free;
          h0.free_count += 1;
        } else {
          h0.slots_used -= 1;
        }
        n = 0;
      }
    }
  }
  EndCall(fb);
  return n;
}

void DeleteRecord(FileBlock* fb, int32_t n) {
  if (BeginCall(fb, kCheckWriteLock)) {
    if (n < 1 || n > fb->headers[0].slots_used) {
      Fail(kRecordNumberRange);
    } else if (MarkModified(*fb)) {
      ReleaseSlot(*fb, 0, n);
    }
  }
  EndCall(fb);
}

void InsertKey(FileBlock* fb, uint16_t k, int32_t n, const std::string& key) {
  std::string cut = Cut(key);
  if (BeginCall(fb, kCheckWriteLock | kCheckKeyNumber, k)) {
    HeaderState& hs = fb->headers[k];
    if (cut.size() > hs.key_length) {
      Fail(kKeyTooLong);
    } else if (MarkModified(*fb)) {
      hs.path_valid = false;
      uint8_t kb[kMaxKeyLength + 1];
      MakeKey(cut, kb);
      int r = InsertIntoTree(fb, k, kb, n);
      if (r == 1) {
        hs.key_count += 1;
        hs.header_dirty = true;
      } else if (r == 0) {
        Fail(kDuplicateKey);
      }
    }
  }
  EndCall(fb);
}

void RemoveKey(FileBlock* fb, uint16_t k, int32_t n, const std::string& key) {
  std::string cut = Cut(key);
  if (BeginCall(fb, kCheckWriteLock | kCheckKeyNumber, k) && MarkModified(*fb)) {
    HeaderState& hs = fb->headers[k];
    hs.path_valid = false;
    uint8_t kb[kMaxKeyLength + 1];
    MakeKey(cut, kb);
    int r = DeleteFromTree(fb, k, kb, n);
    if (r == 1) {
      hs.key_count -= 1;
      hs.header_dirty = true;
    } else if (r == 0) {
      Fail(kRemoveNotFound);
    }
  }
  EndCall(fb);
}

int32_t LookupKey(FileBlock* fb, uint16_t k, int32_t& n, const std::string& key) {
  std::string cut = Cut(key);
  n = 0;
  if (BeginCall(fb, kCheckKeyNumber | kCheckReadAccess, k)) {
    HeaderState& hs = fb->headers[k];
    hs.step_path_ok = false;
    uint8_t kb[kMaxKeyLength + 1];
    MakeKey(cut, kb);
    int32_t ref = 0;
    bool found = SearchPath(fb, k, kb, ref);
    if (found) n = ref;
    if (!found && StatusCode() == 0 && hs.duplicates) {
      ClearStatus();
      uint8_t next[kMaxKeyLength + 1];
      int32_t next_ref = 0;
      if (NextOnPath(fb, k, next, &next_ref) && CompareKeys(next, kb) == 0) {
        found = true;
        n = next_ref;
      }
    }
    if (!found) {
      int32_t c = StatusCode();
      if (c == 0 || (c >= 10200 && c <= 10299)) Fail(kKeyNotFound);
    }
  }
  EndCall(fb);
  return n;
}

void ReadRecord(FileBlock* fb, int32_t n, void* record) {
  if (BeginCall(fb, kCheckReadAccess)) {
    const HeaderState& h0 = fb->headers[0];
    if (n < 1 || n > h0.slots_used) {
      Fail(kRecordNumberRange);
    } else {
      ReadAt(fb->data, SlotPosition(*fb, 0, n), static_cast<size_t>(h0.slot_size), record);
    }
  }
  EndCall(fb);
}

void FirstKey(FileBlock* fb, uint16_t k, int32_t& n, std::string& key) {
  if (BeginCall(fb, kCheckKeyNumber | kCheckReadAccess, k)) {
    HeaderState& hs = fb->headers[k];
    uint8_t kb[kMaxKeyLength + 1];
    int32_t ref = 0;
    if (StepFirst(fb, k, kb, &ref)) {
      Remember(hs, kb, ref);
      n = ref;
      key = KeyString(kb);
    } else {
      hs.stepping = false;
    }
  }
  EndCall(fb);
}

void NextKey(FileBlock* fb, uint16_t k, int32_t& n, std::string& key) {
  if (BeginCall(fb, kCheckKeyNumber | kCheckReadAccess, k)) {
    HeaderState& hs = fb->headers[k];
    uint8_t kb[kMaxKeyLength + 1];
    int32_t ref = 0;
    bool ok;
    if (!hs.stepping) {
      ok = StepFirst(fb, k, kb, &ref);
    } else if (hs.step_at_end) {
      Fail(kNoFurtherKey);
      ok = false;
    } else {
      bool stands = false;  // re-search from the last key handed out
      if (!stands) {
        uint8_t last[kMaxKeyLength + 1];
        MakeKey(hs.step_key, last);
        int32_t last_ref = hs.step_ref;
        SearchPath(fb, k, last, last_ref);
      }
      ok = StatusOk() && NextOnPath(fb, k, kb, &ref);
    }
    if (ok) {
      Remember(hs, kb, ref);
      n = ref;
      key = KeyString(kb);
    } else if (StatusCode() == kNoFurtherKey) {
      hs.step_at_end = hs.stepping;
    }
  }
  EndCall(fb);
}

int32_t RecordLength(const FileBlock* fb) { return IsOpenBlock(fb) ? fb->headers[0].slot_size : 0; }
int32_t RecordsUsed(const FileBlock* fb) { return IsOpenBlock(fb) ? fb->headers[0].slots_used : 0; }
int KeyCount(const FileBlock* fb) { return IsOpenBlock(fb) ? fb->key_count : 0; }
int32_t IndexKeyCount(const FileBlock* fb, uint16_t k) {
  return IsOpenBlock(fb) && k >= 1 && k <= fb->key_count ? fb->headers[k].key_count : 0;
}
int IndexKeyLength(const FileBlock* fb, uint16_t k) {
  return IsOpenBlock(fb) && k >= 1 && k <= fb->key_count ? fb->headers[k].key_length : 0;
}

}  // namespace isam
