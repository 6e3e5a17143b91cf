// The structural checker: an independent reading of the data, index and coordination file
// layouts. See verify.h for the contract.
#include "isam/verify.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>

#include "platform/env.h"

namespace isam {
namespace {

// Data file header (slot 0).
constexpr int kDataHeaderBytes = 21;
constexpr int kDataFirstFree = 0;
constexpr int kDataFreeCount = 4;
constexpr int kDataRecordsUsed = 8;
constexpr int kDataRecordLength = 12;
constexpr int kDataKeyCount = 16;
constexpr int kDataInUse = 20;
constexpr int kMinRecordLength = 21;

// Index header (row 0, at the index's row offset).
constexpr int kIndexHeaderBytes = 28;
constexpr int kIxFirstFree = 0;
constexpr int kIxFreeCount = 4;
constexpr int kIxPagesUsed = 8;
constexpr int kIxPageSize = 12;
constexpr int kIxRoot = 16;
constexpr int kIxDuplicates = 20;
constexpr int kIxKeyCount = 22;
constexpr int kIxItemsPerPage = 26;

// Index page.
constexpr int kPageCount = 0;
constexpr int kPageLeftmost = 2;
constexpr int kPageHead = 6;
constexpr int kItemRef = 0;
constexpr int kItemChild = 4;
constexpr int kItemKeyLength = 8;
constexpr int kItemKey = 9;
constexpr int kItemOverhead = 9;

constexpr int kMaxItemsPerPage = 62;
constexpr int kMaxIndexCount = 100;
constexpr int kMaxTreeDepth = 8;  // levels a key path holds
constexpr int32_t kEndOfChain = -1;

// Coordination file.
constexpr uint16_t kUserAreaMark = 2000;
constexpr int kUserAreaOffset = 3;
constexpr uint16_t kJournalHeaderEntry = 1000;
constexpr int kJournalHeaderEntryBytes = 36;
constexpr int kJournalPageEntryFixed = 14;

// A hostile file could produce a defect for every page; the list stops growing here.
constexpr size_t kMaxDefects = 500;

int32_t GetI32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 |
                              static_cast<uint32_t>(p[3]) << 24);
}
uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

template <typename... Args>
std::string Cat(const Args&... args) {
  std::ostringstream out;
  (out << ... << args);
  return out.str();
}

// Key bytes for a message: printable ASCII as is, everything else as \xHH.
std::string Quote(const std::string& key) {
  std::string out = "\"";
  for (unsigned char c : key) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char buf[5];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out + "\"";
}

std::string ForceExtension(const std::string& name, const char* ext) {
  size_t dot = name.rfind('.');
  bool replace = dot != std::string::npos;
  if (replace) {
    for (size_t i = dot + 1; i < name.size(); ++i) {
      if (platform::IsSeparator(name[i])) replace = false;
    }
  }
  return (replace ? name.substr(0, dot + 1) : name + ".") + ext;
}

// An open file with its size, read only in whole, bounds-checked pieces.
struct Source {
  std::unique_ptr<platform::File> file;
  uint64_t size = 0;

  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= size && length <= size - offset;
  }
  bool Read(uint64_t offset, void* buf, size_t length) const {
    if (!file || !Has(offset, length)) return false;
    size_t got = 0;
    return file->Read(offset, buf, length, &got) == 0 && got == length;
  }
};

int OpenSource(platform::Env* env, const std::string& path, Source* src) {
  int err = env->OpenFile(path, platform::OpenMode::kReadOnly, &src->file);
  if (err != 0) return err;
  err = src->file->Size(&src->size);
  if (err != 0) src->file.reset();
  return err;
}

struct Key {
  std::string text;
  int32_t ref = 0;
  int32_t page = 0;
  int item = 0;  // 1-based position on its page
};

class Checker {
 public:
  Checker(platform::Env* env, const VerifyOptions& options, VerifyResult* result)
      : env_(env ? env : platform::Env::Default()), options_(options), r_(*result) {}

  ~Checker() {
    for (Source* s : {&dat_, &ix_, &dia_}) {
      if (s->file) env_->CloseFile(std::move(s->file));
    }
  }

