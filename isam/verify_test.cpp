// The checker against hand-made file sets: a small sound set, and one damage at a time.
#include "isam/verify.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "isam/isam.h"
#include "platform/env.h"
#include "platform/scratch_dir.h"

namespace isam {
namespace {

namespace fs = std::filesystem;

void PutI32(std::vector<uint8_t>& b, size_t at, int32_t v) {
  if (b.size() < at + 4) b.resize(at + 4);
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}
void PutU16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A set described field by field; Write() lays out the bytes as the engine stores them.
struct ItemSpec {
  int32_t ref;
  int32_t child;
  std::string key;
  int length_byte = -1;  // -1: the key's length
};
struct PageSpec {
  int32_t leftmost = 0;
  std::vector<ItemSpec> items;
  int count = -1;  // -1: items.size()
};
struct IndexSpec {
  int key_length = 0;
  int items = 0;  // items per page as stored (0 reads as 62)
  uint8_t dup = 0;
  int32_t first_free = -1, free_count = 0, pages_used = 0, root = 0, key_count = 0;
  int32_t page_size = 0;  // 0: derived from key length and items
  std::map<int32_t, PageSpec> pages;
  std::map<int32_t, int32_t> free_links;
  int PageSize() const {
    int items_or_62 = items == 0 ? 62 : items;
    return page_size != 0 ? page_size : items_or_62 * (key_length + 9) + 6;
  }
};
IndexSpec MakeIndex(int key_length, int items, uint8_t dup) {
  IndexSpec ix;
  ix.key_length = key_length;
  ix.items = items;
  ix.dup = dup;
  return ix;
}

struct SetSpec {
  int32_t record_length = 32;
  int32_t first_free = -1, free_count = 0, records_used = 0;
  uint8_t in_use = 0;
  std::map<int32_t, int32_t> record_links;
  std::vector<IndexSpec> indexes;
  int data_extra = 0;   // bytes added to (or, negative, cut from) the data file
  int index_extra = 0;  // the same for the index file
  std::vector<uint8_t> coord = {0};

  void Write(const std::string& base) const {
    std::vector<uint8_t> dat(static_cast<size_t>((records_used + 1) * record_length), 0);
    PutI32(dat, 0, first_free);
    PutI32(dat, 4, free_count);
    PutI32(dat, 8, records_used);
    PutI32(dat, 12, record_length);
    PutI32(dat, 16, static_cast<int32_t>(indexes.size()));
    dat[20] = in_use;
    for (auto [n, link] : record_links) PutI32(dat, static_cast<size_t>(n * record_length), link);
    Resize(dat, data_extra);
    Save(base + ".DAT", dat);

    if (!indexes.empty()) {
      size_t row = 0;
      int32_t rows = 0;
      for (const auto& ix : indexes) {
        row += ix.PageSize();
        rows = std::max(rows, ix.pages_used);
      }
      std::vector<uint8_t> idx(row * (rows + 1), 0);
      size_t offset = 0;
      for (const auto& ix : indexes) {
        PutI32(idx, offset + 0, ix.first_free);
        PutI32(idx, offset + 4, ix.free_count);
        PutI32(idx, offset + 8, ix.pages_used);
        PutI32(idx, offset + 12, ix.PageSize());
        PutI32(idx, offset + 16, ix.root);
        idx[offset + 20] = ix.dup;
        PutI32(idx, offset + 22, ix.key_count);
        PutU16(idx, offset + 26, static_cast<uint16_t>(ix.items));
        for (const auto& [n, page] : ix.pages) {
          size_t at = n * row + offset;
          PutU16(idx, at, static_cast<uint16_t>(page.count < 0 ? page.items.size() : page.count));
          PutI32(idx, at + 2, page.leftmost);
          for (size_t i = 0; i < page.items.size(); ++i) {
            size_t it = at + 6 + i * (ix.key_length + 9);
            const ItemSpec& item = page.items[i];
            PutI32(idx, it, item.ref);
            PutI32(idx, it + 4, item.child);
            if (idx.size() < it + 9 + ix.key_length) idx.resize(it + 9 + ix.key_length);
            idx[it + 8] =
                static_cast<uint8_t>(item.length_byte < 0 ? item.key.size() : item.length_byte);
            std::copy(item.key.begin(), item.key.end(), idx.begin() + it + 9);
          }
        }
        for (auto [n, link] : ix.free_links) PutI32(idx, n * row + offset, link);
        offset += ix.PageSize();
      }
      Resize(idx, index_extra);
      Save(base + ".IX", idx);
    }
    Save(base + ".DIA", coord);
  }

