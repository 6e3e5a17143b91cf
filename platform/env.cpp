#include "platform/env.h"

#include "platform/process.h"
#include "platform/system.h"

namespace platform {

int ReadWholeFile(Env* env, const std::string& name, std::string* content) {
  content->clear();
  std::unique_ptr<File> file;
  int err = env->OpenFile(name, OpenMode::kReadOnly, &file);
  if (err != kErrNone) return err;
  uint64_t size = 0;
  err = file->Size(&size);
  if (err == kErrNone) {
    // Read until the end, whatever the size said: the file may change while we read it.
    std::string data;
    data.resize(size > 0 ? static_cast<size_t>(size) : 4096);
    uint64_t offset = 0;
    for (;;) {
      if (offset == data.size()) data.resize(data.size() * 2);
      size_t got = 0;
      err = file->Read(offset, data.data() + offset, data.size() - offset, &got);
      if (err != kErrNone) break;
      if (got == 0) break;
      offset += got;
    }
    if (err == kErrNone) {
      data.resize(static_cast<size_t>(offset));
      *content = std::move(data);
    }
  }
  const int close_err = env->CloseFile(std::move(file));
  return err != kErrNone ? err : close_err;
}

int WriteWholeFile(Env* env, const std::string& name, const std::string& content) {
  std::unique_ptr<File> file;
  int err = env->OpenFile(name, OpenMode::kCreate, &file);
  if (err != kErrNone) return err;
  size_t put = 0;
  err = file->Write(0, content.data(), content.size(), &put);
  if (err == kErrNone && put != content.size()) err = kErrDiskFull;
  const int close_err = env->CloseFile(std::move(file));
  return err != kErrNone ? err : close_err;
}

std::string SiblingExecutable(const std::string& name) {
  std::string dir = ExecutablePath();
  while (!dir.empty() && !IsSeparator(dir.back())) dir.pop_back();
#ifdef _WIN32
  return dir + name + ".exe";
#else
  return dir + name;
#endif
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (IsSeparator(dir.back())) return dir + name;
  return dir + '\\' + name;
}

}  // namespace platform
