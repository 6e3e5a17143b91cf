// Randomized test of the B-tree through the public engine operations: seeded runs of inserts
// and removals against an in-memory model of each index, with the files verified by the
// structural checker after the changes are published, and lookups and the key walk of the
// engine compared with the model. IMPCUST_MODEL_SEED replaces the seeds to explore further.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "isam/isam.h"
#include "isam/verify.h"
#include "platform/scratch_dir.h"

namespace isam {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kRecordLength = 32;
constexpr int32_t kRecords = 4000;  // records added first; keys refer to them
constexpr int kVerifyEveryStepUntil = 300;
constexpr int kVerifyEvery = 50;     // transactions between checks after that
constexpr int kEngineWalkEvery = 4;  // checks between full walks through the engine
constexpr int32_t kDuplicateKey = 10230;
constexpr int32_t kKeyNotFound = 10200;
constexpr int32_t kRemoveNotFound = 10220;
constexpr int32_t kKeyTooLong = 10125;
constexpr int32_t kNoFurtherKey = 10250;

using Entry = std::pair<std::string, int32_t>;  // (key, record), ordered as a duplicates index

struct Config {
  int key_length;
  int32_t page_buffers;
  int target;  // keys per index at the top of a growth phase
  uint32_t seed;
};

std::string Describe(const Config& c) {
  return "key length " + std::to_string(c.key_length) + ", " + std::to_string(c.page_buffers) +
         " page buffers, seed " + std::to_string(c.seed);
}

class Model {
 public:
  Model(int key_length, bool dup) : key_length_(key_length), dup_(dup) {}

  bool dup() const { return dup_; }
  const std::set<Entry>& entries() const { return entries_; }

  // What an insert must do: true when it must succeed.
  bool Insert(const Entry& e) {
    if (Present(e)) return false;
    entries_.insert(e);
    return true;
  }
  // Removes the pair (duplicates) or the key whatever its record (unique).
  bool Remove(const Entry& e) {
    auto it = Find(e);
    if (it == entries_.end()) return false;
    entries_.erase(it);
    return true;
  }
  // The record LookupKey must give, 0 when absent.
  int32_t Lookup(const std::string& key) const {
    auto it = entries_.lower_bound({key, INT32_MIN});
    return it != entries_.end() && it->first == key ? it->second : 0;
  }

 private:
  bool Present(const Entry& e) const { return Find(e) != entries_.end(); }
  std::set<Entry>::const_iterator Find(const Entry& e) const {
    if (dup_) return entries_.find(e);
    auto it = entries_.lower_bound({e.first, INT32_MIN});
    return it != entries_.end() && it->first == e.first ? it : entries_.end();
  }

  int key_length_;
  bool dup_;
  std::set<Entry> entries_;
};

class BTreeModelTest : public ::testing::TestWithParam<Config> {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    base_ = (fs::path(dir_.path()) / "MODEL").string();
  }
  void TearDown() override {
    if (fb_) CloseDataFile(fb_);
    StopEngine();
    ResetEngine();
  }

  std::string RandomKey(int max_length) {
    // Short alphabets make equal keys and shared prefixes common; the bytes cover both
    // halves of the byte range so that unsigned order matters.
    static const unsigned char kBytes[] = {0x00, 0x01, 'A', 'B', 'Z', 0x7F, 0x80, 0xA1, 0xFE, 0xFF};
    std::uniform_int_distribution<int> length(0, max_length);
    int n = rng_() % 50 == 0 ? 0 : std::max(1, length(rng_));
    std::string key(static_cast<size_t>(n), '\0');
    for (char& c : key) {
      c = static_cast<char>(max_length <= 2 ? rng_() % 256 : kBytes[rng_() % sizeof kBytes]);
    }
    return key;
  }

  int32_t RandomRecord() { return static_cast<int32_t>(1 + rng_() % kRecords); }

