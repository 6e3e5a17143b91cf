#include "fuzz/mem_env.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace fuzz {
namespace {

using platform::kErrNone;

constexpr char kRoot[] = "\\fz";
constexpr std::string_view kMarker = "\n--8<--\n";

bool IsAbsolute(const std::string& name) {
  if (!name.empty() && name[0] == '\\') return true;
  return name.size() >= 2 && name[1] == ':' &&
         ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
}

std::string ParentOf(const std::string& full) {
  const size_t cut = full.rfind('\\');
  return cut == std::string::npos || cut == 0 ? std::string("\\") : full.substr(0, cut);
}

class MemFile final : public platform::File {
 public:
  MemFile(std::shared_ptr<MemEnv::Node> node, bool writable)
      : node_(std::move(node)), writable_(writable) {}
  ~MemFile() override {
    auto& locks = node_->locks;
    locks.erase(std::remove_if(locks.begin(), locks.end(),
                               [this](const MemEnv::Node::Range& r) { return r.owner == this; }),
                locks.end());
  }

  int Read(uint64_t offset, void* buf, size_t len, size_t* got) override {
    *got = 0;
    const std::string& b = node_->bytes;
    if (offset >= b.size()) return kErrNone;
    *got = static_cast<size_t>(std::min<uint64_t>(len, b.size() - offset));
    if (*got > 0) std::memcpy(buf, b.data() + offset, *got);
    return kErrNone;
  }
  int Write(uint64_t offset, const void* buf, size_t len, size_t* put) override {
    *put = 0;
    if (!writable_) return platform::kErrAccessDenied;
    if (offset > MemEnv::kMaxFileBytes || len > MemEnv::kMaxFileBytes - offset) {
      return platform::kErrDiskFull;
    }
    std::string& b = node_->bytes;
    if (b.size() < offset + len) b.resize(static_cast<size_t>(offset + len), '\0');
    if (len > 0) std::memcpy(b.data() + offset, buf, len);
    *put = len;
    return kErrNone;
  }
  int Truncate(uint64_t length) override {
    if (!writable_) return platform::kErrAccessDenied;
    if (length > MemEnv::kMaxFileBytes) return platform::kErrDiskFull;
    node_->bytes.resize(static_cast<size_t>(length), '\0');
    return kErrNone;
  }
  int Flush() override { return kErrNone; }
  int Size(uint64_t* size) override {
    *size = node_->bytes.size();
    return kErrNone;
  }
  int Lock(uint64_t offset, uint64_t length) override {
    if (length == 0) return platform::kErrInvalidParameter;
    for (const auto& r : node_->locks) {
      if (offset < r.offset + r.length && r.offset < offset + length) {
        return platform::kErrLockViolation;
      }
    }
    node_->locks.push_back({offset, length, this});
    return kErrNone;
  }
  int Unlock(uint64_t offset, uint64_t length) override {
    auto& locks = node_->locks;
    for (auto it = locks.begin(); it != locks.end(); ++it) {
      if (it->owner == this && it->offset == offset && it->length == length) {
        locks.erase(it);
        return kErrNone;
      }
    }
    return platform::kErrNotLocked;
  }

 private:
  std::shared_ptr<MemEnv::Node> node_;
  bool writable_;
};

}  // namespace

MemEnv::MemEnv() { Reset(); }

void MemEnv::Reset() {
  files_.clear();
  dirs_ = {"\\", kRoot};
  cwd_ = kRoot;
  micros_ = 0;
  seed_ = 1;
}

std::string MemEnv::Resolve(const std::string& name) const {
  std::string n = name;
  std::replace(n.begin(), n.end(), '/', '\\');
  if (!IsAbsolute(n)) n = cwd_ + "\\" + n;
  std::string out;
  for (char c : n) {
    if (c == '\\' && !out.empty() && out.back() == '\\') continue;
    out.push_back(c);
  }
  if (out.size() > 1 && out.back() == '\\') out.pop_back();
  return out;
}

void MemEnv::Put(const std::string& name, const std::string& bytes) {
  auto node = std::make_shared<Node>();
  node->bytes = bytes;
  files_[Resolve(name)] = std::move(node);
}

