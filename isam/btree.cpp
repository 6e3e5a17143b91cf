#include "isam/btree.h"

#include <algorithm>
#include <cstring>

#include "isam/engine.h"
#include "isam/status.h"

namespace isam {
namespace {

struct Tree {
  FileBlock* fb;
  int k;
  HeaderState& hs;
  PagePool& pool;
  int items;  // items per page
  int half;   // items per page div 2
};

Tree MakeTree(FileBlock* fb, int k) {
  HeaderState& hs = fb->headers[k];
  return Tree{fb, k, hs, Eng().pool, hs.items_per_page, hs.items_per_page / 2};
}

bool Damaged() {
  Fail(kDamagedChain);
  return false;
}

int Compare(const Tree& t, const uint8_t* key, int32_t ref, const PageItem& item) {
  int c = CompareKeys(key, item.key);
  if (c == 0 && t.hs.duplicates) {
    int32_t d = static_cast<int32_t>(static_cast<uint32_t>(ref) - static_cast<uint32_t>(item.ref));
    c = d < 0 ? -1 : (d > 0 ? 1 : 0);
  }
  return c;
}

struct Halving {
  bool exact;
  int mid;
  int hi;
};

Halving Halve(const Tree& t, const IndexPage& pg, const uint8_t* key, int32_t ref) {
  if (pg.count == 0) return Halving{false, 0, 0};
  int lo = 1, hi = pg.count, mid = 0;
  do {
    mid = (lo + hi) / 2;
    int c = Compare(t, key, ref, pg.item[mid]);
    if (c <= 0) hi = mid - 1;
    if (c >= 0) lo = mid + 1;
  } while (hi >= lo);
  return Halving{lo - hi >= 2, mid, hi};
}

IndexPage* Get(Tree& t, int32_t n) { return t.pool.GetPage(t.fb, t.k, n); }

// Places X after item j of p (j = 0..count) when p is full: the merged sequence of the pair,
// separator included, is shared out again. Returns 1 rotated, 0 not possible, -1 failure.
int Rotate(Tree& t, IndexPage* pg, int32_t p, int pos, int32_t parent, const PageItem& x, int j) {
  static PageItem seq[2 * kItemsPerPage + 2];
  IndexPage* par = Get(t, parent);
  if (par == nullptr) return -1;
  if (par->count == 0) return 0;
  bool p_is_left = pos < par->count;
  int sep = p_is_left ? pos + 1 : pos;
  int32_t sib = p_is_left ? par->item[pos + 1].child : par->Child(pos - 1);
  if (sib == p || sib == parent) {
    Damaged();
    return -1;
  }
  IndexPage* sp = Get(t, sib);
  if (sp == nullptr) return -1;
  if (sp->count >= t.items) return 0;
  IndexPage* left = p_is_left ? pg : sp;
  IndexPage* right = p_is_left ? sp : pg;
  int n = 0;
  auto take = [&](IndexPage* page) {
    bool with_x = page == pg;
    if (with_x && j == 0) seq[n++] = x;
    for (int i = 1; i <= page->count; ++i) {
      seq[n++] = page->item[i];
      if (with_x && i == j) seq[n++] = x;
    }
  };
  take(left);
  seq[n] = par->item[sep];
  seq[n].child = right->leftmost;
  ++n;
  take(right);
  int total = n;
  int p_keeps = total / 2;
  int nl = p_is_left ? p_keeps : total - p_keeps - 1;
  for (int i = 0; i < nl; ++i) left->item[i + 1] = seq[i];
  left->count = static_cast<uint16_t>(nl);
  PageItem up = seq[nl];
  right->leftmost = up.child;
  for (int i = nl + 1; i < total; ++i) right->item[i - nl] = seq[i];
  right->count = static_cast<uint16_t>(total - nl - 1);
  up.child = p_is_left ? sib : p;
  par->item[sep] = up;
  t.pool.MarkDirty(sp);
  t.pool.MarkDirty(par);
  return 1;
}

// Places the pending item after item j of page p; `split` stays set (with `x` the median)
// when p had to split.
bool Place(Tree& t, int32_t p, int j, int pos, int32_t parent, PageItem& x, bool& split) {
  IndexPage* pg = Get(t, p);
  if (pg == nullptr) return false;
  if (pg->count < t.items) {
    for (int i = pg->count; i > j; --i) pg->item[i + 1] = pg->item[i];
    pg->item[j + 1] = x;
    pg->count++;
    split = false;
    t.pool.MarkDirty(pg);
    return true;
  }
  if (parent != 0) {
    int r = Rotate(t, pg, p, pos, parent, x, j);
    if (r < 0) return false;
    if (r > 0) {
      split = false;
      t.pool.MarkDirty(pg);
      return true;
    }
  }
  int32_t qn = 0;
  IndexPage* q = t.pool.AllocatePage(t.fb, t.k, &qn);
  if (q == nullptr) return false;
  pg = Get(t, p);
  if (pg == nullptr) return false;
  const int h = t.half;
  const int full = pg->count;
  PageItem median;
  int qc = 0;
  if (j == h) {
    median = x;
    for (int i = h + 1; i <= full; ++i) q->item[++qc] = pg->item[i];
  } else if (j < h) {
    median = pg->item[h];
    for (int i = h + 1; i <= full; ++i) q->item[++qc] = pg->item[i];
    for (int i = h - 1; i >= j + 1; --i) pg->item[i + 1] = pg->item[i];
    pg->item[j + 1] = x;
  } else {
    median = pg->item[h + 1];
    for (int i = h + 2; i <= j; ++i) q->item[++qc] = pg->item[i];
    q->item[++qc] = x;
    for (int i = j + 1; i <= full; ++i) q->item[++qc] = pg->item[i];
  }
  pg->count = static_cast<uint16_t>(h);
  q->count = static_cast<uint16_t>(qc);
  q->leftmost = median.child;
  median.child = qn;
  x = median;
  split = true;
  t.pool.MarkDirty(q);
  t.pool.MarkDirty(pg);
  return true;
}

bool Insert(Tree& t, int32_t p, int pos, int32_t parent, const PageItem& item, PageItem& pending,
            bool& split, bool& duplicate, int depth) {
  if (p == 0) {
    pending = item;
    split = true;
    return true;
  }
  if (depth > kMaxPathDepth || p == parent) return Damaged();
  IndexPage* pg = Get(t, p);
  if (pg == nullptr) return false;
  Halving r = Halve(t, *pg, item.key, item.ref);
  if (r.exact) {
    duplicate = true;
    split = false;
    return true;
  }
  int32_t child = pg->Child(r.hi);
  if (child == p) return Damaged();
  if (!Insert(t, child, r.hi, p, item, pending, split, duplicate, depth + 1)) return false;
  if (split) return Place(t, p, r.hi, pos, parent, pending, split);
  return true;
}

bool Underflow(Tree& t, int32_t parent, int32_t a, int s, bool& underflow) {
  const int h = t.half;
  IndexPage* par = Get(t, parent);
  if (par == nullptr) return false;
  if (par->count == 0) return Damaged();
  int32_t b = s < par->count ? par->item[s + 1].child : par->Child(s - 1);
  if (a == parent || b == parent || a == b) return Damaged();
  IndexPage* ap = Get(t, a);
  if (ap == nullptr) return false;
  IndexPage* bp = Get(t, b);
  if (bp == nullptr) return false;
  par = Get(t, parent);
  ap = Get(t, a);
  bp = Get(t, b);
  const int ac = ap->count;
  if (s < par->count) {
    ap->item[ac + 1] = par->item[s + 1];
    ap->item[ac + 1].child = bp->leftmost;
    int kk = (bp->count - h + 1) / 2;
    if (kk > 0) {
      for (int i = 1; i <= kk - 1; ++i) ap->item[ac + 1 + i] = bp->item[i];
      PageItem up = bp->item[kk];
      bp->leftmost = up.child;
      up.child = b;
      par->item[s + 1] = up;
      for (int i = kk + 1; i <= bp->count; ++i) bp->item[i - kk] = bp->item[i];
      bp->count = static_cast<uint16_t>(bp->count - kk);
      ap->count = static_cast<uint16_t>(ac + kk);
      underflow = false;
      t.pool.MarkDirty(bp);
      t.pool.MarkDirty(ap);
    } else {
      for (int i = 1; i <= bp->count; ++i) ap->item[ac + 1 + i] = bp->item[i];
      ap->count = static_cast<uint16_t>(ac + 1 + bp->count);
      for (int i = s + 1; i < par->count; ++i) par->item[i] = par->item[i + 1];
      par->count--;
      t.pool.MarkDirty(ap);
      t.pool.FreePage(bp);
      underflow = par->count < h;
    }
  } else {
    int bc = bp->count;
    int kk = (bc + 1 - h) / 2;
    if (kk > 0) {
      for (int i = ac; i >= 1; --i) ap->item[i + kk] = ap->item[i];
      ap->item[kk] = par->item[s];
      ap->item[kk].child = ap->leftmost;
      for (int i = 1; i <= kk - 1; ++i) ap->item[i] = bp->item[bc - kk + 1 + i];
      PageItem up = bp->item[bc - kk + 1];
      ap->leftmost = up.child;
      up.child = a;
      par->item[s] = up;
      bp->count = static_cast<uint16_t>(bc - kk);
      ap->count = static_cast<uint16_t>(ac + kk);
      underflow = false;
      t.pool.MarkDirty(ap);
      t.pool.MarkDirty(bp);
    } else {
      bp->item[bc + 1] = par->item[s];
      bp->item[bc + 1].child = ap->leftmost;
      for (int i = 1; i <= ac; ++i) bp->item[bc + 1 + i] = ap->item[i];
      bp->count = static_cast<uint16_t>(bc + 1 + ac);
      par->count--;
      t.pool.MarkDirty(bp);
      t.pool.FreePage(ap);
      underflow = par->count < h;
    }
  }
  t.pool.MarkDirty(par);
  return StatusOk();
}

// Replaces item `mid` of page m by the greatest key of the subtree q.
bool Predecessor(Tree& t, int32_t q, int32_t m, int mid, bool& underflow, int depth) {
  if (depth > kMaxPathDepth || q == m) return Damaged();
  IndexPage* qp = Get(t, q);
  if (qp == nullptr) return false;
  if (qp->count == 0) return Damaged();
  int32_t r = qp->item[qp->count].child;
  if (r != 0) {
    if (r == q) return Damaged();
    if (!Predecessor(t, r, m, mid, underflow, depth + 1)) return false;
    if (!underflow) return true;
    qp = Get(t, q);
    if (qp == nullptr) return false;
    return Underflow(t, q, r, qp->count, underflow);
  }
  IndexPage* mp = Get(t, m);
  if (mp == nullptr) return false;
  qp = Get(t, q);
  if (qp == nullptr) return false;
  PageItem it = qp->item[qp->count];
  it.child = mp->item[mid].child;
  mp->item[mid] = it;
  qp->count--;
  underflow = qp->count < t.half;
  t.pool.MarkDirty(qp);
  t.pool.MarkDirty(mp);
  return true;
}

bool Delete(Tree& t, int32_t p, const uint8_t* key, int32_t ref, bool& found, bool& underflow,
            int depth) {
  if (p == 0) {
    found = false;
    underflow = false;
    return true;
  }
  if (depth > kMaxPathDepth) return Damaged();
  IndexPage* pg = Get(t, p);
  if (pg == nullptr) return false;
  Halving r = Halve(t, *pg, key, ref);
  int32_t w = pg->Child(r.hi);
  if (w == p) return Damaged();
  if (r.exact) {
    if (w == 0) {
      for (int i = r.mid; i < pg->count; ++i) pg->item[i] = pg->item[i + 1];
      pg->count--;
      underflow = pg->count < t.half;
      t.pool.MarkDirty(pg);
      return true;
    }
    if (!Predecessor(t, w, p, r.mid, underflow, depth + 1)) return false;
  } else {
    if (!Delete(t, w, key, ref, found, underflow, depth + 1)) return false;
  }
  if (underflow) return Underflow(t, p, w, r.hi, underflow);
  return true;
}

}  // namespace

void MakeKey(const std::string& bytes, uint8_t* key) {
  size_t n = std::min(bytes.size(), static_cast<size_t>(kMaxKeyLength));
  std::memset(key, 0, kMaxKeyLength + 1);
  key[0] = static_cast<uint8_t>(n);
  std::memcpy(key + 1, bytes.data(), n);
}

int CompareKeys(const uint8_t* a, const uint8_t* b) {
  int n = std::min(a[0], b[0]);
  int c = std::memcmp(a + 1, b + 1, static_cast<size_t>(n));
  if (c != 0) return c < 0 ? -1 : 1;
  return a[0] < b[0] ? -1 : (a[0] > b[0] ? 1 : 0);
}

bool SearchPath(FileBlock* fb, int k, const uint8_t* key, int32_t& ref) {
  Tree t = MakeTree(fb, k);
  KeyPath& path = t.hs.path;
  t.hs.path_valid = false;
  path.depth = 0;
  int32_t p = t.hs.root;
  bool found = false;
  while (p != 0 && !found) {
    if (path.depth >= kMaxPathDepth) {
      path.depth = 0;
      return Damaged();
    }
    path.depth++;
    KeyPath::Level& lv = path.level[path.depth];
    lv.page = p;
    IndexPage* pg = Get(t, p);
    if (pg == nullptr) {
      path.depth = 0;
      return false;
    }
    Halving r = Halve(t, *pg, key, ref);
    if (r.exact) {
      ref = pg->item[r.mid].ref;
      lv.pos = static_cast<uint8_t>(r.mid);
      found = true;
    } else {
      lv.pos = static_cast<uint8_t>(r.hi);
      p = pg->Child(r.hi);
    }
  }
  if (!found) {
    while (path.depth > 0 && path.level[path.depth].pos == 0) path.depth--;
  }
  t.hs.path_valid = true;
  return found;
}

bool NextOnPath(FileBlock* fb, int k, uint8_t* key, int32_t* ref) {
  Tree t = MakeTree(fb, k);
  KeyPath& path = t.hs.path;
  t.hs.path_valid = false;
  int32_t p;
  if (path.depth == 0) {
    p = t.hs.root;
  } else {
    IndexPage* pg = Get(t, path.level[path.depth].page);
    if (pg == nullptr) return false;
    int pos = path.level[path.depth].pos;
    if (pos > pg->count) return Damaged();
    p = pg->Child(pos);
  }
  while (p != 0) {
    if (path.depth >= kMaxPathDepth) {
      path.depth = 0;
      return Damaged();
    }
    path.depth++;
    path.level[path.depth].page = p;
    path.level[path.depth].pos = 0;
    IndexPage* pg = Get(t, p);
    if (pg == nullptr) {
      path.depth = 0;
      return false;
    }
    p = pg->leftmost;
  }
  if (path.depth > 0) {
    IndexPage* pg = Get(t, path.level[path.depth].page);
    if (pg == nullptr) return false;
    while (path.depth > 1 && path.level[path.depth].pos >= pg->count) {
      path.depth--;
      pg = Get(t, path.level[path.depth].page);
      if (pg == nullptr) return false;
    }
    KeyPath::Level& lv = path.level[path.depth];
    if (lv.pos < pg->count) {
      lv.pos++;
      std::memcpy(key, pg->item[lv.pos].key, kMaxKeyLength + 1);
      *ref = pg->item[lv.pos].ref;
    } else {
      path.depth = 0;
    }
  }
  t.hs.path_valid = true;
  if (path.depth == 0) {
    Fail(kNoFurtherKey);
    return false;
  }
  return true;
}

namespace {

// A failure after the first change leaves a tree that may have lost or doubled keys in
// memory; the set is then marked as left by an interrupted writer.
int MarkIfHalfDone(FileBlock* fb, uint64_t changes_before, int result) {
  if (result < 0 && Eng().pool.Changes() != changes_before) fb->change_incomplete = true;
  return result;
}

int InsertIntoTreeBody(FileBlock* fb, int k, const uint8_t* key, int32_t ref) {
  Tree t = MakeTree(fb, k);
  PageItem item;
  item.ref = ref;
  item.child = 0;
  std::memcpy(item.key, key, kMaxKeyLength + 1);
  PageItem pending;
  bool split = false, duplicate = false;
  if (!Insert(t, t.hs.root, 0, 0, item, pending, split, duplicate, 1)) return -1;
  if (duplicate) return 0;
  if (split) {
    int32_t rn = 0;
    IndexPage* r = t.pool.AllocatePage(fb, k, &rn);
    if (r == nullptr) return -1;
    r->count = 1;
    r->leftmost = t.hs.root;
    r->item[1] = pending;
    t.hs.root = rn;
    t.hs.header_dirty = true;
    t.pool.MarkDirty(r);
  }
  return 1;
}

int DeleteFromTreeBody(FileBlock* fb, int k, const uint8_t* key, int32_t ref) {
  Tree t = MakeTree(fb, k);
  bool found = true, underflow = false;
  if (!Delete(t, t.hs.root, key, ref, found, underflow, 1)) return -1;
  if (!found) return 0;
  if (underflow) {
    IndexPage* root = Get(t, t.hs.root);
    if (root == nullptr) return -1;
    if (root->count == 0) {
      int32_t next = root->leftmost;
      t.pool.FreePage(root);
      t.hs.root = next;
      t.hs.header_dirty = true;
    }
  }
  return StatusOk() ? 1 : -1;
}

}  // namespace

int InsertIntoTree(FileBlock* fb, int k, const uint8_t* key, int32_t ref) {
  const uint64_t before = Eng().pool.Changes();
  return MarkIfHalfDone(fb, before, InsertIntoTreeBody(fb, k, key, ref));
}

int DeleteFromTree(FileBlock* fb, int k, const uint8_t* key, int32_t ref) {
  const uint64_t before = Eng().pool.Changes();
  return MarkIfHalfDone(fb, before, DeleteFromTreeBody(fb, k, key, ref));
}

}  // namespace isam