  // One key operation on index k, checked against the model.
  void Operate(int k, bool insert) {
    Model& m = models_[k - 1];
    const int max_length = GetParam().key_length;
    Entry e;
    if (insert) {
      if (max_length < kMaxKeyLength && rng_() % 40 == 0) {
        // Longer than the index's key length: refused, nothing changes.
        std::string key = RandomKey(max_length);
        key.resize(static_cast<size_t>(max_length) + 1, 'Q');
        InsertKey(fb_, static_cast<uint16_t>(k), RandomRecord(), key);
        ASSERT_EQ(StatusCode(), kKeyTooLong) << "index " << k;
        return;
      }
      if (!m.entries().empty() && rng_() % 8 == 0) {
        e = Pick(m);  // present key: with a fresh record it is new only to a duplicates index
        if (rng_() % 2) e.second = RandomRecord();
      } else {
        e = {RandomKey(max_length), RandomRecord()};
      }
      const bool fresh = m.Insert(e);
      InsertKey(fb_, static_cast<uint16_t>(k), e.second, e.first);
      ASSERT_EQ(StatusCode(), fresh ? 0 : kDuplicateKey) << "index " << k << " insert";
    } else {
      if (m.entries().empty() || rng_() % 10 == 0) {
        e = {RandomKey(max_length), RandomRecord()};
      } else {
        e = Pick(m);
        if (!m.dup() && rng_() % 2) e.second = RandomRecord();  // a unique index ignores it
      }
      const bool present = m.Remove(e);
      RemoveKey(fb_, static_cast<uint16_t>(k), e.second, e.first);
      ASSERT_EQ(StatusCode(), present ? 0 : kRemoveNotFound) << "index " << k << " remove";
    }
    last_key_ = e.first;
  }

  Entry Pick(const Model& m) {
    auto it = m.entries().begin();
    std::advance(it, static_cast<long>(rng_() % m.entries().size()));
    return *it;
  }

  void CheckLookup(int k, const std::string& key) {
    const int32_t expected = models_[k - 1].Lookup(key);
    int32_t n = -1;
    LookupKey(fb_, static_cast<uint16_t>(k), n, key);
    if (expected == 0) {
      ASSERT_EQ(StatusCode(), kKeyNotFound) << "index " << k;
    } else {
      ASSERT_TRUE(StatusOk()) << "index " << k << " status " << StatusCode();
      ASSERT_EQ(n, expected) << "index " << k;
    }
  }

  // The files as the checker reads them, and optionally the engine's own walk.
  void CheckAll(bool engine_walk) {
    VerifyOptions options;
    options.check_record_refs = true;
    VerifyResult r = VerifyDataFileSet(nullptr, base_, options);
    ASSERT_TRUE(r.readable) << r.error;
    if (!r.defects.empty()) {
      std::string first;
      for (size_t i = 0; i < r.defects.size() && i < 10; ++i) first += r.defects[i] + "\n";
      FAIL() << r.defects.size() << " defect(s):\n" << first;
    }
    for (const IndexFacts& ix : r.facts.indexes) {
      max_depth_[ix.number - 1] = std::max(max_depth_[ix.number - 1], ix.depth);
    }
    for (int k = 1; k <= 2; ++k) {
      const std::set<Entry>& model = models_[k - 1].entries();
      std::vector<Entry> stored;
      ListIndexKeys(nullptr, base_, k, [&](const std::string& key, int32_t n) {
        stored.push_back({key, n});
      });
      ASSERT_EQ(stored, std::vector<Entry>(model.begin(), model.end())) << "index " << k;
      ASSERT_EQ(IndexKeyCount(fb_, static_cast<uint16_t>(k)), static_cast<int32_t>(model.size()));
      if (!engine_walk) continue;
      std::vector<Entry> walked;
      int32_t n = 0;
      std::string key;
      FirstKey(fb_, static_cast<uint16_t>(k), n, key);
      while (StatusOk()) {
        walked.push_back({key, n});
        ASSERT_LE(walked.size(), model.size()) << "index " << k << ": the walk does not end";
        NextKey(fb_, static_cast<uint16_t>(k), n, key);
      }
      ASSERT_EQ(StatusCode(), kNoFurtherKey) << "index " << k;
      ASSERT_EQ(walked, std::vector<Entry>(model.begin(), model.end())) << "index " << k;
    }
  }

  std::mt19937 rng_;
  platform::ScratchDir dir_{"btree-model"};
  std::string base_;
  FileBlock* fb_ = nullptr;
  std::vector<Model> models_;
  std::string last_key_;
  int max_depth_[2] = {0, 0};
};