  // Examines everything (only_index 0) or walks one index for a listing.
  void Run(const std::string& name, int only_index, const KeyVisitor* visit) {
    visit_ = visit;
    SetFileNames names = NamesOfSet(name);
    SetFacts& f = r_.facts;
    f.data_path = names.data;
    f.index_path = names.index;
    f.coord_path = names.coord;

    if (!ReadDataHeader()) return;
    if (f.key_count > 0 && f.key_count <= kMaxIndexCount && !ReadIndexHeaders()) return;
    if (only_index != 0 && (only_index < 1 || only_index > static_cast<int>(f.indexes.size()))) {
      r_.readable = false;
      r_.error =
          Cat("the set has no index ", only_index, " (it has ", f.indexes.size(), " indexes)");
      return;
    }
    if (only_index == 0 || options_.check_record_refs) CheckRecordChain();
    for (IndexFacts& ix : f.indexes) {
      if (only_index != 0 && ix.number != only_index) continue;
      if (!ix.header_ok) {
        if (only_index != 0) {
          r_.readable = false;
          r_.error = Cat("index ", ix.number, " has a damaged header");
        }
        continue;
      }
      WalkIndex(ix);
    }
    if (only_index != 0) return;
    CheckIndexFileSize();
    ReadCoordinationFile();
  }

 private:
  void Defect(const std::string& text) {
    ++defect_total_;
    if (r_.defects.size() < kMaxDefects) {
      r_.defects.push_back(text);
    } else if (defect_total_ == kMaxDefects + 1) {
      r_.defects.push_back("further defects were found and are not listed");
    }
  }

  bool Unreadable(const std::string& why) {
    r_.readable = false;
    r_.error = why;
    return false;
  }

  // ---- data file ------------------------------------------------------------------------

  bool ReadDataHeader() {
    SetFacts& f = r_.facts;
    int err = OpenSource(env_, f.data_path, &dat_);
    if (err != 0)
      return Unreadable(Cat("cannot open the data file ", f.data_path, " (error ", err, ")"));
    f.data_size = dat_.size;
    uint8_t h[kDataHeaderBytes];
    if (!dat_.Read(0, h, sizeof h)) {
      return Unreadable(Cat("the data file ", f.data_path, " is ", f.data_size,
                            " bytes long, too short for its 21-byte header"));
    }
    r_.readable = true;
    f.first_free = GetI32(h + kDataFirstFree);
    f.free_count = GetI32(h + kDataFreeCount);
    f.records_used = GetI32(h + kDataRecordsUsed);
    f.record_length = GetI32(h + kDataRecordLength);
    f.key_count_raw = GetI32(h + kDataKeyCount);
    f.key_count = h[kDataKeyCount];
    f.in_use = h[kDataInUse];

    record_length_ok_ = f.record_length >= kMinRecordLength;
    if (!record_length_ok_) {
      Defect(Cat("data header: record length ", f.record_length, " is below 21"));
    }
    if (f.records_used < 0)
      Defect(Cat("data header: records used is negative (", f.records_used, ")"));
    if (f.key_count > kMaxIndexCount) {
      Defect(Cat("data header: ", f.key_count, " indexes, more than 100"));
    }
    if (f.in_use != 0 && !options_.ignore_in_use) {
      Defect(Cat("data header: the in-use byte is ", static_cast<int>(f.in_use),
                 ": a writer left changes that were never published"));
    }
    if (record_length_ok_ && f.records_used >= 0) {
      uint64_t expected =
          (static_cast<uint64_t>(f.records_used) + 1) * static_cast<uint64_t>(f.record_length);
      if (f.data_size < expected) {
        Defect(Cat("data file is ", f.data_size, " bytes, too short for ", f.records_used,
                   " records of ", f.record_length, " bytes (", expected, " bytes)"));
      } else if (f.data_size > expected && !(options_.ignore_in_use && f.in_use != 0)) {
        Defect(Cat("data file is ", f.data_size, " bytes, longer than the ", expected,
                   " bytes of its ", f.records_used, " records"));
      }
    }
    return true;
  }

