// The multi-user protocol on a set's coordination file (.DIA): the user area of one mailbox
// per user slot, the byte-range locks (open lock, write lock, read locks, slot ownership, the
// other-users test and the other-slots lock), and the steps that move changes between
// processes: a writer publishes the headers it changed into every other mailbox at unlock,
// and every reader refreshes exactly what its own mailbox names.
//
// Contract that is easy to get wrong:
//  * Byte 0 of the coordination file carries no meaning; the u16 2000 at offset 1 says a
//    user area follows at offset 3. A 1-byte file is clean; anything else holds a journal.
//  * The write lock covers the whole user area, so it excludes every reader (each locks its
//    own mailbox) and every open (which locks byte 3).
//  * A ChangeSet is slot size bytes: bit i (i = 0..key count) = header i changed, bit
//    key count + 1 = something changed.
#pragma once

#include <array>
#include <cstdint>

#include "isam/file_block.h"

namespace isam {

constexpr uint16_t kUserAreaMark = 2000;
constexpr int64_t kUserAreaOffset = 3;
constexpr uint64_t kOpenLockOffset = 3;
constexpr uint64_t kSlotLockBase = 0x7FFFFFFF;  // slot s locks byte kSlotLockBase - s
constexpr uint64_t kOthersTestOffset = 0x7FFF0001;
constexpr uint64_t kOthersTestLength = 0xFFFF;
constexpr int kSlotPositions = 1001;
constexpr int kMergeChunkBytes = 513;

using ChangeSet = std::array<uint8_t, 16>;

inline uint16_t SlotSizeFor(int key_count) {
  return static_cast<uint16_t>((key_count + 1) / 8 + 1);
}

bool TakeReadLock(FileBlock& fb);
bool ReleaseReadLock(FileBlock& fb);
bool RefreshFromOthers(FileBlock& fb, bool write_locked);
bool ApplyChanges(FileBlock& fb, const ChangeSet& cs);
bool PublishChanges(FileBlock& fb);
bool MergeChangeSet(FileBlock& fb, const ChangeSet& cs);

}  // namespace isam
