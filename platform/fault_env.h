// An Env for tests that wraps another Env (usually Env::Default()) and the Files it opens, counts
// the calls by kind and makes chosen calls fail, transfer short, or refuse locks, so that the
// engine's and the access layer's handling of every OS failure can be driven on purpose.
//
// Contract that is easy to get wrong:
//  * Call numbers are 1-based and counted per kind from construction or the last Reset(); every
//    call counts, including the ones that fail. Reset() also clears every planned fault.
//  * OpenFile counts as kCreate when the mode is OpenMode::kCreate and as kOpen otherwise.
//  * A failed call does not reach the wrapped Env (nothing is opened, read or written), except
//    CloseFile, which closes the wrapped file anyway, as the File is destroyed either way.
//  * A short read or write transfers the first `bytes` bytes (never more than asked) through the
//    wrapped file and reports success with that count, as an OS does at the end of a disk.
//  * With the virtual clock on, SleepMs does not sleep but advances MonotonicMicros, so that
//    time limits of seconds run in no time; the slept total is kept either way.
//  * Files opened through a FaultEnv must be closed before it is destroyed. Single-threaded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>

#include "platform/env.h"

namespace platform {

enum class CallKind {
  kOpen,
  kCreate,
  kClose,
  kRead,
  kWrite,
  kTruncate,
  kFlush,
  kSize,
  kLock,
  kUnlock,
  kDelete,
  kRename,
};
constexpr int kCallKindCount = 12;

class FaultEnv final : public Env {
 public:
  explicit FaultEnv(Env* base);

  // Faults. A later plan for the same call replaces an earlier one.
  void FailNth(CallKind kind, int n, int os_error);
  void FailAll(CallKind kind, int os_error);  // os_error 0 ends a FailAll
  // kRead or kWrite only: the n-th call transfers at most `bytes` bytes.
  void ShortNth(CallKind kind, int n, size_t bytes);
  // Every Lock fails with kErrLockViolation while on (the call still counts).
  void RefuseLocks(bool refuse);
  void UseVirtualClock(bool on);

  int Calls(CallKind kind) const;
  uint64_t SleptMs() const { return slept_ms_; }
  // Counts to zero, all faults cleared, slept total to zero. The virtual clock setting stays.
  void Reset();

  Env* base() const { return base_; }

  // Env.
  int OpenFile(const std::string& name, OpenMode mode, std::unique_ptr<File>* out) override;
  int CloseFile(std::unique_ptr<File> file) override;
  int DeleteFile(const std::string& name) override;
  int RenameFile(const std::string& from, const std::string& to) override;
  bool FileExists(const std::string& name) override;
  bool DirectoryExists(const std::string& name) override;
  int CreateDirectory(const std::string& name) override;
  int ListFiles(const std::string& dir, std::vector<std::string>* names) override;
  int GetCurrentDirectory(std::string* out) override;
  int SetCurrentDirectory(const std::string& dir) override;
  DriveType GetDriveType(const std::string& path) override;
  bool GetEnvironmentVariable(const std::string& name, std::string* value) override;
  void SleepMs(uint32_t ms) override;
  uint64_t MonotonicMicros() override;
  uint32_t RandomSeed() override;
  int WindowsVersion() override;

  // Counts one call of `kind` and returns the error planned for it (0 when none); *short_len is
  // set to the planned transfer limit, or SIZE_MAX. Used by the wrapped Files.
  int Enter(CallKind kind, size_t* short_len = nullptr);

 private:
  Env* base_;
  std::array<int, kCallKindCount> calls_{};
  std::array<int, kCallKindCount> fail_all_{};
  std::map<std::pair<int, int>, int> fail_nth_;      // (kind, n) -> error
  std::map<std::pair<int, int>, size_t> short_nth_;  // (kind, n) -> bytes
  bool refuse_locks_ = false;
  bool virtual_clock_ = false;
  uint64_t virtual_micros_ = 0;
  uint64_t slept_ms_ = 0;
};

}  // namespace platform
