#include "isam/lock_table.h"

#include <algorithm>
#include <functional>
#include <new>

#include "isam/engine.h"
#include "isam/engine_file.h"

namespace isam {
namespace {

constexpr size_t kMaxEntries = 4000;
constexpr size_t kHandleGrowth = 25;
constexpr size_t kRangeGrowth = 50;

// Grows a vector's capacity in the table's steps; false when the cap or memory is reached.
template <typename T>
bool MakeRoom(std::vector<T>& v, size_t step) {
  if (v.size() < v.capacity()) return true;
  if (v.size() >= kMaxEntries) return false;
  try {
    v.reserve(std::min(kMaxEntries, v.capacity() + step));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

int LockTable::FindHandle(platform::File* handle) const {
  auto less = std::less<platform::File*>();
  size_t lo = 0, hi = handles_.size();
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (less(handles_[mid].handle, handle)) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  if (lo < handles_.size() && handles_[lo].handle == handle) return static_cast<int>(lo);
  return -1;
}

bool LockTable::Lock(platform::File* handle, uint64_t offset, uint64_t length, uint32_t limit_ms,
                     uint32_t delay_ms) {
  int hi = FindHandle(handle);
  if (hi < 0) {
    if (!MakeRoom(handles_, kHandleGrowth)) return false;
    auto pos = std::lower_bound(handles_.begin(), handles_.end(), handle,
                                [](const HandleEntry& e, platform::File* h) {
                                  return std::less<platform::File*>()(e.handle, h);
                                });
    pos = handles_.insert(pos, HandleEntry{handle, {}});
    hi = static_cast<int>(pos - handles_.begin());
  }
  std::vector<Range>& ranges = handles_[hi].ranges;
  auto it = std::lower_bound(ranges.begin(), ranges.end(), offset,
                             [](const Range& r, uint64_t off) { return r.offset < off; });
  if (it != ranges.end() && it->offset == offset) {
    if (it->length != length) return false;
    ++it->count;
    return true;
  }
  size_t index = static_cast<size_t>(it - ranges.begin());
  if (!MakeRoom(ranges, kRangeGrowth)) return false;
  uint32_t elapsed = 0;
  for (;;) {
    elapsed += delay_ms;
    if (LockBytes(handle, offset, length)) {
      ranges.insert(ranges.begin() + static_cast<std::ptrdiff_t>(index), Range{offset, length, 1});
      return true;
    }
    if (elapsed >= limit_ms) return false;
    Pause(delay_ms);
  }
}

bool LockTable::Unlock(platform::File* handle, uint64_t offset, uint64_t length) {
  int hi = FindHandle(handle);
  if (hi < 0) return false;
  std::vector<Range>& ranges = handles_[hi].ranges;
  auto it = std::lower_bound(ranges.begin(), ranges.end(), offset,
                             [](const Range& r, uint64_t off) { return r.offset < off; });
  if (it == ranges.end() || it->offset != offset || it->length != length) return false;
  if (it->count > 1) {
    --it->count;
    return true;
  }
  if (!UnlockBytes(handle, offset, length)) return false;
  ranges.erase(it);
  return true;
}

void LockTable::UnlockAll(platform::File* handle) {
  int hi = FindHandle(handle);
  if (hi < 0) return;
  std::vector<Range>& ranges = handles_[hi].ranges;
  while (!ranges.empty()) {
    const Range& r = ranges.back();
    if (!UnlockBytes(handle, r.offset, r.length)) return;
    ranges.pop_back();
  }
  handles_.erase(handles_.begin() + hi);
}

void LockTable::Forget(platform::File* handle) {
  int hi = FindHandle(handle);
  if (hi >= 0) handles_.erase(handles_.begin() + hi);
}

int32_t LockTable::CountAt(platform::File* handle, uint64_t offset) const {
  int hi = FindHandle(handle);
  if (hi < 0) return 0;
  for (const Range& r : handles_[hi].ranges) {
    if (r.offset == offset) return r.count;
  }
  return 0;
}

bool LockRegion(platform::File* handle, uint64_t offset, uint64_t length, uint32_t limit_ms,
                uint32_t delay_ms) {
  return Eng().locks.Lock(handle, offset, length, limit_ms, delay_ms);
}
bool UnlockRegion(platform::File* handle, uint64_t offset, uint64_t length) {
  return Eng().locks.Unlock(handle, offset, length);
}
void UnlockAllRegions(platform::File* handle) { Eng().locks.UnlockAll(handle); }

}  // namespace isam

namespace isam {
void ForgetRegions(platform::File* handle) { Eng().locks.Forget(handle); }
}  // namespace isam