  void CheckRecordChain() {
    SetFacts& f = r_.facts;
    if (!record_length_ok_ || f.records_used < 0) return;
    const uint64_t length = static_cast<uint64_t>(f.record_length);
    const int64_t in_file = static_cast<int64_t>(f.data_size / length);  // slots present
    const int64_t tracked = std::min<int64_t>(f.records_used, in_file);
    record_free_.assign(static_cast<size_t>(tracked) + 1, 0);
    record_chain_ok_ = true;

    int32_t cur = f.first_free;
    std::string from = "the data header";
    while (cur != kEndOfChain) {
      if (cur < 1 || cur > f.records_used) {
        Defect(Cat("record free chain: link ", cur, " from ", from, " is outside 1..",
                   f.records_used));
        record_chain_ok_ = false;
        break;
      }
      if (cur > tracked) {
        Defect(Cat("record free chain: record ", cur, " lies beyond the end of the data file"));
        record_chain_ok_ = false;
        break;
      }
      if (record_free_[cur]) {
        Defect(Cat("record free chain: record ", cur, " is reached twice (a cycle)"));
        record_chain_ok_ = false;
        break;
      }
      record_free_[cur] = 1;
      ++f.free_found;
      uint8_t link[4];
      if (!dat_.Read(static_cast<uint64_t>(cur) * length, link, sizeof link)) {
        Defect(Cat("record free chain: record ", cur, " cannot be read"));
        record_chain_ok_ = false;
        break;
      }
      from = Cat("record ", cur);
      cur = GetI32(link);
    }
    if (record_chain_ok_ && f.free_found != f.free_count) {
      Defect(Cat("record free chain: the header counts ", f.free_count,
                 " free records, the chain holds ", f.free_found));
    }
  }

  // ---- index headers --------------------------------------------------------------------

  bool ReadIndexHeaders() {
    SetFacts& f = r_.facts;
    int err = OpenSource(env_, f.index_path, &ix_);
    if (err != 0) {
      return Unreadable(Cat("cannot open the index file ", f.index_path, " (error ", err, ")"));
    }
    f.index_present = true;
    f.index_size = ix_.size;
    int64_t offset = 0;
    all_headers_ok_ = true;
    for (int k = 1; k <= f.key_count; ++k) {
      IndexFacts ix;
      ix.number = k;
      ix.row_offset = offset;
      uint8_t h[kIndexHeaderBytes];
      if (!ix_.Read(static_cast<uint64_t>(offset), h, sizeof h)) {
        Defect(Cat("index ", k, ": the index file ends inside its header"));
        all_headers_ok_ = false;
        f.indexes.push_back(ix);
        break;
      }
      ix.first_free = GetI32(h + kIxFirstFree);
      ix.free_count = GetI32(h + kIxFreeCount);
      ix.pages_used = GetI32(h + kIxPagesUsed);
      ix.page_size = GetI32(h + kIxPageSize);
      ix.root = GetI32(h + kIxRoot);
      ix.duplicates = h[kIxDuplicates];
      ix.key_count = GetI32(h + kIxKeyCount);
      ix.items_per_page_raw = GetU16(h + kIxItemsPerPage);
      CheckIndexHeader(ix);
      f.indexes.push_back(ix);
      if (!ix.header_ok) {
        // A damaged page size hides where the following headers start.
        all_headers_ok_ = false;
        if (k < f.key_count) {
          Defect(Cat("indexes ", k + 1, "..", f.key_count,
                     " cannot be located behind the damaged header of index ", k));
        }
        break;
      }
      offset += ix.page_size;
      f.row_count = std::max<int64_t>(f.row_count, ix.pages_used);
    }
    f.row_size = offset;
    return true;
  }

  // The open's header check: items per page at most 62 (0 read as 62), and a page size that
  // is exactly 6 + items per page x (key length + 9) for a key length of 1..100.
  void CheckIndexHeader(IndexFacts& ix) {
    int items = ix.items_per_page_raw == 0 ? kMaxItemsPerPage : ix.items_per_page_raw;
    if (items > kMaxItemsPerPage) {
      Defect(Cat("index ", ix.number, ": header holds ", items, " items per page, more than 62"));
      return;
    }
    int64_t g = (static_cast<int64_t>(ix.page_size) * 10000 - 60000) / items;
    int64_t h = g - 90000;
    if (h % 10000 != 0) {
      Defect(Cat("index ", ix.number, ": page size ", ix.page_size, " does not fit ", items,
                 " items per page"));
      return;
    }
    if (h > 1000000 || h < 10000) {
      Defect(Cat("index ", ix.number, ": page size ", ix.page_size,
                 " gives a key length outside 1..100"));
      return;
    }
    ix.items_per_page = items;
    ix.key_length = static_cast<int>(h / 10000);
    ix.header_ok = true;
    if (ix.pages_used < 0) {
      Defect(Cat("index ", ix.number, ": pages used is negative (", ix.pages_used, ")"));
    }
    if (ix.duplicates > 1) {
      Defect(Cat("index ", ix.number, ": duplicates flag is ", static_cast<int>(ix.duplicates),
                 ", not 0 or 1"));
    }
  }