bool MemEnv::Get(const std::string& name, std::string* bytes) {
  auto it = files_.find(Resolve(name));
  if (it == files_.end()) return false;
  *bytes = it->second->bytes;
  return true;
}

int MemEnv::OpenFile(const std::string& name, platform::OpenMode mode,
                     std::unique_ptr<platform::File>* out) {
  out->reset();
  if (name.find('\0') != std::string::npos) return platform::kErrInvalidName;
  const std::string full = Resolve(name);
  if (dirs_.count(full) != 0) return platform::kErrAccessDenied;
  auto it = files_.find(full);
  if (mode == platform::OpenMode::kCreate) {
    if (dirs_.count(ParentOf(full)) == 0) return platform::kErrPathNotFound;
    if (it == files_.end()) {
      it = files_.emplace(full, std::make_shared<Node>()).first;
    } else {
      it->second->bytes.clear();
    }
  } else if (it == files_.end()) {
    return platform::kErrFileNotFound;
  }
  *out = std::make_unique<MemFile>(it->second, mode != platform::OpenMode::kReadOnly);
  return kErrNone;
}

int MemEnv::CloseFile(std::unique_ptr<platform::File> file) {
  file.reset();
  return kErrNone;
}

int MemEnv::DeleteFile(const std::string& name) {
  return files_.erase(Resolve(name)) != 0 ? kErrNone : platform::kErrFileNotFound;
}

int MemEnv::RenameFile(const std::string& from, const std::string& to) {
  const std::string f = Resolve(from), t = Resolve(to);
  auto it = files_.find(f);
  if (it == files_.end()) return platform::kErrFileNotFound;
  if (files_.count(t) != 0 || dirs_.count(t) != 0) return platform::kErrAlreadyExists;
  auto node = it->second;
  files_.erase(it);
  files_[t] = std::move(node);
  return kErrNone;
}

bool MemEnv::FileExists(const std::string& name) { return files_.count(Resolve(name)) != 0; }

bool MemEnv::DirectoryExists(const std::string& name) { return dirs_.count(Resolve(name)) != 0; }

int MemEnv::CreateDirectory(const std::string& name) {
  const std::string full = Resolve(name);
  if (dirs_.count(full) != 0 || files_.count(full) != 0) return platform::kErrAlreadyExists;
  if (dirs_.count(ParentOf(full)) == 0) return platform::kErrPathNotFound;
  dirs_.insert(full);
  return kErrNone;
}

int MemEnv::ListFiles(const std::string& dir, std::vector<std::string>* names) {
  names->clear();
  const std::string full = Resolve(dir);
  if (dirs_.count(full) == 0) return platform::kErrPathNotFound;
  for (const auto& [path, node] : files_) {
    if (ParentOf(path) == full) names->push_back(path.substr(path.rfind('\\') + 1));
  }
  return kErrNone;
}

int MemEnv::GetCurrentDirectory(std::string* out) {
  *out = cwd_;
  return kErrNone;
}

int MemEnv::SetCurrentDirectory(const std::string& dir) {
  const std::string full = Resolve(dir);
  if (dirs_.count(full) == 0) return platform::kErrPathNotFound;
  cwd_ = full;
  return kErrNone;
}

platform::DriveType MemEnv::GetDriveType(const std::string&) { return platform::DriveType::kFixed; }

bool MemEnv::GetEnvironmentVariable(const std::string&, std::string*) { return false; }

void MemEnv::SleepMs(uint32_t ms) { micros_ += uint64_t{ms} * 1000; }

uint64_t MemEnv::MonotonicMicros() { return ++micros_; }

uint32_t MemEnv::RandomSeed() { return seed_++; }

int MemEnv::WindowsVersion() { return 0; }

std::vector<std::string> SplitParts(const uint8_t* data, size_t size, size_t count) {
  std::vector<std::string> parts(count);
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (size_t i = 0; i < count; ++i) {
    const size_t cut = i + 1 == count ? std::string_view::npos : rest.find(kMarker);
    if (cut == std::string_view::npos) {
      parts[i] = std::string(rest);
      break;
    }
    parts[i] = std::string(rest.substr(0, cut));
    rest.remove_prefix(cut + kMarker.size());
  }
  return parts;
}

void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace fuzz
