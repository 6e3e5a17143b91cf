// The process-wide registry of byte ranges this process has locked, per file handle, so that
// a range locked twice is locked once at the OS level and released only by the last release.
// LockRegion retries a refused OS lock every `delay` ms until the time limit is used up.
//
// Contract that is easy to get wrong:
//  * Ranges are matched by offset: locking an offset already held with the same length only
//    counts up; with another length it fails. Overlapping ranges at different offsets go to
//    the OS (which refuses an overlap held by any handle).
//  * A limit of 0 means exactly one attempt; 3072 ms with a 64 ms delay is 48 attempts.
//  * Neither list grows past 4000 entries; a full list refuses the lock.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {
class File;
}

namespace isam {

class LockTable {
 public:
  struct Range {
    uint64_t offset;
    uint64_t length;
    int32_t count;
  };

  bool Lock(platform::File* handle, uint64_t offset, uint64_t length, uint32_t limit_ms,
            uint32_t delay_ms);
  bool Unlock(platform::File* handle, uint64_t offset, uint64_t length);
  void UnlockAll(platform::File* handle);
  // Drops whatever is left of a handle's entry (after its file was closed, which released its
  // locks at the OS level), so a later handle at the same address starts clean.
  void Forget(platform::File* handle);

  // For tests: the count held at (handle, offset), 0 when none.
  int32_t CountAt(platform::File* handle, uint64_t offset) const;

 private:
  struct HandleEntry {
    platform::File* handle;
    std::vector<Range> ranges;  // sorted by offset
  };
  int FindHandle(platform::File* handle) const;  // index or -1
  std::vector<HandleEntry> handles_;             // sorted by handle
};

// The engine's table (engine.h).
bool LockRegion(platform::File* handle, uint64_t offset, uint64_t length, uint32_t limit_ms,
                uint32_t delay_ms);
bool UnlockRegion(platform::File* handle, uint64_t offset, uint64_t length);
void UnlockAllRegions(platform::File* handle);
void ForgetRegions(platform::File* handle);

}  // namespace isam
