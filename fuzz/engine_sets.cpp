#include "fuzz/engine_sets.h"

#include <cstdio>

#include "isam/isam.h"

namespace fuzz {

std::string SetRecord(int i) {
  char buf[kSetRecordLength + 1];
  std::snprintf(buf, sizeof(buf), "%08d%-12s%-20s", i, i % 3 == 0 ? "SAME" : "NAME", "payload");
  std::string r(buf, kSetRecordLength);
  r[12] = static_cast<char>('A' + i % 26);
  return r;
}
std::string SetKey1(int i) { return SetRecord(i).substr(0, 8); }
std::string SetKey2(int i) { return SetRecord(i).substr(8, 12); }

SetBytes WriteSet(MemEnv* env, int records, int deleted) {
  uint8_t descriptors[isam::kKeyDescriptorBytes] = {8, 0, 12, 1};
  isam::CreateDataFile(kSetName, kSetRecordLength, 2, descriptors);
  if (!isam::StatusOk()) return {};
  isam::FileBlock* fb = nullptr;
  isam::OpenDataFile(fb, kSetName, false);
  if (!isam::StatusOk()) return {};
  isam::LockDataFile(fb);
  std::vector<int32_t> numbers;
  for (int i = 1; i <= records && isam::StatusOk(); ++i) {
    int32_t n = 0;
    const std::string r = SetRecord(i);
    isam::AddRecord(fb, n, r.data());
    if (isam::StatusOk()) isam::InsertKey(fb, 1, n, SetKey1(i));
    if (isam::StatusOk()) isam::InsertKey(fb, 2, n, SetKey2(i));
    numbers.push_back(n);
  }
  for (int i = 1; i <= deleted && i <= records && isam::StatusOk(); ++i) {
    const int32_t n = numbers[static_cast<size_t>(i - 1)];
    isam::RemoveKey(fb, 1, n, SetKey1(i));
    if (isam::StatusOk()) isam::RemoveKey(fb, 2, n, SetKey2(i));
    if (isam::StatusOk()) isam::DeleteRecord(fb, n);
  }
  const bool ok = isam::StatusOk();
  isam::UnlockDataFile(fb);
  isam::CloseDataFile(fb);
  SetBytes set;
  if (!ok || !isam::StatusOk()) return set;
  env->Get("T.DAT", &set.dat);
  env->Get("T.IX", &set.ix);
  env->Get("T.DIA", &set.dia);
  return set;
}

void PutSet(MemEnv* env, const SetBytes& set) {
  env->Put("T.DAT", set.dat);
  env->Put("T.IX", set.ix);
  env->Put("T.DIA", set.dia);
}

}  // namespace fuzz
