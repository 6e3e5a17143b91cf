// The exact shapes the B-tree leaves in the index file after a rotation, a split, a borrow,
// a merge and a root collapse. Each case writes a small tree by hand into index 2 of a set
// (index 1, key length 10, stays empty, so every page lies at its row offset), runs inserts
// or removals through the public operations and reads the pages, the header and the free
// chain back from the file's bytes. Every slot is filled with a marker first, so the test
// also sees that a page write stores only its packed length and leaves the rest of the slot.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "isam/isam.h"
#include "isam/test_set_fixture.h"

namespace isam {
namespace {

using namespace fixture;

constexpr int kLen = 4;                                 // key length of the index under test
constexpr size_t kRowOffset = PageSize(10);             // index 2 starts after index 1's slot
constexpr size_t kRow = PageSize(10) + PageSize(kLen);  // row size
constexpr size_t kItemBytes = kLen + 9;
constexpr char kMarker = '\xEE';

struct Op {
  bool insert;
  Item key;
};

struct ShapeCase {
  std::string name;
  std::map<int32_t, Page> pages;  // the tree before, by page number
  int32_t root;
  std::vector<Op> ops;
  std::map<int32_t, Page> expect;  // pages after (the ones listed)
  int32_t root_after;
  int32_t pages_used_after;
  std::vector<int32_t> free_chain;  // from the header's first free, in chain order
};

Page Leaf(std::vector<Item> items) { return Page{0, std::move(items)}; }
Page Node(int32_t leftmost, std::vector<Item> items) { return Page{leftmost, std::move(items)}; }

size_t SlotPos(int32_t n) { return static_cast<size_t>(n) * kRow + kRowOffset; }

// Row 0 of the freshly created set with index 2's header replaced, and every page slot of
// index 2 filled with the marker under the page's packed bytes.
std::string BuildIndexFile(const std::string& created, const ShapeCase& c) {
  int32_t used = 0, keys = 0;
  for (const auto& [n, page] : c.pages) {
    used = std::max(used, n);
    keys += static_cast<int32_t>(page.items.size());
  }
  std::string ix(static_cast<size_t>(used + 1) * kRow, '\0');
  ix.replace(0, kRow, created.substr(0, kRow));
  IxHeader h;
  h.pages_used = used;
  h.page_size = PageSize(kLen);
  h.root = c.root;
  h.key_count = keys;
  Patch(ix, kRowOffset, EncodeHeader(h));
  for (int32_t n = 1; n <= used; ++n) {
    std::string slot(static_cast<size_t>(PageSize(kLen)), kMarker);
    auto it = c.pages.find(n);
    if (it != c.pages.end()) Patch(slot, 0, EncodePage(it->second, kLen));
    Patch(ix, SlotPos(n), slot);
  }
  return ix;
}

class BTreeShapeTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ResetEngine();
    ASSERT_EQ(StartEngine(2, GetParam()), GetParam());
  }
  void TearDown() override {
    StopEngine();
    ResetEngine();
  }