  static void Resize(std::vector<uint8_t>& b, int extra) {
    b.resize(static_cast<size_t>(static_cast<long>(b.size()) + extra), 0xEE);
  }
  static void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
};

// Records 1..8, of which 5 and 2 are free (chain 5 -> 2 -> end). Index 1 (key length 4,
// 4 items per page, unique) is a two-level tree: root page 1 holds C over the leaves 2 (A B)
// and 3 (D E); page 4 is free. Index 2 (key length 2, duplicates) is a single leaf.
SetSpec SoundSet() {
  SetSpec s;
  s.records_used = 8;
  s.first_free = 5;
  s.free_count = 2;
  s.record_links = {{5, 2}, {2, -1}};
  IndexSpec a = MakeIndex(4, 4, 0);
  a.pages_used = 4;
  a.root = 1;
  a.key_count = 5;
  a.first_free = 4;
  a.free_count = 1;
  a.free_links = {{4, -1}};
  a.pages[1] = {2, {{4, 3, "C"}}};
  a.pages[2] = {0, {{1, 0, "A"}, {3, 0, "B"}}};
  a.pages[3] = {0, {{6, 0, "D"}, {7, 0, "E"}}};
  IndexSpec b = MakeIndex(2, 4, 1);
  b.pages_used = 1;
  b.root = 1;
  b.key_count = 3;
  b.pages[1] = {0, {{3, 0, "X"}, {7, 0, "X"}, {1, 0, "Y"}}};
  s.indexes = {a, b};
  s.coord.assign(3 + 1001, 0);
  PutU16(s.coord, 1, 2000);
  return s;
}

class VerifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    base_ = (fs::path(dir_.path()) / "SET").string();
  }

  VerifyResult Check(const SetSpec& s, VerifyOptions options = {}) {
    s.Write(base_);
    return VerifyDataFileSet(platform::Env::Default(), base_, options);
  }

  static std::string Joined(const VerifyResult& r) {
    std::string all;
    for (const auto& d : r.defects) all += d + "\n";
    return all;
  }

  platform::ScratchDir dir_{"verify-test"};
  std::string base_;
};

TEST_F(VerifyTest, HandMadeSoundSetIsSoundAndItsFactsAreRead) {
  VerifyOptions options;
  options.check_record_refs = true;
  VerifyResult r = Check(SoundSet(), options);
  ASSERT_TRUE(r.readable) << r.error;
  EXPECT_TRUE(r.defects.empty()) << Joined(r);
  EXPECT_EQ(r.facts.records_used, 8);
  EXPECT_EQ(r.facts.free_found, 2);
  ASSERT_EQ(r.facts.indexes.size(), 2u);
  EXPECT_EQ(r.facts.indexes[0].key_length, 4);
  EXPECT_EQ(r.facts.indexes[1].key_length, 2);
  EXPECT_EQ(r.facts.indexes[1].row_offset, 4 * 13 + 6);
  EXPECT_EQ(r.facts.indexes[0].depth, 2);
  EXPECT_EQ(r.facts.indexes[0].tree_pages, 3);
  EXPECT_EQ(r.facts.indexes[0].free_pages, 1);
  EXPECT_EQ(r.facts.coord_state, CoordState::kUserArea);
  EXPECT_EQ(r.facts.area_positions, 1001);
}

