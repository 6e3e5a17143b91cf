// Fuzz target: journal replay. A sound set written by the engine gets the input as its
// coordination file, as an interrupted writer in save mode leaves it; the open replays it,
// then a lookup, a key walk and a locked add run and the set is closed. Any journal must end
// in a status, never in a crash, an overrun or a write beyond the set's files; the checker
// then reads whatever the replay left without crashing either.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/engine_sets.h"
#include "fuzz/mem_env.h"
#include "isam/isam.h"
#include "isam/verify.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::MemEnv env;
  static fuzz::SetBytes base;
  if (base.dat.empty()) {
    env.Reset();
    isam::ResetEngine(&env);
    isam::StartEngine(2, 8);
    base = fuzz::WriteSet(&env, 40, 5);
    isam::StopEngine();
    fuzz::Check(!base.dat.empty(), "the engine could not write the base set");
  }
  env.Reset();
  fuzz::PutSet(&env, {base.dat, base.ix, std::string(reinterpret_cast<const char*>(data), size)});

  isam::ResetEngine(&env);
  isam::StartEngine(2, 8);
  isam::FileBlock* fb = nullptr;
  isam::OpenDataFile(fb, fuzz::kSetName, true);
  if (isam::StatusOk()) {
    int32_t n = 0;
    std::string key;
    isam::LookupKey(fb, 1, n, fuzz::SetKey1(7));
    isam::FirstKey(fb, 2, n, key);
    for (int steps = 0; steps < 64 && isam::StatusOk(); ++steps) isam::NextKey(fb, 2, n, key);
    isam::LockDataFile(fb);
    if (isam::StatusOk()) {
      const std::string r = fuzz::SetRecord(500);
      if (isam::RecordLength(fb) == fuzz::kSetRecordLength) {
        isam::AddRecord(fb, n, r.data());
        if (isam::StatusOk()) isam::InsertKey(fb, 1, n, fuzz::SetKey1(500));
      }
      isam::UnlockDataFile(fb);
    }
    isam::CloseDataFile(fb);
  }
  isam::StopEngine();
  isam::VerifyOptions o;
  o.ignore_in_use = true;
  o.check_record_refs = true;
  isam::VerifyDataFileSet(&env, fuzz::kSetName, o);
  return 0;
}
