// Helpers for the engine tests that build data file sets byte by byte and read their files
// back: a set in a scratch folder, whole-file reads and writes, little-endian access to file
// bytes held in strings, and index headers and pages encoded and decoded as the index file
// holds them. Used by the shape, journal, fault and damage tests of isam/.
//
// Contract that is easy to get wrong: the decoders here read the bytes independently of the
// engine (they never call it), so that a test compares the engine's writes with the layout
// itself; every accessor checks its bounds and fails the test instead of overrunning.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "isam/isam.h"
#include "platform/env.h"
#include "platform/scratch_dir.h"

namespace isam::fixture {

inline std::string Slurp(const std::string& path) {
  std::string s;
  platform::ReadWholeFile(platform::Env::Default(), path, &s);
  return s;
}

inline void Spill(const std::string& path, const std::string& bytes) {
  EXPECT_EQ(platform::WriteWholeFile(platform::Env::Default(), path, bytes), 0) << path;
}

// Replaces the content of a file that the engine may hold open (shared), as another program
// of the suite would: written in place and cut to the new length.
inline void RewriteShared(const std::string& path, const std::string& bytes) {
  platform::Env* env = platform::Env::Default();
  std::unique_ptr<platform::File> f;
  ASSERT_EQ(env->OpenFile(path, platform::OpenMode::kShared, &f), 0) << path;
  size_t put = 0;
  EXPECT_EQ(f->Write(0, bytes.data(), bytes.size(), &put), 0);
  EXPECT_EQ(put, bytes.size());
  EXPECT_EQ(f->Truncate(bytes.size()), 0);
  EXPECT_EQ(env->CloseFile(std::move(f)), 0);
}

inline bool Exists(const std::string& path) { return platform::Env::Default()->FileExists(path); }

inline uint32_t U32(const std::string& b, size_t off) {
  if (off + 4 > b.size()) {
    ADD_FAILURE() << "read of 4 bytes at " << off << " beyond " << b.size();
    return 0;
  }
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[off + static_cast<size_t>(i)]);
  return v;
}
inline int32_t I32(const std::string& b, size_t off) { return static_cast<int32_t>(U32(b, off)); }
inline uint16_t U16(const std::string& b, size_t off) {
  if (off + 2 > b.size()) {
    ADD_FAILURE() << "read of 2 bytes at " << off << " beyond " << b.size();
    return 0;
  }
  return static_cast<uint16_t>(static_cast<uint8_t>(b[off]) |
                               (static_cast<uint8_t>(b[off + 1]) << 8));
}

