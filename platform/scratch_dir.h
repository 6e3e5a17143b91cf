// A fresh, empty folder under the system's temporary folder for one test, removed with
// everything in it when the ScratchDir goes away. Works alike on POSIX and Windows, so that
// tests need no mkdtemp or other system calls of their own.
//
// Contract that is easy to get wrong:
//  * path() is in the OS's own separator and has no trailing separator; build names inside it
//    with JoinPath (which adds '\', accepted on every platform).
//  * Files inside must be closed before the ScratchDir is destroyed (Windows cannot remove an
//    open file); what cannot be removed is left behind silently.
#pragma once

#include <string>

namespace platform {

class ScratchDir {
 public:
  // `tag` becomes part of the folder name, to tell leftovers apart.
  explicit ScratchDir(const std::string& tag = "impcust");
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  // JoinPath(path(), name).
  std::string Join(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace platform
