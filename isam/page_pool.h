// The engine-wide pool of index page buffers shared by every open set: a ring kept in
// least-recently-used order (the head is the least recent, the one before it the most
// recent), conversion between the packed page of the index file and the fixed in-memory page,
// and writing changed pages back when a buffer is reused or flushed.
//
// Contract that is easy to get wrong:
//  * A page pointer stays valid only until enough other pages are fetched to push its buffer
//    to the head (at least 8 buffers exist); the tree code re-fetches pages by number after
//    any step that may touch many pages, and holds at most four at a time.
//  * A page read from disk is checked: an item count above the index's items per page, or a
//    key length byte above its key length, is a damaged index (10170) and the buffer stays
//    free. So is a page number outside 1..pages used.
//  * A write stores exactly 6 + count * (key length + 9) bytes; the rest of the slot keeps what
//    it held.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "isam/file_block.h"

namespace isam {

constexpr int kMinBuffers = 8;
constexpr int kItemHeadBytes = 9;  // record reference, right child, key length byte
constexpr int kPageHeadBytes = 6;  // item count, leftmost child

struct PageItem {
  int32_t ref = 0;
  int32_t child = 0;
  uint8_t key[kMaxKeyLength + 1] = {};  // key[0] is the length
};

struct IndexPage {
  uint16_t count = 0;
  int32_t leftmost = 0;
  PageItem item[kItemsPerPage + 1];  // items 1..count; item[0] unused
  int32_t buffer = -1;               // the pool buffer holding this image
  int32_t Child(int i) const { return i == 0 ? leftmost : item[i].child; }
};

class PagePool {
 public:
  // Allocates up to n buffers while memory lasts; fewer than 8: none, status 10000, 0.
  int Allocate(int n);
  void FreeAll();
  int Count() const { return static_cast<int>(buffers_.size()); }

  IndexPage* GetPage(FileBlock* fb, int k, int32_t n);
  IndexPage* AllocatePage(FileBlock* fb, int k, int32_t* n);
  void FreePage(IndexPage* page);
  void MarkDirty(IndexPage* page);
  bool FlushPages(FileBlock* fb, bool release);
  bool WriteDirtyPagesAndHeaders(FileBlock* fb);
  void DropBuffers(FileBlock* fb);
  void DropIndexBuffers(FileBlock* fb, int k);

  // Counts every change the pool made to a page or a free chain (a page marked dirty, taken or
  // freed); a tree operation compares it before and after to tell whether a failure struck
  // before or after its first change.
  uint64_t Changes() const { return changes_; }

  // For tests: whether (fb, k, n) is buffered, and the number of dirty buffers of fb.
  bool Holds(const FileBlock* fb, int k, int32_t n) const;
  int DirtyCount(const FileBlock* fb) const;

 private:
  struct Buffer {
    int prev = 0;
    int next = 0;
    FileBlock* owner = nullptr;
    int32_t page = 0;
    uint16_t key = 0;
    bool dirty = false;
    IndexPage image;
  };
  void MakeMostRecent(int b);
  void CollectFreeAtHead();
  bool WritePage(int b);
  bool ReadPage(int b, FileBlock* fb, int k, int32_t n);

  std::vector<std::unique_ptr<Buffer>> buffers_;
  int head_ = 0;
  std::vector<uint8_t> packed_;  // one packed page for transfers
  std::vector<int> order_;       // scratch for CollectFreeAtHead
  uint64_t changes_ = 0;
};

// Encodes a page as the index file holds it: 6 + count * (L + 9) bytes into `out`.
size_t PackPage(const IndexPage& page, int key_length, uint8_t* out);
// Decodes a packed page; false when the count exceeds `items_per_page` or a key length byte
// exceeds `key_length` (the page is left partly filled).
bool UnpackPage(const uint8_t* in, int key_length, int items_per_page, IndexPage* page);

}  // namespace isam