TEST_F(VerifyTest, SetWrittenByTheEngineIsSound) {
  ResetEngine();
  ASSERT_GT(StartEngine(2, 8), 0) << StatusCode();
  const uint8_t descriptors[kKeyDescriptorBytes] = {10, 0, 30, 1};
  CreateDataFile(base_, 64, 2, descriptors);
  ASSERT_TRUE(StatusOk()) << StatusCode();
  VerifyResult fresh = VerifyDataFileSet(platform::Env::Default(), base_);
  EXPECT_TRUE(fresh.Sound()) << fresh.error << Joined(fresh);

  FileBlock* fb = nullptr;
  OpenDataFile(fb, base_, false);
  ASSERT_TRUE(StatusOk()) << StatusCode();
  LockDataFile(fb);
  std::vector<char> record(64, 0);
  for (int i = 0; i < 300; ++i) {  // enough keys for two-level trees
    int32_t n = 0;
    AddRecord(fb, n, record.data());
    InsertKey(fb, 1, n, "C" + std::to_string(100000 + i * 7919 % 300));
    InsertKey(fb, 2, n, std::string(1 + i % 30, static_cast<char>(0xA1 + i % 5)));
    ASSERT_TRUE(StatusOk()) << StatusCode();
  }
  for (int32_t n = 1; n <= 300; n += 3) {
    RemoveKey(fb, 1, n, "C" + std::to_string(100000 + (n - 1) * 7919 % 300));
    RemoveKey(fb, 2, n, std::string(1 + (n - 1) % 30, static_cast<char>(0xA1 + (n - 1) % 5)));
    DeleteRecord(fb, n);
    ASSERT_TRUE(StatusOk()) << StatusCode();
  }
  UnlockDataFile(fb);
  ASSERT_TRUE(StatusOk()) << StatusCode();
  VerifyOptions options;
  options.check_record_refs = true;
  VerifyResult r = VerifyDataFileSet(platform::Env::Default(), base_, options);
  CloseDataFile(fb);
  StopEngine();
  ASSERT_TRUE(r.Sound()) << r.error << Joined(r);
  EXPECT_EQ(r.facts.free_found, 100);
  EXPECT_EQ(r.facts.coord_state, CoordState::kUserArea);
  for (const IndexFacts& ix : r.facts.indexes) {
    EXPECT_EQ(ix.keys_found, 200) << ix.number;
    EXPECT_GE(ix.depth, 2) << ix.number;
  }
}

