// A read-only view of the file system for trial runs. Files are read from the real disk
// through a base Env; every change (write, create, cut, delete, rename, new folder) goes into
// memory and is seen by later calls through this Env only, never by the disk. Running the
// whole program (engine, company files, side files, configuration) on one of these answers
// "what would the import do?" through the very same code path as the real run, while the
// disk stays byte for byte as it was.
//
// Who uses it: the batch front end's --dry-run and its export (which must not change the
// company), and tests.
//
// Contract that is easy to get wrong:
//  * The current directory is the base's: SetCurrentDirectory really changes it (it changes no
//    file), and a folder that exists only in memory cannot be made current.
//  * Relative names are resolved against the current directory when they are first used, so a
//    file keeps its identity when the current directory changes later.
//  * Byte-range locks and share modes are kept in memory between the handles of this Env
//    only; other processes are neither seen nor excluded. A trial run therefore reads what the
//    disk holds when each part is first read; run it while no one writes the company.
//  * Files are read lazily in 4 KiB pages and only changed pages are held in memory.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/env.h"

namespace app {

class DryRunEnv : public platform::Env {
 public:
  explicit DryRunEnv(platform::Env* base);
  ~DryRunEnv() override;

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

  // Names (as resolved) of the files changed, created or deleted in memory so far.
  std::vector<std::string> ChangedFiles() const;

  struct Node;  // one file as this Env sees it

 private:
  std::string Resolve(const std::string& name);
  std::shared_ptr<Node> Lookup(const std::string& resolved);
  static std::string Parent(const std::string& resolved);

  platform::Env* base_;
  std::map<std::string, std::shared_ptr<Node>> nodes_;
  std::set<std::string> created_dirs_;
};

}  // namespace app
