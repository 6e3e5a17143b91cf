// A file system held in memory, for the fuzz targets: every reader under fuzzing opens, reads,
// rewrites and replaces its files through this Env, so that one run costs no disk access and
// leaves nothing behind. Reset() empties it between runs.
//
// Contract that is easy to get wrong:
//  * Names are resolved once, when a call is made: '/' counts as '\', a name that does not
//    start with '\' or a drive letter is taken relative to the current directory, and case
//    counts (as on the POSIX Env).
//  * Share modes are not emulated; byte-range locks are (exclusive, exact unlock, released
//    when the handle closes), between handles of this Env only.
//  * A file may not grow beyond kMaxFileBytes: a write or cut past it fails with
//    kErrDiskFull, so that a reader which computes an absurd offset from hostile bytes shows
//    up as a failed write instead of exhausting the fuzzer's memory.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/env.h"

namespace fuzz {

class MemEnv final : public platform::Env {
 public:
  static constexpr uint64_t kMaxFileBytes = 16ull << 20;

  MemEnv();

  // Back to one empty folder, "\fz", which is current.
  void Reset();
  // Direct access for the targets: set a file's bytes, read them back (false when missing).
  void Put(const std::string& name, const std::string& bytes);
  bool Get(const std::string& name, std::string* bytes);
  // Full name as this Env resolves it.
  std::string Resolve(const std::string& name) const;

  int OpenFile(const std::string& name, platform::OpenMode mode,
               std::unique_ptr<platform::File>* out) override;
  int CloseFile(std::unique_ptr<platform::File> file) override;
  int DeleteFile(const std::string& name) override;
  int RenameFile(const std::string& from, const std::string& to) override;
  bool FileExists(const std::string& name) override;
  bool DirectoryExists(const std::string& name) override;
  int CreateDirectory(const std::string& name) override;
  int ListFiles(const std::string& dir, std::vector<std::string>* names) override;
  int GetCurrentDirectory(std::string* out) override;
  int SetCurrentDirectory(const std::string& dir) override;
  platform::DriveType GetDriveType(const std::string& path) override;
  bool GetEnvironmentVariable(const std::string& name, std::string* value) override;
  void SleepMs(uint32_t ms) override;
  uint64_t MonotonicMicros() override;
  uint32_t RandomSeed() override;
  int WindowsVersion() override;

  struct Node {
    std::string bytes;
    struct Range {
      uint64_t offset, length;
      const void* owner;
    };
    std::vector<Range> locks;
  };

 private:
  std::map<std::string, std::shared_ptr<Node>> files_;
  std::set<std::string> dirs_;
  std::string cwd_;
  uint64_t micros_ = 0;
  uint32_t seed_ = 1;
};

// Splits fuzz input into `count` parts at each "\n--8<--\n" marker; missing parts are empty.
// The seed corpus uses the same marker, so that each part stays readable text.
std::vector<std::string> SplitParts(const uint8_t* data, size_t size, size_t count);

// Stops the run with a message when an invariant of the code under test does not hold.
[[noreturn]] void Fail(const char* what);
inline void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

}  // namespace fuzz