  void CheckIndexFileSize() {
    SetFacts& f = r_.facts;
    if (!f.index_present || !all_headers_ok_ || f.row_size <= 0) return;
    uint64_t expected = static_cast<uint64_t>(f.row_count + 1) * static_cast<uint64_t>(f.row_size);
    if (f.index_size < expected) {
      Defect(Cat("index file is ", f.index_size, " bytes, too short for ", f.row_count + 1,
                 " rows of ", f.row_size, " bytes (", expected, " bytes)"));
    } else if (f.index_size > expected && !(options_.ignore_in_use && f.in_use != 0)) {
      Defect(Cat("index file is ", f.index_size, " bytes, not the ", expected, " bytes of ",
                 f.row_count + 1, " rows of ", f.row_size, " bytes"));
    }
  }

  // ---- one index: tree and free chain ---------------------------------------------------

  struct Walk {
    IndexFacts* ix = nullptr;
    int key_length = 0;
    int items = 0;
    bool dup = false;
    std::vector<uint8_t> state;  // per page: 0 unseen, 1 in the tree, 2 on the free chain
    int leaf_depth = 0;          // 0 until the first leaf
  };

  uint64_t PageOffset(const IndexFacts& ix, int32_t page) const {
    return static_cast<uint64_t>(page) * static_cast<uint64_t>(r_.facts.row_size) +
           static_cast<uint64_t>(ix.row_offset);
  }

  int Compare(const Walk& w, const Key& a, const Key& b) const {
    int c = a.text.compare(b.text);  // unsigned bytes, then the shorter first
    if (c != 0) return c < 0 ? -1 : 1;
    if (!w.dup) return 0;
    return a.ref < b.ref ? -1 : (a.ref > b.ref ? 1 : 0);
  }

  static std::string Describe(const Key& k) {
    return Cat("item ", k.item, " of page ", k.page, " (key ", Quote(k.text), ", record ", k.ref,
               ")");
  }

  // Reports a defect unless `low` sorts strictly below `high`.
  void CheckBelow(const Walk& w, const Key& low, const Key& high) {
    int c = Compare(w, low, high);
    if (c < 0) return;
    std::string where = Cat("index ", w.ix->number, ": ");
    if (c == 0 && w.dup) {
      Defect(where + Cat(Describe(low), " and ", Describe(high), " store the same key and record"));
    } else if (c == 0) {
      Defect(where + Cat(Describe(low), " and ", Describe(high),
                         " hold equal keys in an index without duplicates"));
    } else {
      Defect(where + Cat(Describe(low), " sorts after ", Describe(high)));
    }
  }