  void Check(const ShapeCase& c) {
    SCOPED_TRACE(c.name);
    ScratchSet set("btshape");
    set.Create(32, {{10, 0}, {kLen, 0}});
    const std::string before = BuildIndexFile(Slurp(set.ix()), c);
    Spill(set.ix(), before);

    FileBlock* fb = set.Open();
    ASSERT_NE(fb, nullptr);
    const int32_t keys_before = IndexKeyCount(fb, 2);
    LockDataFile(fb);
    int32_t delta = 0;
    for (const Op& op : c.ops) {
      if (op.insert) {
        InsertKey(fb, 2, op.key.ref, op.key.key);
      } else {
        RemoveKey(fb, 2, op.key.ref, op.key.key);
      }
      ASSERT_TRUE(StatusOk()) << op.key.key << ": " << StatusCode();
      delta += op.insert ? 1 : -1;
    }
    UnlockDataFile(fb);
    ASSERT_TRUE(StatusOk()) << StatusCode();
    CloseDataFile(fb);

    const std::string ix = Slurp(set.ix());
    ASSERT_EQ(ix.size(), static_cast<size_t>(c.pages_used_after + 1) * kRow);
    const IxHeader h = DecodeHeader(ix, kRowOffset);
    EXPECT_EQ(h.root, c.root_after);
    EXPECT_EQ(h.pages_used, c.pages_used_after);
    EXPECT_EQ(h.key_count, keys_before + delta);
    EXPECT_EQ(h.free_count, static_cast<int32_t>(c.free_chain.size()));
    std::vector<int32_t> chain;
    for (int32_t n = h.first_free; n != -1 && chain.size() <= c.free_chain.size();
         n = I32(ix, SlotPos(n))) {
      ASSERT_TRUE(n >= 1 && n <= h.pages_used) << "chain link " << n;
      chain.push_back(n);
    }
    EXPECT_EQ(chain, c.free_chain);

    for (const auto& [n, want] : c.expect) {
      const Page got = DecodePage(ix, SlotPos(n), kLen);
      EXPECT_EQ(got.leftmost, want.leftmost) << "page " << n;
      EXPECT_EQ(got.items, want.items) << "page " << n;
    }
    // Index 1 never had a page: its slots stay zero in every row.
    for (int32_t n = 1; n <= c.pages_used_after; ++n) {
      EXPECT_EQ(ix.substr(static_cast<size_t>(n) * kRow, kRowOffset), std::string(kRowOffset, '\0'))
          << "index 1 slot of row " << n;
    }
    // With buffers enough for the whole operation each page is written once, with exactly
    // its packed length: behind it the slot keeps what it held (a freed page loses only the
    // four bytes of its chain link; a new row starts as zeros).
    if (GetParam() < 64) return;
    for (int32_t n = 1; n <= c.pages_used_after; ++n) {
      const bool is_free =
          std::find(c.free_chain.begin(), c.free_chain.end(), n) != c.free_chain.end();
      const size_t kept = is_free ? 4 : 6 + PageCount(ix, SlotPos(n)) * kItemBytes;
      const size_t rest = static_cast<size_t>(PageSize(kLen)) - kept;
      const std::string old = SlotPos(n) < before.size() ? before.substr(SlotPos(n) + kept, rest)
                                                         : std::string(rest, '\0');
      EXPECT_EQ(ix.substr(SlotPos(n) + kept, rest), old) << "tail of page " << n;
    }
  }
};

Item Sep(int key, int32_t child) { return K(key, child); }

TEST_P(BTreeShapeTest, InsertRotatesIntoASiblingOrSplits) {
  const std::vector<ShapeCase> cases = {
      {"full leaf, right sibling of 30: 47 stay, 46 go",
       {{1, Leaf(Keys(2, 124, 2))}, {2, Leaf(Keys(202, 260, 2))}, {3, Node(1, {Sep(200, 2)})}},
       3,
       {{true, K(61)}},
       {{1, Leaf(Cat(Cat(Keys(2, 60, 2), {K(61)}), Keys(62, 92, 2)))},
        {3, Node(1, {Sep(94, 2)})},
        {2, Leaf(Cat(Cat(Keys(96, 124, 2), {K(200)}), Keys(202, 260, 2)))}},
       3,
       3,
       {}},
      {"full leaf, right sibling of 60: 62 stay, 61 go",
       {{1, Leaf(Keys(2, 124, 2))}, {2, Leaf(Keys(202, 320, 2))}, {3, Node(1, {Sep(200, 2)})}},
       3,
       {{true, K(61)}},
       {{1, Leaf(Cat(Cat(Keys(2, 60, 2), {K(61)}), Keys(62, 122, 2)))},
        {3, Node(1, {Sep(124, 2)})},
        {2, Leaf(Cat({K(200)}, Keys(202, 320, 2)))}},
       3,
       3,
       {}},
      {"full last child rotates into its left sibling",
       {{1, Leaf(Keys(2, 60, 2))}, {2, Leaf(Keys(202, 324, 2))}, {3, Node(1, {Sep(100, 2)})}},
       3,
       {{true, K(203)}},
       {{1, Leaf(Cat(Cat(Keys(2, 60, 2), {K(100), K(202), K(203)}), Keys(204, 228, 2)))},
        {3, Node(1, {Sep(230, 2)})},
        {2, Leaf(Keys(232, 324, 2))}},
       3,
       3,
       {}},
      {"full chosen sibling: split, though the other sibling has room",
       {{1, Leaf(Keys(2, 60, 2))},
        {2, Leaf(Keys(102, 224, 2))},
        {3, Leaf(Keys(302, 424, 2))},
        {4, Node(1, {Sep(100, 2), Sep(300, 3)})}},
       4,
       {{true, K(103)}},
       {{1, Leaf(Keys(2, 60, 2))},
        {2, Leaf(Cat({K(102), K(103)}, Keys(104, 160, 2)))},
        {5, Leaf(Keys(164, 224, 2))},
        {3, Leaf(Keys(302, 424, 2))},
        {4, Node(1, {Sep(100, 2), Sep(162, 5), Sep(300, 3)})}},
       4,
       5,
       {}},
      {"full root leaf, the new key is the median",
       {{1, Leaf(Keys(2, 124, 2))}},
       1,
       {{true, K(63)}},
       {{1, Leaf(Keys(2, 62, 2))}, {2, Leaf(Keys(64, 124, 2))}, {3, Node(1, {Sep(63, 2)})}},
       3,
       3,
       {}},
  };
  for (const ShapeCase& c : cases) Check(c);
}

