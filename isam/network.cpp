#include "isam/network.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "isam/data_file.h"
#include "isam/encoding.h"
#include "isam/engine.h"
#include "isam/journal.h"
#include "isam/operations.h"
#include "isam/status.h"
#include "platform/env.h"

namespace isam {
namespace {

// Slot ownership locks must stay inside the range the other-users test covers.
constexpr int32_t kMaxSlots = 65534;

ChangeSet AllOnes() {
  ChangeSet cs;
  cs.fill(0xFF);
  return cs;
}

bool Bit(const ChangeSet& cs, int i) { return (cs[i / 8] >> (i % 8)) & 1; }
void SetBit(ChangeSet& cs, int i) { cs[i / 8] = static_cast<uint8_t>(cs[i / 8] | (1 << (i % 8))); }

platform::File* Dia(FileBlock& fb) { return fb.dia.handle.get(); }

int64_t MailboxOffset(const NetState& net, int slot) {
  return kUserAreaOffset + static_cast<int64_t>(slot) * net.slot_size;
}

// The other-slots lock: the user area before and after the own mailbox.
struct OtherSlots {
  uint64_t first_len = 0;
  uint64_t second_off = 0;
  uint64_t second_len = 0;
};

OtherSlots OtherSlotsOf(const NetState& net) {
  OtherSlots o;
  o.first_len = static_cast<uint64_t>(net.own_slot) * net.slot_size;
  o.second_off = static_cast<uint64_t>(MailboxOffset(net, net.own_slot + 1));
  int64_t end = kUserAreaOffset + net.area_size;
  o.second_len =
      end > static_cast<int64_t>(o.second_off) ? static_cast<uint64_t>(end) - o.second_off : 0;
  return o;
}

bool LockOtherSlots(FileBlock& fb) {
  OtherSlots o = OtherSlotsOf(*fb.net);
  if (!LockRegion(Dia(fb), kUserAreaOffset, o.first_len, 0, Eng().net.delay_ms)) return false;
  if (o.second_len > 0 && !LockRegion(Dia(fb), o.second_off, o.second_len, 0, Eng().net.delay_ms)) {
    UnlockRegion(Dia(fb), kUserAreaOffset, o.first_len);
    return false;
  }
  return true;
}

void UnlockOtherSlots(FileBlock& fb) {
  OtherSlots o = OtherSlotsOf(*fb.net);
  UnlockRegion(Dia(fb), kUserAreaOffset, o.first_len);
  if (o.second_len > 0) UnlockRegion(Dia(fb), o.second_off, o.second_len);
}

bool WriteLockTake(FileBlock& fb) {
  return LockRegion(Dia(fb), kUserAreaOffset, static_cast<uint64_t>(fb.net->area_size),
                    Eng().net.write_limit_ms, Eng().net.delay_ms);
}

bool WriteLockRelease(FileBlock& fb) {
  return UnlockRegion(Dia(fb), kUserAreaOffset, static_cast<uint64_t>(fb.net->area_size));
}

// Publish and release the write lock: the body of UnlockDataFile.
bool Unlock(FileBlock& fb) {
  if (!PublishChanges(fb)) return false;
  if (!WriteLockRelease(fb)) {
    Fail(kLockReleaseFailed);
    return false;
  }
  fb.net->write_locked = false;
  fb.modified = false;
  return true;
}

}  // namespace

bool TakeReadLock(FileBlock& fb) {
  NetState& net = *fb.net;
  if (!LockRegion(Dia(fb), static_cast<uint64_t>(MailboxOffset(net, net.own_slot)), net.slot_size,
                  Eng().net.read_limit_ms, Eng().net.delay_ms)) {
    Fail(kOtherFileError);
    return false;
  }
  return true;
}

bool ReleaseReadLock(FileBlock& fb) {
  NetState& net = *fb.net;
  if (!UnlockRegion(Dia(fb), static_cast<uint64_t>(MailboxOffset(net, net.own_slot)),
                    net.slot_size)) {
    Fail(kReadLockReleaseFailed);
    return false;
  }
  return true;
}

bool ApplyChanges(FileBlock& fb, const ChangeSet& cs) {
  NetState& net = *fb.net;
  if (!Bit(cs, fb.key_count + 1)) return true;
  uint8_t zeros[16] = {};
  if (!WriteAt(fb.dia, MailboxOffset(net, net.own_slot), net.slot_size, zeros)) {
    net.apply_failed = true;
    return false;
  }
  for (int i = 0; i <= fb.key_count; ++i) {
    if (!Bit(cs, i)) continue;
    if (!ReadHeader(fb, i)) {
      net.apply_failed = true;
      return false;
    }
    if (i >= 1) {
      HeaderState& hs = fb.headers[i];
      hs.path_valid = false;
      fb.row_count = std::max(fb.row_count, hs.slots_used);
      Eng().pool.DropIndexBuffers(&fb, i);
    }
  }
  return true;
}

bool MergeChangeSet(FileBlock& fb, const ChangeSet& cs) {
  NetState& net = *fb.net;
  const int slot = net.slot_size;
  bool all = true;
  for (int i = 0; i <= fb.key_count; ++i) all = all && Bit(cs, i);
  const int positions = net.area_size / slot;
  const int chunk = kMergeChunkBytes / slot;
  uint8_t mark[2];
  PutU16(mark, 0, kUserAreaMark);
  if (!WriteAt(fb.dia, 1, 2, mark)) return false;
  std::vector<uint8_t> buf;
  try {
    buf.resize(static_cast<size_t>(chunk) * slot);
  } catch (const std::bad_alloc&) {
    Fail(kOtherFileError);
    return false;
  }
  for (int start = 0; start < positions; start += chunk) {
    int count = std::min(chunk, positions - start);
    size_t bytes = static_cast<size_t>(count) * slot;
    int64_t off = MailboxOffset(net, start);
    if (all) {
      std::fill(buf.begin(), buf.end(), 0);
    } else if (!ReadAt(fb.dia, off, bytes, buf.data())) {
      return false;
    }
    for (int i = 0; i < count; ++i) {
      int pos = start + i;
      uint8_t* box = buf.data() + static_cast<size_t>(i) * slot;
      if (pos == net.own_slot) {
        std::memset(box, 0, static_cast<size_t>(slot));
      } else if (pos != 0) {
        for (int b = 0; b < slot; ++b) box[b] = all ? cs[b] : static_cast<uint8_t>(box[b] | cs[b]);
      }
    }
    if (!WriteAt(fb.dia, off, bytes, buf.data())) return false;
  }
  return true;
}

bool PublishChanges(FileBlock& fb) {
  if (!fb.modified) return true;
  ChangeSet cs{};
  SetBit(cs, fb.key_count + 1);
  for (int i = 0; i <= fb.key_count; ++i) {
    if (fb.headers[i].header_dirty || fb.headers[i].header_written) SetBit(cs, i);
  }
  if (!Eng().pool.WriteDirtyPagesAndHeaders(&fb)) return false;
  HeaderState& h0 = fb.headers[0];
  // After a tree change that stopped half-way the in-use flag stays set: the set must not be
  // taken as sound by the next open.
  const uint8_t in_use = fb.change_incomplete ? 1 : 0;
  if (h0.header_dirty || h0.header_written) {
    if (!WriteDataHeader(fb, in_use)) return false;
    h0.header_dirty = false;
    h0.header_written = true;
  } else if (in_use == 0) {
    const uint8_t zero = 0;
    if (!WriteAt(fb.data, kDhInUse, 1, &zero)) return false;
  }
  return MergeChangeSet(fb, cs);
}

bool RefreshFromOthers(FileBlock& fb, bool write_locked) {
  NetState& net = *fb.net;
  if (!write_locked && !TakeReadLock(fb)) return false;
  bool other_slots = false;
  auto fail = [&]() {
    EngineStatus saved = Eng().status;
    if (!write_locked) {
      ReleaseReadLock(fb);
      if (other_slots) UnlockOtherSlots(fb);
    }
    Eng().status = saved;
    Eng().status.ok = false;
    return false;
  };
  uint8_t head[3];
  ChangeSet cs{};
  bool valid = ReadAt(fb.dia, 0, 3, head) && GetU16(head, 1) == kUserAreaMark &&
               ReadAt(fb.dia, MailboxOffset(net, net.own_slot), net.slot_size, cs.data());
  if (!StatusOk() && StatusCode() == kOtherFileError) return fail();
  if (valid) {
    if (net.apply_failed) {
      cs = AllOnes();
      net.apply_failed = false;
    }
    if (!ApplyChanges(fb, cs)) return fail();
    return true;
  }
  // Clean file or journal: rebuild under exclusion of every other slot. The own read lock
  // stays held, so the operation that asked for the refresh still runs under it.
  ClearStatus();
  if (!write_locked) {
    if (!LockOtherSlots(fb)) {
      Fail(kWriteLockHeld);
      return fail();
    }
    other_slots = true;
  }
  if (!ReplayJournal(fb)) return fail();
  if (!ApplyChanges(fb, AllOnes())) return fail();
  if (!MergeChangeSet(fb, AllOnes())) return fail();
  if (!write_locked) UnlockOtherSlots(fb);
  return true;
}

void OpenDataFile(FileBlock*& out, const std::string& name, bool /*save_mode*/) {
  out = nullptr;
  if (!BeginCall(nullptr, kCheckNone)) {
    EndCall(nullptr);
    return;
  }
  Engine& e = Eng();
  std::string data_name, index_name;
  SplitName(name, &data_name, &index_name);
  EngineFile dia;
  dia.name = ForceExtension(data_name, "DIA");
  bool created = false;
  FileBlock* fb = nullptr;
  bool open_locked = false;
  auto finish = [&](bool ok) {
    if (!ok) {
      EngineStatus saved = e.status;
      if (fb != nullptr) {
        fb->net.reset();
        CloseFiles(fb);
      }
      if (open_locked) UnlockRegion(dia.handle.get(), kOpenLockOffset, 1);
      if (dia.IsOpen()) CloseEngineFile(dia);
      if (created) EngineEnv()->DeleteFile(dia.name);
      e.status = saved;
      if (e.status.code == kOtherFileError) e.status.code = kOpenLockHeld;
    }
    EndCall(nullptr);
  };

  if (!OpenEngineFile(dia, true)) {
    if (StatusCode() != kFileNotFound) return finish(false);
    e.status.ok = true;
    e.status.code = 0;
    const uint8_t zero = 0;
    if (!CreateEngineFile(dia)) return finish(false);
    created = true;
    if (!WriteAt(dia, 0, 1, &zero) || !CloseEngineFile(dia) || !OpenEngineFile(dia, true)) {
      return finish(false);
    }
  }
  if (!LockRegion(dia.handle.get(), kOpenLockOffset, 1, e.net.write_limit_ms, e.net.delay_ms)) {
    Fail(kOpenLockHeld);
    return finish(false);
  }
  open_locked = true;
  fb = OpenFiles(data_name, index_name, true);
  if (fb == nullptr) return finish(false);

  uint16_t slot_size = SlotSizeFor(fb->key_count);
  int64_t area_size = static_cast<int64_t>(slot_size) * kSlotPositions;
  int state = 1;
  if (!created) {
    int64_t size = 0;
    if (!FileSize(dia, &size)) return finish(false);
    if (size == 1) {
      state = 1;
    } else {
      state = 2;
      uint8_t mark[2];
      if (size >= 3) {
        if (!ReadAt(dia, 1, 2, mark)) return finish(false);
        int64_t n = (size - 3) / slot_size;
        if (GetU16(mark, 0) == kUserAreaMark && n > 1 && n * slot_size == size - 3) {
          state = 0;
          area_size = std::min<int64_t>(size - 3, static_cast<int64_t>(kMaxSlots + 1) * slot_size);
        }
      }
    }
  }
  if (state != 0) {
    if (!LockRegion(dia.handle.get(), kOthersTestOffset, kOthersTestLength, 0, e.net.delay_ms)) {
      Fail(kRecoveryWhileActive);
      return finish(false);
    }
    UnlockRegion(dia.handle.get(), kOthersTestOffset, kOthersTestLength);
  }
  fb->dia = std::move(dia);
  // From here the coordination file belongs to the FileBlock; undo through it.
  auto finish_fb = [&](bool ok) {
    if (!ok) {
      dia = std::move(fb->dia);
    }
    finish(ok);
  };
  fb->net.reset(new (std::nothrow) NetState);
  if (!fb->net) {
    Fail(kNoMemoryNetState);
    return finish_fb(false);
  }
  NetState& net = *fb->net;
  net.slot_size = slot_size;
  net.area_size = static_cast<int32_t>(area_size);
  net.highest_slot = static_cast<uint16_t>(area_size / slot_size - 1);

  // Pick the own slot: from a random one downwards, wrapping, until a slot lock succeeds.
  uint32_t start = e.env->RandomSeed() % net.highest_slot + 1;
  uint32_t s = start;
  bool got = false;
  for (uint32_t tried = 0; tried < net.highest_slot; ++tried) {
    if (LockRegion(fb->dia.handle.get(), kSlotLockBase - s, 1, 0, e.net.delay_ms)) {
      got = true;
      break;
    }
    s = s == 1 ? net.highest_slot : s - 1;
  }
  if (!got) {
    Fail(kNoFreeSlot);
    return finish_fb(false);
  }
  net.own_slot = static_cast<uint16_t>(s);
  if (state == 2) {
    if (!ReplayJournal(*fb)) return finish_fb(false);
    state = 1;
  }
  if (state == 1 && !MergeChangeSet(*fb, AllOnes())) return finish_fb(false);
  open_locked = false;
  if (!UnlockRegion(fb->dia.handle.get(), kOpenLockOffset, 1)) {
    Fail(kOpenLockReleaseFailed);
    return finish_fb(false);
  }
  fb->tag = kValidTag;
  out = fb;
  finish(true);
}

void LockDataFile(FileBlock* fb) {
  if (BeginCall(fb, kCheckNone) && !fb->net->write_locked) {
    if (!WriteLockTake(*fb)) {
      Fail(kWriteLockHeld);
    } else if (!RefreshFromOthers(*fb, true)) {
      EngineStatus saved = Eng().status;
      WriteLockRelease(*fb);
      Eng().status = saved;
    } else {
      fb->net->write_locked = true;
      for (HeaderState& hs : fb->headers) hs.header_written = false;
    }
  }
  EndCall(fb);
}

void UnlockDataFile(FileBlock* fb) {
  if (BeginCall(fb, kCheckNone) && fb->net->write_locked) Unlock(*fb);
  EndCall(fb);
}

void CloseDataFile(FileBlock*& fb) {
  ClearStatus();
  if (!Eng().started) {
    Fail(kNotStarted);
    return;
  }
  if (fb == nullptr) {
    Fail(kBadFileBlock);
    return;
  }
  if (!IsOpenBlock(fb)) {
    Fail(kCloseNotOpen);
    return;
  }
  if (fb->net->write_locked && !Unlock(*fb)) {
    Fail(kCloseWriteLockRelease);
    EndCall(fb);
    return;
  }
  bool bad = false;
  if (!UnlockRegion(Dia(*fb), kSlotLockBase - fb->net->own_slot, 1)) {
    Fail(kReadLockReleaseFailed);
    bad = true;
  }
  fb->net.reset();
  if (!CloseEngineFile(fb->dia)) bad = true;
  if (!CloseFiles(fb)) bad = true;
  fb = nullptr;
  if (bad) Fail(kCloseIncomplete);
  EndCall(nullptr);
}

}  // namespace isam
