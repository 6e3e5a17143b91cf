#include "isam/page_pool.h"

#include <cstring>
#include <new>

#include "isam/data_file.h"
#include "isam/encoding.h"
#include "isam/engine.h"
#include "isam/index_header.h"
#include "isam/status.h"

namespace isam {

size_t PackPage(const IndexPage& page, int key_length, uint8_t* out) {
  PutU16(out, 0, page.count);
  PutI32(out, 2, page.leftmost);
  size_t pos = kPageHeadBytes;
  for (int i = 1; i <= page.count; ++i) {
    const PageItem& it = page.item[i];
    PutI32(out, static_cast<int>(pos), it.ref);
    PutI32(out, static_cast<int>(pos) + 4, it.child);
    std::memcpy(out + pos + 8, it.key, static_cast<size_t>(key_length) + 1);
    pos += static_cast<size_t>(key_length) + kItemHeadBytes;
  }
  return pos;
}

bool UnpackPage(const uint8_t* in, int key_length, int items_per_page, IndexPage* page) {
  uint16_t count = GetU16(in, 0);
  if (count > items_per_page || count > kItemsPerPage) return false;
  page->count = count;
  page->leftmost = GetI32(in, 2);
  size_t pos = kPageHeadBytes;
  for (int i = 1; i <= count; ++i) {
    PageItem& it = page->item[i];
    it.ref = GetI32(in, static_cast<int>(pos));
    it.child = GetI32(in, static_cast<int>(pos) + 4);
    if (in[pos + 8] > key_length) return false;
    std::memcpy(it.key, in + pos + 8, static_cast<size_t>(key_length) + 1);
    std::memset(it.key + key_length + 1, 0, static_cast<size_t>(kMaxKeyLength - key_length));
    pos += static_cast<size_t>(key_length) + kItemHeadBytes;
  }
  return true;
}

int PagePool::Allocate(int n) {
  FreeAll();
  if (n > 65535) n = 65535;
  try {
    packed_.assign(static_cast<size_t>(PageSizeFor(kMaxKeyLength)), 0);
    buffers_.reserve(static_cast<size_t>(n > 0 ? n : 0));
  } catch (const std::bad_alloc&) {
    // Buffers are still tried one at a time below.
  }
  for (int i = 0; i < n; ++i) {
    std::unique_ptr<Buffer> b(new (std::nothrow) Buffer);
    if (!b) break;
    try {
      buffers_.push_back(std::move(b));
    } catch (const std::bad_alloc&) {
      break;
    }
    int idx = static_cast<int>(buffers_.size()) - 1;
    buffers_[idx]->image.buffer = idx;
    if (idx == 0) {
      buffers_[0]->prev = buffers_[0]->next = 0;
      head_ = 0;
    } else {
      // Link right after the head.
      int after = buffers_[head_]->next;
      buffers_[idx]->prev = head_;
      buffers_[idx]->next = after;
      buffers_[after]->prev = idx;
      buffers_[head_]->next = idx;
    }
  }
  try {
    order_.assign(buffers_.size(), 0);
  } catch (const std::bad_alloc&) {
    FreeAll();
  }
  if (static_cast<int>(buffers_.size()) < kMinBuffers || packed_.empty()) {
    FreeAll();
    Fail(kTooFewBuffersAllocated);
    return 0;
  }
  return static_cast<int>(buffers_.size());
}

void PagePool::FreeAll() {
  buffers_.clear();
  buffers_.shrink_to_fit();
  head_ = 0;
}

void PagePool::MakeMostRecent(int b) {
  if (buffers_[head_]->prev == b) return;
  if (b == head_) {
    head_ = buffers_[head_]->next;
    return;
  }
  Buffer& x = *buffers_[b];
  buffers_[x.prev]->next = x.next;
  buffers_[x.next]->prev = x.prev;
  int before = buffers_[head_]->prev;
  x.prev = before;
  x.next = head_;
  buffers_[before]->next = b;
  buffers_[head_]->prev = b;
}

// Moves every owned buffer to the most recent end in ring order, so free buffers gather at
// the head and are reused first.
void PagePool::CollectFreeAtHead() {
  size_t n = buffers_.size();
  std::vector<int>& order = order_;
  int b = head_;
  for (size_t i = 0; i < n; ++i) {
    order[i] = b;
    b = buffers_[b]->next;
  }
  for (size_t i = 0; i < n; ++i) {
    if (buffers_[order[i]]->owner != nullptr) MakeMostRecent(order[i]);
  }
}

bool PagePool::WritePage(int b) {
  Buffer& buf = *buffers_[b];
  buf.dirty = false;
  FileBlock* fb = buf.owner;
  const HeaderState& hs = fb->headers[buf.key];
  size_t len = PackPage(buf.image, hs.key_length, packed_.data());
  if (WriteAt(fb->index, SlotPosition(*fb, buf.key, buf.page), len, packed_.data())) return true;
  // The file does not hold the image: it stays dirty, so the next flush or publish writes it
  // again instead of reporting the change stored.
  buf.dirty = true;
  return false;
}

bool PagePool::ReadPage(int b, FileBlock* fb, int k, int32_t n) {
  Buffer& buf = *buffers_[b];
  const HeaderState& hs = fb->headers[k];
  if (!ReadAt(fb->index, SlotPosition(*fb, k, n), static_cast<size_t>(hs.slot_size),
              packed_.data())) {
    return false;
  }
  if (!UnpackPage(packed_.data(), hs.key_length, hs.items_per_page, &buf.image)) {
    Fail(kDamagedChain);
    return false;
  }
  return true;
}

IndexPage* PagePool::GetPage(FileBlock* fb, int k, int32_t n) {
  if (buffers_.empty()) {
    Fail(kNotStarted);
    return nullptr;
  }
  if (n < 1 || n > fb->headers[k].slots_used) {
    Fail(kDamagedChain);
    return nullptr;
  }
  int b = buffers_[head_]->prev;
  for (size_t i = 0; i < buffers_.size(); ++i) {
    Buffer& x = *buffers_[b];
    if (x.owner == fb && x.page == n && x.key == k) {
      MakeMostRecent(b);
      return &x.image;
    }
    b = x.prev;
  }
  b = head_;
  Buffer& x = *buffers_[b];
  if (x.owner != nullptr && x.dirty && !WritePage(b)) return nullptr;
  x.owner = nullptr;
  x.dirty = false;
  if (!ReadPage(b, fb, k, n)) return nullptr;
  x.owner = fb;
  x.page = n;
  x.key = static_cast<uint16_t>(k);
  MakeMostRecent(b);
  return &x.image;
}

IndexPage* PagePool::AllocatePage(FileBlock* fb, int k, int32_t* n) {
  int b = head_;
  Buffer& x = *buffers_[b];
  if (x.owner != nullptr && x.dirty && !WritePage(b)) return nullptr;
  x.owner = nullptr;
  x.dirty = false;
  if (!TakeSlot(*fb, k, n)) return nullptr;
  ++changes_;
  x.owner = fb;
  x.page = *n;
  x.key = static_cast<uint16_t>(k);
  x.image.count = 0;
  x.image.leftmost = 0;
  MakeMostRecent(b);
  return &x.image;
}

void PagePool::FreePage(IndexPage* page) {
  Buffer& x = *buffers_[page->buffer];
  if (x.owner == nullptr) return;
  ++changes_;
  ReleaseSlot(*x.owner, x.key, x.page);
  x.owner = nullptr;
  x.dirty = false;
  CollectFreeAtHead();
}

void PagePool::MarkDirty(IndexPage* page) {
  Buffer& x = *buffers_[page->buffer];
  if (x.owner != nullptr) {
    x.dirty = true;
    ++changes_;
  }
}

bool PagePool::FlushPages(FileBlock* fb, bool release) {
  int b = head_;
  for (size_t i = 0; i < buffers_.size(); ++i) {
    Buffer& x = *buffers_[b];
    int next = x.next;
    if (x.owner == fb) {
      if (x.dirty && !WritePage(b)) return false;
      if (release) x.owner = nullptr;
    }
    b = next;
  }
  if (release) CollectFreeAtHead();
  return true;
}

bool PagePool::WriteDirtyPagesAndHeaders(FileBlock* fb) {
  if (!FlushPages(fb, false)) return false;
  for (int k = 1; k <= fb->key_count; ++k) {
    HeaderState& hs = fb->headers[k];
    if (!hs.header_dirty) continue;
    hs.header_dirty = false;
    hs.header_written = true;
    if (!WriteIndexHeader(*fb, k)) {
      hs.header_dirty = true;
      return false;
    }
  }
  return true;
}

void PagePool::DropBuffers(FileBlock* fb) {
  for (auto& x : buffers_) {
    if (x->owner == fb) {
      x->owner = nullptr;
      x->dirty = false;
    }
  }
}

void PagePool::DropIndexBuffers(FileBlock* fb, int k) {
  for (auto& x : buffers_) {
    if (x->owner == fb && x->key == k) {
      x->owner = nullptr;
      x->dirty = false;
    }
  }
}

bool PagePool::Holds(const FileBlock* fb, int k, int32_t n) const {
  for (const auto& x : buffers_) {
    if (x->owner == fb && x->key == k && x->page == n) return true;
  }
  return false;
}

int PagePool::DirtyCount(const FileBlock* fb) const {
  int c = 0;
  for (const auto& x : buffers_) c += (x->owner == fb && x->dirty) ? 1 : 0;
  return c;
}

}  // namespace isam