// Appends little-endian values to a byte string.
inline std::string LE16(uint16_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
inline std::string LE32(int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  return std::string{static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                     static_cast<char>((u >> 16) & 0xFF), static_cast<char>(u >> 24)};
}
// Overwrites bytes of `b` at `off`, growing it with zeros when needed.
inline void Patch(std::string& b, size_t off, const std::string& bytes) {
  if (b.size() < off + bytes.size()) b.resize(off + bytes.size(), '\0');
  b.replace(off, bytes.size(), bytes);
}

constexpr int PageSize(int key_length) { return 62 * (key_length + 9) + 6; }

// The 28-byte index header.
struct IxHeader {
  int32_t first_free = -1;
  int32_t free_count = 0;
  int32_t pages_used = 0;
  int32_t page_size = 0;
  int32_t root = 0;
  uint8_t duplicates = 0;
  int32_t key_count = 0;
  uint16_t items_per_page = 62;
};

inline std::string EncodeHeader(const IxHeader& h) {
  return LE32(h.first_free) + LE32(h.free_count) + LE32(h.pages_used) + LE32(h.page_size) +
         LE32(h.root) + std::string{static_cast<char>(h.duplicates), '\0'} + LE32(h.key_count) +
         LE16(h.items_per_page);
}

inline IxHeader DecodeHeader(const std::string& ix, size_t off) {
  IxHeader h;
  h.first_free = I32(ix, off);
  h.free_count = I32(ix, off + 4);
  h.pages_used = I32(ix, off + 8);
  h.page_size = I32(ix, off + 12);
  h.root = I32(ix, off + 16);
  h.duplicates = off + 20 < ix.size() ? static_cast<uint8_t>(ix[off + 20]) : 0;
  h.key_count = I32(ix, off + 22);
  h.items_per_page = U16(ix, off + 26);
  return h;
}

struct Item {
  std::string key;
  int32_t ref = 0;
  int32_t child = 0;
  bool operator==(const Item& o) const { return key == o.key && ref == o.ref && child == o.child; }
};

struct Page {
  int32_t leftmost = 0;
  std::vector<Item> items;
};

inline std::ostream& operator<<(std::ostream& os, const Item& it) {
  return os << "(" << it.key << " r" << it.ref << " c" << it.child << ")";
}

// The packed form: 6 + n * (L + 9) bytes.
inline std::string EncodePage(const Page& p, int key_length) {
  std::string b = LE16(static_cast<uint16_t>(p.items.size())) + LE32(p.leftmost);
  for (const Item& it : p.items) {
    std::string text = it.key;
    text.resize(static_cast<size_t>(key_length), '\0');
    b += LE32(it.ref) + LE32(it.child) + std::string(1, static_cast<char>(it.key.size())) + text;
  }
  return b;
}

inline uint16_t PageCount(const std::string& ix, size_t pos) { return U16(ix, pos); }

inline Page DecodePage(const std::string& ix, size_t pos, int key_length) {
  Page p;
  const uint16_t n = U16(ix, pos);
  p.leftmost = I32(ix, pos + 2);
  const size_t item = static_cast<size_t>(key_length) + 9;
  if (n > 62 || pos + 6 + n * item > ix.size()) {
    ADD_FAILURE() << "page at " << pos << " holds " << n << " items";
    return p;
  }
  for (size_t i = 0; i < n; ++i) {
    const size_t at = pos + 6 + i * item;
    Item it;
    it.ref = I32(ix, at);
    it.child = I32(ix, at + 4);
    const size_t m = static_cast<uint8_t>(ix[at + 8]);
    it.key = ix.substr(at + 9, m <= static_cast<size_t>(key_length) ? m : 0);
    p.items.push_back(it);
  }
  return p;
}

// A leaf item whose key is the number i written with four digits, referring to record i.
inline Item K(int i, int32_t child = 0) {
  char b[16];
  std::snprintf(b, sizeof b, "%04d", i);
  return Item{b, i, child};
}
// Leaf items K(from), K(from + step), ... up to `to` inclusive.
inline std::vector<Item> Keys(int from, int to, int step = 1) {
  std::vector<Item> v;
  for (int i = from; i <= to; i += step) v.push_back(K(i));
  return v;
}
inline std::vector<Item> Cat(std::vector<Item> a, const std::vector<Item>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A set in its own scratch folder, with the engine reset onto `env` and started.
class ScratchSet {
 public:
  explicit ScratchSet(const std::string& tag = "isamset") : dir_(tag), base_(dir_.Join("SET")) {}

  const std::string& base() const { return base_; }
  std::string dat() const { return base_ + ".DAT"; }
  std::string ix() const { return base_ + ".IX"; }
  std::string dia() const { return base_ + ".DIA"; }
  std::string Join(const std::string& name) const { return dir_.Join(name); }

  // Creates the set with record length `record_length` and (key length, duplicates) pairs.
  void Create(int32_t record_length, const std::vector<std::pair<int, int>>& keys) {
    uint8_t desc[kKeyDescriptorBytes] = {};
    for (size_t i = 0; i < keys.size(); ++i) {
      desc[2 * i] = static_cast<uint8_t>(keys[i].first);
      desc[2 * i + 1] = static_cast<uint8_t>(keys[i].second);
    }
    CreateDataFile(base_, record_length, static_cast<int32_t>(keys.size()), desc);
    ASSERT_TRUE(StatusOk()) << StatusCode();
  }

  FileBlock* Open() {
    FileBlock* fb = nullptr;
    OpenDataFile(fb, base_, false);
    EXPECT_TRUE(StatusOk()) << "open: " << StatusCode();
    return fb;
  }

 private:
  platform::ScratchDir dir_;
  std::string base_;
};

}  // namespace isam::fixture