  void WalkIndex(IndexFacts& ix) {
    const SetFacts& f = r_.facts;
    Walk w;
    w.ix = &ix;
    w.key_length = ix.key_length;
    w.items = ix.items_per_page;
    w.dup = ix.duplicates != 0;
    const int64_t rows_in_file =
        f.row_size > 0 ? static_cast<int64_t>(f.index_size / f.row_size) : 0;
    const int64_t tracked = std::max<int64_t>(0, std::min<int64_t>(ix.pages_used, rows_in_file));
    w.state.assign(static_cast<size_t>(tracked) + 1, 0);

    if (ix.root != 0) WalkPage(w, ix.root, 0, 1, nullptr, nullptr);
    ix.depth = w.leaf_depth;

    // The free chain of pages.
    bool chain_ok = true;
    int32_t cur = ix.first_free;
    std::string from = "the header";
    while (cur != kEndOfChain) {
      std::string where = Cat("index ", ix.number, ": page free chain: ");
      if (cur < 1 || cur > ix.pages_used) {
        Defect(where + Cat("link ", cur, " from ", from, " is outside 1..", ix.pages_used));
        chain_ok = false;
        break;
      }
      uint8_t link[4];
      if (static_cast<size_t>(cur) >= w.state.size() ||
          !ix_.Read(PageOffset(ix, cur), link, sizeof link)) {
        Defect(where + Cat("page ", cur, " lies beyond the end of the index file"));
        chain_ok = false;
        break;
      }
      if (w.state[cur] == 1) {
        Defect(where + Cat("page ", cur, " is also part of the tree"));
        chain_ok = false;
        break;
      }
      if (w.state[cur] == 2) {
        Defect(where + Cat("page ", cur, " is reached twice (a cycle)"));
        chain_ok = false;
        break;
      }
      w.state[cur] = 2;
      ++ix.free_pages;
      from = Cat("page ", cur);
      cur = GetI32(link);
    }
    if (chain_ok && ix.free_pages != ix.free_count) {
      Defect(Cat("index ", ix.number, ": the header counts ", ix.free_count,
                 " free pages, the free chain holds ", ix.free_pages));
    }
    if (ix.pages_used >= 0 && ix.tree_pages + ix.free_pages != ix.pages_used) {
      Defect(Cat("index ", ix.number, ": ", ix.pages_used, " pages used, but the tree holds ",
                 ix.tree_pages, " and the free chain ", ix.free_pages));
    }
    if (ix.keys_found != ix.key_count) {
      Defect(Cat("index ", ix.number, ": the header counts ", ix.key_count,
                 " keys, the tree holds ", ix.keys_found));
    }
    ix.walked = true;
  }

  // Checks page `page` (reached from `parent`, 0 for the root) at `depth` and its subtree,
  // whose keys must lie strictly between `lower` and `upper` (nullptr: unbounded).
  void WalkPage(Walk& w, int32_t page, int32_t parent, int depth, const Key* lower,
                const Key* upper) {
    IndexFacts& ix = *w.ix;
    const std::string where = Cat("index ", ix.number, ": ");
    const std::string what =
        parent == 0 ? Cat("root page ", page) : Cat("page ", page, " (child of page ", parent, ")");
    if (page < 1 || page > ix.pages_used) {
      Defect(where + Cat(what, " is outside 1..", ix.pages_used));
      return;
    }
    const uint64_t offset = PageOffset(ix, page);
    if (static_cast<size_t>(page) >= w.state.size() ||
        !ix_.Has(offset, static_cast<uint64_t>(ix.page_size))) {
      Defect(where + Cat(what, " lies beyond the end of the index file"));
      return;
    }
    if (w.state[page] != 0) {
      Defect(where + Cat(what, " is reached twice"));
      return;
    }
    if (depth > kMaxTreeDepth) {
      Defect(where + Cat(what, " lies at depth ", depth, ", deeper than 8 levels"));
      return;
    }
    w.state[page] = 1;
    ++ix.tree_pages;

    std::vector<uint8_t> bytes(static_cast<size_t>(ix.page_size));
    if (!ix_.Read(offset, bytes.data(), bytes.size())) {
      Defect(where + Cat(what, " cannot be read"));
      return;
    }
    const int count = GetU16(bytes.data() + kPageCount);
    const int32_t leftmost = GetI32(bytes.data() + kPageLeftmost);
    if (count > w.items) {
      Defect(where + Cat(what, " holds ", count, " items, more than ", w.items, " per page"));
      return;
    }
    if (parent == 0 && count == 0) {
      Defect(where + Cat(what, " holds no items"));
    } else if (parent != 0 && count < w.items / 2) {
      Defect(where + Cat(what, " holds ", count, " items, fewer than ", w.items / 2));
    }

    const bool leaf = leftmost == 0;
    std::vector<Key> keys(static_cast<size_t>(count));
    std::vector<int32_t> children(static_cast<size_t>(count));
    const size_t item_size = static_cast<size_t>(w.key_length + kItemOverhead);
    for (int i = 0; i < count; ++i) {
      const uint8_t* it = bytes.data() + kPageHead + static_cast<size_t>(i) * item_size;
      Key& k = keys[i];
      k.ref = GetI32(it + kItemRef);
      k.page = page;
      k.item = i + 1;
      children[i] = GetI32(it + kItemChild);
      int m = it[kItemKeyLength];
      if (m > w.key_length) {
        Defect(where + Cat("item ", i + 1, " of page ", page, " has key length ", m,
                           ", more than the index's ", w.key_length));
        m = w.key_length;
      }
      k.text.assign(reinterpret_cast<const char*>(it + kItemKey), static_cast<size_t>(m));
      if (leaf && children[i] != 0) {
        Defect(where +
               Cat("item ", i + 1, " of leaf page ", page, " has the right child ", children[i]));
      } else if (!leaf && children[i] == 0) {
        Defect(where + Cat("item ", i + 1, " of page ", page,
                           " has no right child although the page has a leftmost child"));
      }
      CheckRecordRef(ix, k);
    }

    // Order within the page and against the bounds given by the parent.
    for (int i = 0; i < count; ++i) {
      const Key* before = i == 0 ? lower : &keys[i - 1];
      if (before) CheckBelow(w, *before, keys[i]);
    }
    if (upper && count > 0) CheckBelow(w, keys[count - 1], *upper);

    if (leaf) {
      if (w.leaf_depth == 0) {
        w.leaf_depth = depth;
      } else if (depth != w.leaf_depth) {
        Defect(where + Cat("leaf page ", page, " lies at depth ", depth, ", other leaves at depth ",
                           w.leaf_depth));
      }
    } else {
      WalkPage(w, leftmost, page, depth + 1, lower, count > 0 ? &keys[0] : upper);
    }
    for (int i = 0; i < count; ++i) {
      ++ix.keys_found;
      if (visit_) (*visit_)(keys[i].text, keys[i].ref);
      if (!leaf && children[i] != 0) {
        WalkPage(w, children[i], page, depth + 1, &keys[i], i + 1 < count ? &keys[i + 1] : upper);
      }
    }
  }