TEST_F(VerifyTest, EachDamageIsReported) {
  using Edit = std::function<void(SetSpec&)>;
  const struct {
    const char* name;
    Edit edit;
    const char* expected;
  } cases[] = {
      {"in-use byte", [](SetSpec& s) { s.in_use = 1; }, "in-use byte is 1"},
      {"record length", [](SetSpec& s) { s.record_length = 20; }, "below 21"},
      {"short data file", [](SetSpec& s) { s.data_extra = -1; }, "too short for 8 records"},
      {"long data file", [](SetSpec& s) { s.data_extra = 5; }, "longer than"},
      {"record link 0", [](SetSpec& s) { s.record_links[5] = 0; }, "link 0 from record 5"},
      {"record link high", [](SetSpec& s) { s.record_links[2] = 9; }, "link 9 from record 2"},
      {"record chain cycle", [](SetSpec& s) { s.record_links[2] = 5; },
       "record 5 is reached twice"},
      {"record first free", [](SetSpec& s) { s.first_free = 0; }, "link 0 from the data header"},
      {"free record count", [](SetSpec& s) { s.free_count = 3; }, "counts 3 free records"},
      {"items per page", [](SetSpec& s) { s.indexes[0].items = 63; }, "more than 62"},
      {"page size misfit", [](SetSpec& s) { s.indexes[0].page_size = 59; }, "does not fit"},
      {"key length 101", [](SetSpec& s) { s.indexes[1].page_size = 4 * (101 + 9) + 6; },
       "outside 1..100"},
      {"damaged header hides the next", [](SetSpec& s) { s.indexes[0].page_size = 59; },
       "cannot be located"},
      {"order in a page",
       [](SetSpec& s) {
         std::swap(s.indexes[0].pages[2].items[0], s.indexes[0].pages[2].items[1]);
       },
       "item 1 of page 2 (key \"B\", record 3) sorts after item 2 of page 2"},
      {"equal keys unique", [](SetSpec& s) { s.indexes[0].pages[2].items[1].key = "A"; },
       "equal keys"},
      {"separator bound", [](SetSpec& s) { s.indexes[0].pages[3].items[0].key = "BB"; },
       "item 1 of page 1 (key \"C\", record 4) sorts after item 1 of page 3"},
      {"prefix sorts first", [](SetSpec& s) { s.indexes[0].pages[2].items[1].key = "CA"; },
       "sorts after item 1 of page 1"},
      {"high bytes sort last", [](SetSpec& s) { s.indexes[0].pages[2].items[1].key = "\xA1"; },
       "sorts after item 1 of page 1"},
      {"duplicates by record",
       [](SetSpec& s) {
         std::swap(s.indexes[1].pages[1].items[0], s.indexes[1].pages[1].items[1]);
       },
       "(key \"X\", record 7) sorts after"},
      {"same pair twice", [](SetSpec& s) { s.indexes[1].pages[1].items[1].ref = 3; },
       "store the same key and record"},
      {"fill", [](SetSpec& s) { s.indexes[0].pages[2].items.pop_back(); },
       "holds 1 items, fewer than 2"},
      {"count above items per page", [](SetSpec& s) { s.indexes[0].pages[2].count = 5; },
       "holds 5 items, more than 4"},
      {"empty root", [](SetSpec& s) { s.indexes[1].pages[1].items.clear(); },
       "root page 1 holds no items"},
      {"page reached twice", [](SetSpec& s) { s.indexes[0].pages[1].items[0].child = 2; },
       "page 2 (child of page 1) is reached twice"},
      {"page beyond pages used", [](SetSpec& s) { s.indexes[0].pages[1].items[0].child = 9; },
       "page 9 (child of page 1) is outside 1..4"},
      {"root beyond pages used", [](SetSpec& s) { s.indexes[1].root = 2; },
       "root page 2 is outside 1..1"},
      {"key length byte", [](SetSpec& s) { s.indexes[0].pages[2].items[0].length_byte = 5; },
       "has key length 5"},
      {"leaf with a right child", [](SetSpec& s) { s.indexes[0].pages[2].items[0].child = 4; },
       "item 1 of leaf page 2 has the right child 4"},
      {"inner item without child", [](SetSpec& s) { s.indexes[0].pages[1].items[0].child = 0; },
       "has no right child"},
      {"key count", [](SetSpec& s) { s.indexes[0].key_count = 6; },
       "counts 6 keys, the tree holds 5"},
      {"free page in tree", [](SetSpec& s) { s.indexes[0].first_free = 3; },
       "page 3 is also part of the tree"},
      {"page chain cycle", [](SetSpec& s) { s.indexes[0].free_links[4] = 4; },
       "page 4 is reached twice (a cycle)"},
      {"page chain link 0", [](SetSpec& s) { s.indexes[0].free_links[4] = 0; },
       "link 0 from page 4"},
      {"free page count", [](SetSpec& s) { s.indexes[0].free_count = 0; }, "counts 0 free pages"},
      {"lost page", [](SetSpec& s) { s.indexes[0].pages_used = 5; },
       "5 pages used, but the tree holds 3 and the free chain 1"},
      {"short index file", [](SetSpec& s) { s.index_extra = -1; }, "too short for 5 rows"},
      {"long index file", [](SetSpec& s) { s.index_extra = 1; }, "index file is 541 bytes"},
      {"unequal leaf depth",
       [](SetSpec& s) {
         auto& ix = s.indexes[0];
         ix.pages_used = 5;
         ix.first_free = -1;
         ix.free_count = 0;
         ix.free_links.clear();
         ix.key_count = 8;
         ix.pages[3] = {4, {{7, 5, "E"}}};
         ix.pages[4] = {0, {{6, 0, "D"}, {3, 0, "DA"}}};
         ix.pages[5] = {0, {{8, 0, "F"}, {8, 0, "G"}}};
       },
       "leaf page 4 lies at depth 3, other leaves at depth 2"},
      {"journal with a bad code",
       [](SetSpec& s) {
         s.coord = {0, 0xB8, 0x0B};
       },
       "starts with code 3000"},
      {"journal present",
       [](SetSpec& s) {
         s.coord = {0};
         PutU16(s.coord, 1, 1000);
         PutU16(s.coord, 3, 0);
         s.coord.resize(1 + 36, 0);
       },
       "holds a journal"},
      {"user area of partial slots",
       [](SetSpec& s) {
         s.coord = {0, 0xD0, 0x07, 0};
       },
       "not a whole number"},
  };
  for (const auto& c : cases) {
    SetSpec s = SoundSet();
    c.edit(s);
    VerifyResult r = Check(s);
    ASSERT_TRUE(r.readable) << c.name << ": " << r.error;
    EXPECT_NE(Joined(r).find(c.expected), std::string::npos)
        << c.name << ": expected \"" << c.expected << "\" among\n"
        << Joined(r);
  }
}

