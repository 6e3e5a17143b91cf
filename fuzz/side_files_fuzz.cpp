// Fuzz target: the side files of a company directory. The bytes become the seven files
// (parts split at the marker), every read step runs, the three files the close writes are
// written back, and a second open must read exactly what the first one held.
#include <cstddef>
#include <cstdint>
#include <string>

#include "datafiles/side_files.h"
#include "fuzz/mem_env.h"

namespace {

using datafiles::SideFiles;

const char* const kFiles[] = {
    datafiles::kArInfoFile, datafiles::kArTBufFile, datafiles::kArTypeFile, datafiles::kGlInfoFile,
    datafiles::kGlBookFile, datafiles::kIcInfoFile, datafiles::kIcSubwFile};
constexpr size_t kFileCount = sizeof(kFiles) / sizeof(kFiles[0]);

// All read steps in the order of the company open; false at the first failure.
bool ReadAll(fuzz::MemEnv* env, SideFiles& side) {
  using Step = datafiles::IoResult (*)(platform::Env*, SideFiles&);
  const Step steps[] = {datafiles::ReadArInfo, datafiles::ReadArTBuf, datafiles::ReadArTypes,
                        datafiles::ReadGlInfo, datafiles::ReadIcInfo, datafiles::ReadIcSubw,
                        datafiles::ReadGlBook};
  for (Step step : steps) {
    const datafiles::IoResult r = step(env, side);
    if (!r.ok()) {
      fuzz::Check(r.file != nullptr && r.file[0] != '\0', "a failed step names its file");
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::MemEnv env;
  env.Reset();
  // The first byte decides which files exist, so that the creation of missing files and
  // their defaults is reached as well.
  const uint8_t present = size > 0 ? data[0] : 0xFF;
  const auto parts =
      fuzz::SplitParts(data + (size > 0 ? 1 : 0), size > 0 ? size - 1 : 0, kFileCount);
  for (size_t i = 0; i < kFileCount; ++i) {
    if (present & (1u << i)) env.Put(kFiles[i], parts[i]);
  }

  static SideFiles first, second;
  first.Clear();
  if (!ReadAll(&env, first)) return 0;
  fuzz::Check(first.ar_tbuf_count >= 0 && first.ar_tbuf_count <= datafiles::kArTBufEntries,
              "ARTBUF count outside its table");
  // What the close writes.
  fuzz::Check(datafiles::WriteArInfo(&env, first).ok(), "ARINFO write failed in memory");
  fuzz::Check(datafiles::WriteArTBuf(&env, first).ok(), "ARTBUF write failed in memory");
  fuzz::Check(datafiles::WriteArTypes(&env, first).ok(), "ARTYPE write failed in memory");
  fuzz::Check(datafiles::WriteGlBook(&env, first).ok(), "GLBOOK write failed in memory");

  second.Clear();
  fuzz::Check(ReadAll(&env, second), "files written back cannot be read again");
  fuzz::Check(first.ar_info == second.ar_info, "ARINFO changed on the way back");
  fuzz::Check(first.ar_tbuf_count == second.ar_tbuf_count, "ARTBUF count changed");
  fuzz::Check(first.ar_tbuf == second.ar_tbuf, "ARTBUF records changed");
  fuzz::Check(first.ar_tbuf_beyond == second.ar_tbuf_beyond, "records beyond ARTBUF lost");
  fuzz::Check(first.ar_types == second.ar_types, "ARTYPE records changed");
  fuzz::Check(first.ar_types_beyond == second.ar_types_beyond, "records beyond ARTYPE lost");
  fuzz::Check(first.gl_book == second.gl_book, "GLBOOK records changed");
  return 0;
}