  void CheckRecordRef(const IndexFacts& ix, const Key& k) {
    if (!options_.check_record_refs || !record_length_ok_) return;
    const SetFacts& f = r_.facts;
    if (k.ref < 1 || k.ref > f.records_used) {
      Defect(Cat("index ", ix.number, ": ", Describe(k), " refers outside records 1..",
                 f.records_used));
    } else if (static_cast<size_t>(k.ref) < record_free_.size() && record_free_[k.ref]) {
      Defect(Cat("index ", ix.number, ": ", Describe(k), " refers to a free record slot"));
    }
  }

  // ---- coordination file ----------------------------------------------------------------

  void ReadCoordinationFile() {
    SetFacts& f = r_.facts;
    if (f.key_count > kMaxIndexCount) return;
    f.slot_size = (f.key_count + 1) / 8 + 1;
    if (!env_->FileExists(f.coord_path)) {
      f.coord_state = CoordState::kMissing;
      return;
    }
    int err = OpenSource(env_, f.coord_path, &dia_);
    if (err != 0) {
      Defect(Cat("cannot open the coordination file ", f.coord_path, " (error ", err, ")"));
      return;
    }
    f.coord_size = dia_.size;
    if (dia_.size == 1) {
      f.coord_state = CoordState::kClean;
      return;
    }
    uint8_t mark[2];
    if (dia_.Read(1, mark, sizeof mark) && GetU16(mark) == kUserAreaMark) {
      const uint64_t area = dia_.size >= kUserAreaOffset ? dia_.size - kUserAreaOffset : 0;
      const uint64_t positions = area / static_cast<uint64_t>(f.slot_size);
      if (positions > 1 && positions * static_cast<uint64_t>(f.slot_size) == area) {
        f.coord_state = CoordState::kUserArea;
        f.area_positions = static_cast<int64_t>(positions);
        CountPendingMailboxes();
      } else {
        f.coord_state = CoordState::kBadArea;
        Defect(Cat("coordination file: its user area of ", area,
                   " bytes is not a whole number (above 1) of ", f.slot_size,
                   "-byte mailboxes; the next open rebuilds it"));
      }
      return;
    }
    f.coord_state = CoordState::kJournal;
    Defect(
        "coordination file: it holds a journal of an interrupted change; the next open "
        "replays it");
    CheckJournal();
  }