TEST_F(VerifyTest, RecordReferencesAreCheckedOnRequest) {
  const struct {
    int32_t ref;
    const char* expected;
  } cases[] = {{5, "refers to a free record slot"},
               {9, "refers outside records 1..8"},
               {0, "refers outside records 1..8"}};
  VerifyOptions with_refs;
  with_refs.check_record_refs = true;
  for (const auto& c : cases) {
    SetSpec s = SoundSet();
    s.indexes[1].pages[1].items[2].ref = c.ref;
    EXPECT_TRUE(Check(s).defects.empty()) << c.ref;
    std::string all = Joined(Check(s, with_refs));
    EXPECT_NE(all.find(c.expected), std::string::npos) << c.ref << "\n" << all;
  }
}

TEST_F(VerifyTest, InUseIsAcceptedWhenAskedWithTheGrowthOfAnUnpublishedWriter) {
  SetSpec s = SoundSet();
  s.in_use = 1;
  s.data_extra = 32;    // a record added, header not yet written
  s.index_extra = 108;  // a row added, header not yet written
  VerifyOptions options;
  options.ignore_in_use = true;
  VerifyResult r = Check(s, options);
  EXPECT_TRUE(r.Sound()) << Joined(r);
  EXPECT_FALSE(Check(s).Sound());
}

TEST_F(VerifyTest, TreeDeeperThanAKeyPathIsStopped) {
  SetSpec s = SoundSet();
  auto& ix = s.indexes[0];
  ix.pages.clear();
  ix.free_links.clear();
  ix.first_free = -1;
  ix.free_count = 0;
  ix.pages_used = 12;
  for (int32_t p = 1; p < 12; ++p) ix.pages[p] = {p + 1, {}};
  ix.pages[12] = {0, {{1, 0, "A"}, {3, 0, "B"}}};
  VerifyResult r = Check(s);
  EXPECT_NE(Joined(r).find("page 9 (child of page 8) lies at depth 9, deeper than 8 levels"),
            std::string::npos)
      << Joined(r);
}

TEST_F(VerifyTest, MissingOrHeaderlessFilesAreUnreadable) {
  VerifyResult none = VerifyDataFileSet(platform::Env::Default(), base_);
  EXPECT_FALSE(none.readable);
  EXPECT_NE(none.error.find("SET.DAT"), std::string::npos) << none.error;

  SetSpec s = SoundSet();
  s.data_extra = -(9 * 32 - 20);  // 20 bytes: no room for the header
  EXPECT_FALSE(Check(s).readable);

  s = SoundSet();
  s.Write(base_);
  fs::remove(base_ + ".IX");
  EXPECT_FALSE(VerifyDataFileSet(platform::Env::Default(), base_).readable);

  s.Write(base_);
  fs::remove(base_ + ".DIA");
  VerifyResult no_coord = VerifyDataFileSet(platform::Env::Default(), base_);
  EXPECT_TRUE(no_coord.Sound()) << Joined(no_coord);
  EXPECT_EQ(no_coord.facts.coord_state, CoordState::kMissing);
}