// Three levels: a leaf split pushes its median into a full inner page, which then rotates
// into its right sibling of 30 items; the children must travel with their items.
TEST_P(BTreeShapeTest, InnerRotationMovesChildLinksWithTheirItems) {
  // Leaf g (g = 0..93) is page g + 1 and holds keys from g * 100 + 1; the inner page A
  // (page 95) parents leaves 0..62, B (page 96) leaves 63..93, the root is page 97.
  ShapeCase c;
  c.name = "inner rotation";
  auto leaf = [](int g) { return g + 1; };
  for (int g = 0; g < 94; ++g) {
    const int count = g <= 1 ? 62 : 1;
    c.pages[leaf(g)] = Leaf(Keys(g * 100 + 1, g * 100 + count));
  }
  std::vector<Item> a, b;
  for (int g = 1; g <= 62; ++g) a.push_back(Sep(g * 100, leaf(g)));
  for (int g = 64; g <= 93; ++g) b.push_back(Sep(g * 100, leaf(g)));
  c.pages[95] = Node(leaf(0), a);
  c.pages[96] = Node(leaf(63), b);
  c.pages[97] = Node(95, {Sep(6300, 96)});
  c.root = 97;
  c.ops = {{true, K(63)}};

  // Leaf 0 splits at its median K(32) into itself and the new page 98.
  std::vector<Item> a_after = {Sep(32, 98)};
  for (int g = 1; g <= 46; ++g) a_after.push_back(Sep(g * 100, leaf(g)));
  std::vector<Item> b_after;
  for (int g = 48; g <= 62; ++g) b_after.push_back(Sep(g * 100, leaf(g)));
  b_after.push_back(Sep(6300, leaf(63)));  // the old separator brings B's old leftmost child
  for (int g = 64; g <= 93; ++g) b_after.push_back(Sep(g * 100, leaf(g)));
  c.expect = {
      {leaf(0), Leaf(Keys(1, 31))},    {98, Leaf(Keys(33, 63))}, {95, Node(leaf(0), a_after)},
      {96, Node(leaf(47), b_after)},  // the item that went up left its child here
      {97, Node(95, {Sep(4700, 96)})},
  };
  c.root_after = 97;
  c.pages_used_after = 98;
  Check(c);
}