  void CountPendingMailboxes() {
    SetFacts& f = r_.facts;
    std::vector<uint8_t> area(static_cast<size_t>(dia_.size - kUserAreaOffset));
    if (!dia_.Read(kUserAreaOffset, area.data(), area.size())) return;
    for (int64_t s = 1; s < f.area_positions; ++s) {
      const auto* box = area.data() + s * f.slot_size;
      if (std::any_of(box, box + f.slot_size, [](uint8_t b) { return b != 0; })) {
        ++f.pending_mailboxes;
      }
    }
  }

  // Walks the journal's entries as a replay would and reports what would stop it.
  void CheckJournal() {
    SetFacts& f = r_.facts;
    uint64_t at = 1;
    for (;;) {
      uint8_t head[4];
      if (!dia_.Read(at, head, 2)) return;  // the end of the file ends the journal
      const uint16_t code = GetU16(head);
      if (code == kUserAreaMark) return;
      uint64_t length = 0;
      if (code == kJournalHeaderEntry) {
        length = kJournalHeaderEntryBytes;
        if (!dia_.Read(at, head, 4)) return;
        const int k = GetU16(head + 2);
        if (k > f.key_count) {
          Defect(Cat("coordination file: the journal entry at offset ", at,
                     " restores the header of index ", k, ", which the set does not have"));
          return;
        }
      } else if (code >= 1 && code <= kMaxItemsPerPage) {
        if (!dia_.Read(at, head, 4)) return;
        const int k = GetU16(head + 2);
        if (k < 1 || k > static_cast<int>(f.indexes.size()) || !f.indexes[k - 1].header_ok) {
          Defect(Cat("coordination file: the journal entry at offset ", at,
                     " restores a page of index ", k, ", which the set does not have"));
          return;
        }
        length = kJournalPageEntryFixed +
                 static_cast<uint64_t>(code) * (f.indexes[k - 1].key_length + kItemOverhead);
      } else {
        Defect(Cat("coordination file: the journal entry at offset ", at, " starts with code ",
                   code, "; the journal cannot be replayed"));
        return;
      }
      if (!dia_.Has(at, length)) return;  // cut off inside the entry: the replay stops there
      ++f.journal_entries;
      at += length;
    }
  }

  platform::Env* env_;
  VerifyOptions options_;
  VerifyResult& r_;
  const KeyVisitor* visit_ = nullptr;
  Source dat_, ix_, dia_;
  bool record_length_ok_ = false;
  bool record_chain_ok_ = false;
  bool all_headers_ok_ = false;
  std::vector<uint8_t> record_free_;  // 1 for a record on the free chain
  size_t defect_total_ = 0;
};

}  // namespace

const char* CoordStateName(CoordState state) {
  switch (state) {
    case CoordState::kMissing:
      return "missing";
    case CoordState::kClean:
      return "clean";
    case CoordState::kUserArea:
      return "user area";
    case CoordState::kBadArea:
      return "damaged user area";
    case CoordState::kJournal:
      return "journal";
  }
  return "unknown";
}

SetFileNames NamesOfSet(const std::string& name) {
  std::string data = name;
  std::string index = name;
  size_t semi = name.find(';');
  if (semi != std::string::npos) {
    data = name.substr(0, semi);
    index = name.substr(semi + 1);
    size_t second = index.find(';');
    if (second != std::string::npos) index.resize(second);
  }
  return {ForceExtension(data, "DAT"), ForceExtension(index, "IX"), ForceExtension(data, "DIA")};
}

VerifyResult VerifyDataFileSet(platform::Env* env, const std::string& name,
                               const VerifyOptions& options) {
  VerifyResult result;
  Checker(env, options, &result).Run(name, 0, nullptr);
  return result;
}

VerifyResult ListIndexKeys(platform::Env* env, const std::string& name, int k,
                           const KeyVisitor& visit) {
  VerifyResult result;
  VerifyOptions options;
  options.ignore_in_use = true;
  Checker(env, options, &result).Run(name, k < 1 ? -1 : k, &visit);
  return result;
}

}  // namespace isam