TEST_F(VerifyTest, ListsKeysInIndexOrder) {
  SoundSet().Write(base_);
  const struct {
    int k;
    std::vector<std::pair<std::string, int32_t>> keys;
  } cases[] = {
      {1, {{"A", 1}, {"B", 3}, {"C", 4}, {"D", 6}, {"E", 7}}},
      {2, {{"X", 3}, {"X", 7}, {"Y", 1}}},
  };
  for (const auto& c : cases) {
    std::vector<std::pair<std::string, int32_t>> got;
    VerifyResult r =
        ListIndexKeys(platform::Env::Default(), base_, c.k, [&](const std::string& key, int32_t n) {
          got.push_back({key, n});
        });
    EXPECT_TRUE(r.Sound()) << Joined(r);
    EXPECT_EQ(got, c.keys) << c.k;
  }
  EXPECT_FALSE(ListIndexKeys(platform::Env::Default(), base_, 3, [](const std::string&, int32_t) {
               }).readable);
}

TEST_F(VerifyTest, NamesFollowTheEngineRules) {
  const struct {
    const char* name;
    SetFileNames expected;
  } cases[] = {
      {"ARFILE01", {"ARFILE01.DAT", "ARFILE01.IX", "ARFILE01.DIA"}},
      {"OLD.BAK", {"OLD.DAT", "OLD.IX", "OLD.DIA"}},
      {"D:\\CO.2\\ARFILE01",
       {"D:\\CO.2\\ARFILE01.DAT", "D:\\CO.2\\ARFILE01.IX", "D:\\CO.2\\ARFILE01.DIA"}},
      {"A;B", {"A.DAT", "B.IX", "A.DIA"}},
      {"A;B;C", {"A.DAT", "B.IX", "A.DIA"}},
  };
  for (const auto& c : cases) {
    SetFileNames n = NamesOfSet(c.name);
    EXPECT_EQ(n.data, c.expected.data) << c.name;
    EXPECT_EQ(n.index, c.expected.index) << c.name;
    EXPECT_EQ(n.coord, c.expected.coord) << c.name;
  }
}

// Any bytes at all: the checker ends, and whatever it calls sound lists its keys in strictly
// increasing order and as many as the header counts.
TEST_F(VerifyTest, DamagedBytesNeverCrashAndSoundMeansOrdered) {
  SoundSet().Write(base_);
  std::vector<char> dat, ix;
  for (auto [path, bytes] : {std::pair{base_ + ".DAT", &dat}, std::pair{base_ + ".IX", &ix}}) {
    std::ifstream in(path, std::ios::binary);
    bytes->assign(std::istreambuf_iterator<char>(in), {});
  }
  std::mt19937 rng(12345);
  for (int round = 0; round < 400; ++round) {
    std::vector<char> d = dat, x = ix;
    for (int i = 0; i < 3; ++i) {
      auto& target = (rng() % 2) ? d : x;
      target[rng() % target.size()] = static_cast<char>(rng() % 256);
    }
    if (rng() % 8 == 0) x.resize(rng() % x.size());
    std::ofstream(base_ + ".DAT", std::ios::binary).write(d.data(), d.size());
    std::ofstream(base_ + ".IX", std::ios::binary).write(x.data(), x.size());
    VerifyResult r = VerifyDataFileSet(platform::Env::Default(), base_);
    if (!r.Sound()) continue;
    for (const IndexFacts& f : r.facts.indexes) {
      std::vector<std::pair<std::string, int32_t>> keys;
      ListIndexKeys(platform::Env::Default(), base_, f.number,
                    [&](const std::string& k, int32_t n) {
                      keys.push_back({k, n});
                    });
      EXPECT_EQ(static_cast<int64_t>(keys.size()), f.key_count) << "round " << round;
      for (size_t i = 1; i < keys.size(); ++i) {
        EXPECT_TRUE(f.duplicates ? keys[i - 1] < keys[i] : keys[i - 1].first < keys[i].first)
            << "round " << round;
      }
    }
  }
}

}  // namespace
}  // namespace isam