TEST_P(BTreeShapeTest, RemoveBorrowsMergesAndCollapsesTheRoot) {
  const std::vector<ShapeCase> cases = {
      {"leaf of 31 borrows 5 from a right sibling of 40",
       {{1, Leaf(Keys(1, 31))}, {2, Leaf(Keys(101, 140))}, {3, Node(1, {Sep(100, 2)})}},
       3,
       {{false, K(5)}},
       {{1, Leaf(Cat(Cat(Cat(Keys(1, 4), Keys(6, 31)), {K(100)}), Keys(101, 104)))},
        {2, Leaf(Keys(106, 140))},
        {3, Node(1, {Sep(105, 2)})}},
       3,
       3,
       {}},
      {"last child of 31 borrows 5 from a left sibling of 40",
       {{1, Leaf(Keys(1, 40))}, {2, Leaf(Keys(101, 131))}, {3, Node(1, {Sep(100, 2)})}},
       3,
       {{false, K(120)}},
       {{1, Leaf(Keys(1, 35))},
        {2, Leaf(Cat(Cat(Cat(Keys(37, 40), {K(100)}), Keys(101, 119)), Keys(121, 131)))},
        {3, Node(1, {Sep(36, 2)})}},
       3,
       3,
       {}},
      {"removing a separator takes its predecessor, then the leaf borrows",
       {{1, Leaf(Keys(1, 31))}, {2, Leaf(Keys(101, 140))}, {3, Node(1, {Sep(100, 2)})}},
       3,
       {{false, K(100)}},
       {{1, Leaf(Cat(Keys(1, 31), Keys(101, 104)))},
        {2, Leaf(Keys(106, 140))},
        {3, Node(1, {Sep(105, 2)})}},
       3,
       3,
       {}},
      {"leaf of 31 and right sibling of 31 merge into 62, the right page freed",
       {{1, Leaf(Keys(1, 31))},
        {2, Leaf(Keys(101, 131))},
        {3, Leaf(Keys(201, 231))},
        {4, Node(1, {Sep(100, 2), Sep(200, 3)})}},
       4,
       {{false, K(5)}},
       {{1, Leaf(Cat(Cat(Cat(Keys(1, 4), Keys(6, 31)), {K(100)}), Keys(101, 131)))},
        {3, Leaf(Keys(201, 231))},
        {4, Node(1, {Sep(200, 3)})}},
       4,
       4,
       {2}},
      {"last child merges into its left sibling, the last child freed",
       {{1, Leaf(Keys(1, 31))},
        {2, Leaf(Keys(101, 131))},
        {3, Leaf(Keys(201, 231))},
        {4, Node(1, {Sep(100, 2), Sep(200, 3)})}},
       4,
       {{false, K(205)}},
       {{1, Leaf(Keys(1, 31))},
        {2, Leaf(Cat(Cat(Cat(Keys(101, 131), {K(200)}), Keys(201, 204)), Keys(206, 231)))},
        {4, Node(1, {Sep(100, 2)})}},
       4,
       4,
       {3}},
      {"root of one item over two leaves of 31: the merged leaf becomes the root",
       {{1, Leaf(Keys(1, 31))}, {2, Leaf(Keys(101, 131))}, {3, Node(1, {Sep(100, 2)})}},
       3,
       {{false, K(5)}},
       {{1, Leaf(Cat(Cat(Cat(Keys(1, 4), Keys(6, 31)), {K(100)}), Keys(101, 131)))}},
       1,
       3,
       {3, 2}},
      {"after a collapse the next split reuses the freed pages last in, first out",
       {{1, Leaf(Keys(1, 31))}, {2, Leaf(Keys(101, 131))}, {3, Node(1, {Sep(100, 2)})}},
       3,
       {{false, K(5)}, {true, K(5)}},
       {{1, Leaf(Keys(1, 31))}, {3, Leaf(Keys(101, 131))}, {2, Node(1, {Sep(100, 3)})}},
       2,
       3,
       {}},
  };
  for (const ShapeCase& c : cases) Check(c);
}

// The fewest buffers the engine accepts (pages are evicted and written during the
// operation) and enough buffers for every page involved.
INSTANTIATE_TEST_SUITE_P(Buffers, BTreeShapeTest, ::testing::Values(8, 500));

}  // namespace
}  // namespace isam
