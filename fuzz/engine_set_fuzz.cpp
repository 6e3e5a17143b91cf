// Fuzz target: a data file set built from the input (flags byte, then the .DAT, .IX and .DIA
// bytes split at the marker), opened, then a fixed mix of lookups, key walks, reads, adds,
// deletes, key inserts and removals under the write lock, unlocked and closed. Nothing may
// crash or overrun whatever the bytes; and a set the checker finds sound before must still be
// sound afterwards, whichever operations were refused on the way.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/engine_sets.h"
#include "fuzz/mem_env.h"
#include "isam/isam.h"
#include "isam/verify.h"

namespace {

isam::VerifyOptions Strict() {
  isam::VerifyOptions o;
  o.check_record_refs = true;
  return o;
}

// The operations, driven by the flag byte and the data's own record count.
void Exercise(isam::FileBlock* fb, uint8_t flags, const std::string& key_bytes) {
  const int32_t length = isam::RecordLength(fb);
  if (length <= 0 || length > (1 << 16)) return;
  const int keys = isam::KeyCount(fb);
  std::vector<uint8_t> record(static_cast<size_t>(length), 0x41);
  // Reads and walks, each bounded.
  const int32_t used = isam::RecordsUsed(fb);
  for (int32_t n = 1; n <= used && n <= 16; ++n) isam::ReadRecord(fb, n, record.data());
  isam::ReadRecord(fb, used + 1, record.data());
  isam::ReadRecord(fb, -1, record.data());
  for (int k = 1; k <= keys && k <= 4; ++k) {
    int32_t n = 0;
    std::string key;
    isam::FirstKey(fb, static_cast<uint16_t>(k), n, key);
    for (int steps = 0; steps < 64 && isam::StatusOk(); ++steps) {
      isam::NextKey(fb, static_cast<uint16_t>(k), n, key);
    }
    isam::LookupKey(fb, static_cast<uint16_t>(k), n, key_bytes);
    isam::LookupKey(fb, static_cast<uint16_t>(k), n, fuzz::SetKey1(2));
  }
  int32_t none = 0;
  isam::LookupKey(fb, static_cast<uint16_t>(keys + 1), none, "x");

  isam::LockDataFile(fb);
  if (!isam::StatusOk()) return;
  for (int i = 0; i < 1 + (flags >> 5); ++i) {
    int32_t n = 0;
    const std::string r = fuzz::SetRecord(1000 + i);
    std::copy(r.begin(), r.begin() + std::min<size_t>(r.size(), record.size()), record.begin());
    isam::AddRecord(fb, n, record.data());
    if (!isam::StatusOk()) continue;
    bool keyed = true;
    for (int k = 1; k <= keys && k <= 2 && keyed; ++k) {
      isam::InsertKey(fb, static_cast<uint16_t>(k), n,
                      k == 1 ? fuzz::SetKey1(1000 + i) : fuzz::SetKey2(1000 + i));
      keyed = isam::StatusOk();
    }
    if (flags & 2) isam::InsertKey(fb, 1, n, key_bytes);  // may be refused as a duplicate
    if (flags & 4) {
      isam::RemoveKey(fb, 1, n, fuzz::SetKey1(1000 + i));
      isam::RemoveKey(fb, 2, n, fuzz::SetKey2(1000 + i));
      isam::RemoveKey(fb, 1, n, key_bytes);
      isam::DeleteRecord(fb, n);
    }
  }
  if (flags & 8) {
    // Remove an existing customer with both keys, as an undo does.
    int32_t n = 0;
    isam::LookupKey(fb, 1, n, fuzz::SetKey1(3));
    if (isam::StatusOk()) {
      isam::RemoveKey(fb, 1, n, fuzz::SetKey1(3));
      isam::RemoveKey(fb, 2, n, fuzz::SetKey2(3));
      isam::DeleteRecord(fb, n);
    }
  }
  isam::DeleteRecord(fb, 0);
  isam::DeleteRecord(fb, used + 100);
  if (flags & 16) isam::FlushDataFile(fb);
  isam::UnlockDataFile(fb);
  isam::UnlockDataFile(fb);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::MemEnv env;
  env.Reset();
  const uint8_t flags = size > 0 ? data[0] : 0;
  const auto parts = fuzz::SplitParts(data + (size > 0 ? 1 : 0), size > 0 ? size - 1 : 0, 4);
  fuzz::PutSet(&env, {parts[0], parts[1], parts[2]});
  if (flags & 1) env.DeleteFile("T.DIA");

  const bool sound_before = isam::VerifyDataFileSet(&env, fuzz::kSetName, Strict()).Sound();
  isam::ResetEngine(&env);
  isam::StartEngine(2, 8);
  isam::FileBlock* fb = nullptr;
  isam::OpenDataFile(fb, fuzz::kSetName, (flags & 0x80) != 0);
  if (isam::StatusOk()) {
    fuzz::Check(fb != nullptr, "an open that succeeded gave no file block");
    Exercise(fb, flags, parts[3]);
    isam::CloseDataFile(fb);
    fuzz::Check(!sound_before || isam::StatusOk(), "closing a sound set failed");
  } else {
    fuzz::Check(fb == nullptr, "a failed open left a file block");
  }
  isam::StopEngine();
  if (sound_before) {
    const isam::VerifyResult after = isam::VerifyDataFileSet(&env, fuzz::kSetName, Strict());
    if (!after.Sound()) {
      for (const auto& d : after.defects) std::fprintf(stderr, "defect: %s\n", d.c_str());
      fuzz::Fail("the operations damaged a sound set");
    }
  }
  return 0;
}