TEST_P(BTreeModelTest, InsertsAndRemovalsKeepTheTreesSound) {
  Config c = GetParam();
  if (const char* s = getenv("IMPCUST_MODEL_SEED"))
    c.seed = static_cast<uint32_t>(strtoul(s, nullptr, 10));
  std::cout << "btree model: " << Describe(c) << std::endl;
  SCOPED_TRACE(Describe(c));
  rng_.seed(c.seed);

  ResetEngine();
  ASSERT_GT(StartEngine(2, c.page_buffers), 0) << StatusCode();
  uint8_t descriptors[kKeyDescriptorBytes] = {};
  descriptors[0] = static_cast<uint8_t>(c.key_length);  // index 1: unique
  descriptors[1] = 0;
  descriptors[2] = static_cast<uint8_t>(c.key_length);  // index 2: duplicates
  descriptors[3] = 1;
  CreateDataFile(base_, kRecordLength, 2, descriptors);
  ASSERT_TRUE(StatusOk()) << StatusCode();
  OpenDataFile(fb_, base_, false);
  ASSERT_TRUE(StatusOk()) << StatusCode();
  models_ = {Model(c.key_length, false), Model(c.key_length, true)};

  LockDataFile(fb_);
  ASSERT_TRUE(StatusOk()) << StatusCode();
  std::vector<char> record(kRecordLength, 0);
  for (int32_t i = 1; i <= kRecords; ++i) {
    int32_t n = 0;
    AddRecord(fb_, n, record.data());
    ASSERT_EQ(n, i) << StatusCode();
  }
  UnlockDataFile(fb_);
  ASSERT_TRUE(StatusOk()) << StatusCode();

  // A unique index of key length 1 holds at most 257 keys (256 bytes and the empty key); as it
  // fills, most inserts become duplicates, so its growth stops well below that.
  const int target[2] = {c.key_length == 1 ? std::min(c.target, 120) : c.target, c.target};
  // Growth and shrink phases per index; after the last one every key is removed.
  int phase[2] = {0, 0};
  constexpr int kPhases = 4;
  int transaction = 0;
  int checks = 0;
  for (;;) {
    const bool draining = phase[0] >= kPhases && phase[1] >= kPhases;
    if (draining && models_[0].entries().empty() && models_[1].entries().empty()) break;
    ++transaction;
    SCOPED_TRACE("transaction " + std::to_string(transaction));
    LockDataFile(fb_);
    ASSERT_TRUE(StatusOk()) << StatusCode();
    const int ops = 1 + static_cast<int>(rng_() % 3);
    int k = 1;
    for (int op = 0; op < ops; ++op) {
      k = 1 + static_cast<int>(rng_() % 2);
      const size_t size = models_[k - 1].entries().size();
      int& p = phase[k - 1];
      if (p % 2 == 0 && p < kPhases && size >= static_cast<size_t>(target[k - 1])) ++p;
      if (p % 2 == 1 && size <= 3) ++p;
      // Growth inserts three times in four, shrinking one in five; the drain only removes.
      const bool insert = p < kPhases && rng_() % 100 < (p % 2 == 0 ? 75u : 20u);
      ASSERT_NO_FATAL_FAILURE(Operate(k, insert));
    }
    UnlockDataFile(fb_);
    ASSERT_TRUE(StatusOk()) << StatusCode();

    ASSERT_NO_FATAL_FAILURE(CheckLookup(k, last_key_));
    ASSERT_NO_FATAL_FAILURE(CheckLookup(1 + static_cast<int>(rng_() % 2), RandomKey(c.key_length)));
    if (transaction <= kVerifyEveryStepUntil || transaction % kVerifyEvery == 0) {
      ++checks;
      ASSERT_NO_FATAL_FAILURE(CheckAll(checks % kEngineWalkEvery == 0));
    }
  }
  ASSERT_NO_FATAL_FAILURE(CheckAll(true));

  // Emptied by removals: both roots are gone and every page is back on its free chain.
  VerifyResult r = VerifyDataFileSet(nullptr, base_);
  for (const IndexFacts& ix : r.facts.indexes) {
    EXPECT_EQ(ix.root, 0) << "index " << ix.number;
    EXPECT_EQ(ix.free_pages, ix.pages_used) << "index " << ix.number;
    EXPECT_GT(ix.pages_used, 1) << "index " << ix.number << " never grew";
  }
  std::cout << "btree model: " << transaction << " transactions, " << checks
            << " checks, deepest trees " << max_depth_[0] << " and " << max_depth_[1] << " levels"
            << std::endl;
}

INSTANTIATE_TEST_SUITE_P(KeyLengths, BTreeModelTest,
                         ::testing::Values(Config{1, 8, 3500, 1001}, Config{10, 500, 1500, 1010},
                                           Config{30, 8, 900, 1030}, Config{100, 500, 700, 1100}),
                         [](const ::testing::TestParamInfo<Config>& info) {
                           return "KeyLength" + std::to_string(info.param.key_length) + "Buffers" +
                                  std::to_string(info.param.page_buffers);
                         });

}  // namespace
}  // namespace isam
