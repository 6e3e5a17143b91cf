#include "app/dry_run_env.h"

#include <algorithm>
#include <cstring>

namespace app {

namespace {

constexpr uint64_t kPageSize = 4096;

struct LockRange {
  uint64_t offset;
  uint64_t length;
  const void* owner;
};

bool Overlaps(uint64_t a, uint64_t alen, uint64_t b, uint64_t blen) {
  return alen > 0 && blen > 0 && a < b + blen && b < a + alen;
}

}  // namespace

struct DryRunEnv::Node {
  std::string base_name;  // the disk file behind this one ("" when none)
  bool exists = false;
  bool changed = false;
  uint64_t size = 0;
  uint64_t base_limit = 0;  // bytes below this offset come from the disk unless changed
  std::map<uint64_t, std::vector<uint8_t>> pages;
  std::unique_ptr<platform::File> base_file;
  bool base_open_failed = false;
  int open_count = 0;
  bool exclusive = false;
  std::vector<LockRange> locks;

  // Reads bytes of the disk file; what the disk does not give reads as zero.
  void ReadBase(platform::Env* env, uint64_t offset, uint8_t* out, size_t len) {
    std::memset(out, 0, len);
    if (offset >= base_limit) return;
    len = static_cast<size_t>(std::min<uint64_t>(len, base_limit - offset));
    if (!base_file && !base_open_failed) {
      if (env->OpenFile(base_name, platform::OpenMode::kReadOnly, &base_file) != 0) {
        base_file.reset();
        base_open_failed = true;
      }
    }
    if (!base_file) return;
    size_t got = 0;
    base_file->Read(offset, out, len, &got);
  }

  std::vector<uint8_t>& Page(platform::Env* env, uint64_t index) {
    auto it = pages.find(index);
    if (it != pages.end()) return it->second;
    std::vector<uint8_t> page(kPageSize);
    ReadBase(env, index * kPageSize, page.data(), kPageSize);
    return pages.emplace(index, std::move(page)).first->second;
  }

  void Empty() {
    size = 0;
    base_limit = 0;
    pages.clear();
    changed = true;
  }
};

namespace {

class DryRunFile : public platform::File {
 public:
  DryRunFile(std::shared_ptr<DryRunEnv::Node> node, platform::Env* base, bool read_only)
      : node_(std::move(node)), base_(base), read_only_(read_only) {}

  int Read(uint64_t offset, void* buf, size_t len, size_t* got) override {
    *got = 0;
    if (offset >= node_->size) return 0;
    len = static_cast<size_t>(std::min<uint64_t>(len, node_->size - offset));
    uint8_t* out = static_cast<uint8_t*>(buf);
    size_t done = 0;
    while (done < len) {
      const uint64_t pos = offset + done;
      const uint64_t index = pos / kPageSize;
      const size_t in_page = static_cast<size_t>(pos % kPageSize);
      const size_t chunk = std::min<size_t>(len - done, kPageSize - in_page);
      auto it = node_->pages.find(index);
      if (it != node_->pages.end()) {
        std::memcpy(out + done, it->second.data() + in_page, chunk);
      } else {
        node_->ReadBase(base_, pos, out + done, chunk);
      }
      done += chunk;
    }
    *got = len;
    return 0;
  }

  int Write(uint64_t offset, const void* buf, size_t len, size_t* put) override {
    *put = 0;
    if (read_only_) return platform::kErrAccessDenied;
    const uint8_t* in = static_cast<const uint8_t*>(buf);
    size_t done = 0;
    while (done < len) {
      const uint64_t pos = offset + done;
      const size_t in_page = static_cast<size_t>(pos % kPageSize);
      const size_t chunk = std::min<size_t>(len - done, kPageSize - in_page);
      std::memcpy(node_->Page(base_, pos / kPageSize).data() + in_page, in + done, chunk);
      done += chunk;
    }
    node_->size = std::max<uint64_t>(node_->size, offset + len);
    node_->changed = true;
    *put = len;
    return 0;
  }

  int Truncate(uint64_t length) override {
    if (read_only_) return platform::kErrAccessDenied;
    if (length < node_->size) {
      // Bytes beyond the new end must read as zero if the file grows again.
      const uint64_t first_dropped = (length + kPageSize - 1) / kPageSize;
      node_->pages.erase(node_->pages.lower_bound(first_dropped), node_->pages.end());
      if (length % kPageSize != 0) {
        std::vector<uint8_t>& page = node_->Page(base_, length / kPageSize);
        std::fill(page.begin() + static_cast<long>(length % kPageSize), page.end(), 0);
      }
      node_->base_limit = std::min(node_->base_limit, length);
    }
    node_->size = length;
    node_->changed = true;
    return 0;
  }

  int Flush() override { return 0; }

  int Size(uint64_t* size) override {
    *size = node_->size;
    return 0;
  }

  int Lock(uint64_t offset, uint64_t length) override {
    for (const LockRange& r : node_->locks) {
      if (Overlaps(r.offset, r.length, offset, length)) return platform::kErrLockViolation;
    }
    node_->locks.push_back({offset, length, this});
    return 0;
  }

  int Unlock(uint64_t offset, uint64_t length) override {
    auto& locks = node_->locks;
    for (auto it = locks.begin(); it != locks.end(); ++it) {
      if (it->owner == this && it->offset == offset && it->length == length) {
        locks.erase(it);
        return 0;
      }
    }
    return platform::kErrNotLocked;
  }

  void Release() {
    auto& locks = node_->locks;
    locks.erase(std::remove_if(locks.begin(), locks.end(),
                               [this](const LockRange& r) { return r.owner == this; }),
                locks.end());
    --node_->open_count;
    node_->exclusive = false;
  }

 private:
  std::shared_ptr<DryRunEnv::Node> node_;
  platform::Env* base_;
  bool read_only_;
};

}  // namespace

DryRunEnv::DryRunEnv(platform::Env* base) : base_(base != nullptr ? base : Env::Default()) {}

DryRunEnv::~DryRunEnv() = default;

std::string DryRunEnv::Resolve(const std::string& name) {
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');
  const bool has_drive = path.size() >= 2 && path[1] == ':';
  if (path.empty() || (path[0] != '/' && !has_drive)) {
    std::string cwd;
    base_->GetCurrentDirectory(&cwd);
    std::replace(cwd.begin(), cwd.end(), '\\', '/');
    path = cwd + "/" + path;
  }
  // Collapse "//", "." and "..".
  std::vector<std::string> parts;
  std::string prefix;
  size_t pos = 0;
  if (path.size() >= 2 && path[1] == ':') {
    prefix = path.substr(0, 2);
    pos = 2;
  }
  while (pos <= path.size()) {
    const size_t slash = path.find('/', pos);
    const size_t end = slash == std::string::npos ? path.size() : slash;
    const std::string part = path.substr(pos, end - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    if (slash == std::string::npos) break;
    pos = slash + 1;
  }
  std::string out = prefix;
  for (const std::string& part : parts) out += "/" + part;
  if (out.empty() || out == prefix) out += "/";
#ifdef _WIN32
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
#endif
  return out;
}

std::string DryRunEnv::Parent(const std::string& resolved) {
  const size_t slash = resolved.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return resolved.substr(0, slash);
}

std::shared_ptr<DryRunEnv::Node> DryRunEnv::Lookup(const std::string& resolved) {
  auto it = nodes_.find(resolved);
  if (it != nodes_.end()) return it->second;
  auto node = std::make_shared<Node>();
  if (base_->FileExists(resolved) && !base_->DirectoryExists(resolved)) {
    std::unique_ptr<platform::File> probe;
    uint64_t size = 0;
    if (base_->OpenFile(resolved, platform::OpenMode::kReadOnly, &probe) == 0) {
      probe->Size(&size);
      node->base_file = std::move(probe);
    }
    node->base_name = resolved;
    node->exists = true;
    node->size = size;
    node->base_limit = size;
  }
  nodes_.emplace(resolved, node);
  return node;
}

int DryRunEnv::OpenFile(const std::string& name, platform::OpenMode mode,
                        std::unique_ptr<platform::File>* out) {
  out->reset();
  const std::string resolved = Resolve(name);
  if (DirectoryExists(resolved)) return platform::kErrAccessDenied;
  std::shared_ptr<Node> node = Lookup(resolved);
  const bool wants_exclusive =
      mode == platform::OpenMode::kExclusive || mode == platform::OpenMode::kCreate;
  if (mode != platform::OpenMode::kCreate && !node->exists) {
    return DirectoryExists(Parent(resolved)) ? platform::kErrFileNotFound
                                             : platform::kErrPathNotFound;
  }
  if (mode == platform::OpenMode::kCreate && !DirectoryExists(Parent(resolved))) {
    return platform::kErrPathNotFound;
  }
  if (node->exclusive || (wants_exclusive && node->open_count > 0)) {
    return platform::kErrSharingViolation;
  }
  if (mode == platform::OpenMode::kCreate) {
    node->exists = true;
    node->Empty();
  }
  ++node->open_count;
  node->exclusive = wants_exclusive;
  *out = std::make_unique<DryRunFile>(node, base_, mode == platform::OpenMode::kReadOnly);
  return 0;
}

int DryRunEnv::CloseFile(std::unique_ptr<platform::File> file) {
  if (auto* f = dynamic_cast<DryRunFile*>(file.get())) f->Release();
  return 0;
}

int DryRunEnv::DeleteFile(const std::string& name) {
  std::shared_ptr<Node> node = Lookup(Resolve(name));
  if (!node->exists) return platform::kErrFileNotFound;
  if (node->open_count > 0) return platform::kErrSharingViolation;
  node->exists = false;
  node->Empty();
  return 0;
}

int DryRunEnv::RenameFile(const std::string& from, const std::string& to) {
  const std::string src = Resolve(from), dst = Resolve(to);
  std::shared_ptr<Node> node = Lookup(src);
  if (!node->exists) return platform::kErrFileNotFound;
  if (Lookup(dst)->exists || DirectoryExists(dst)) return platform::kErrAlreadyExists;
  if (!DirectoryExists(Parent(dst))) return platform::kErrPathNotFound;
  node->changed = true;
  nodes_[dst] = node;
  auto gone = std::make_shared<Node>();
  gone->changed = true;
  nodes_[src] = gone;
  return 0;
}

bool DryRunEnv::FileExists(const std::string& name) {
  const std::string resolved = Resolve(name);
  if (DirectoryExists(resolved)) return false;
  return Lookup(resolved)->exists;
}

bool DryRunEnv::DirectoryExists(const std::string& name) {
  const std::string resolved = Resolve(name);
  return created_dirs_.count(resolved) > 0 || base_->DirectoryExists(resolved);
}

int DryRunEnv::CreateDirectory(const std::string& name) {
  const std::string resolved = Resolve(name);
  if (DirectoryExists(resolved) || Lookup(resolved)->exists) return platform::kErrAlreadyExists;
  if (!DirectoryExists(Parent(resolved))) return platform::kErrPathNotFound;
  created_dirs_.insert(resolved);
  return 0;
}

int DryRunEnv::ListFiles(const std::string& dir, std::vector<std::string>* names) {
  names->clear();
  const std::string resolved = Resolve(dir);
  if (!DirectoryExists(resolved)) return platform::kErrPathNotFound;
  std::set<std::string> result;
  std::vector<std::string> on_disk;
  if (base_->DirectoryExists(resolved) && base_->ListFiles(resolved, &on_disk) == 0) {
    result.insert(on_disk.begin(), on_disk.end());
  }
  for (const auto& [path, node] : nodes_) {
    if (Parent(path) != resolved) continue;
    const std::string leaf = path.substr(path.rfind('/') + 1);
    if (node->exists) {
      result.insert(leaf);
    } else {
      result.erase(leaf);
    }
  }
  names->assign(result.begin(), result.end());
  return 0;
}

int DryRunEnv::GetCurrentDirectory(std::string* out) { return base_->GetCurrentDirectory(out); }

int DryRunEnv::SetCurrentDirectory(const std::string& dir) {
  return base_->SetCurrentDirectory(dir);
}

platform::DriveType DryRunEnv::GetDriveType(const std::string& path) {
  return base_->GetDriveType(path);
}

bool DryRunEnv::GetEnvironmentVariable(const std::string& name, std::string* value) {
  return base_->GetEnvironmentVariable(name, value);
}

void DryRunEnv::SleepMs(uint32_t ms) { base_->SleepMs(ms); }

uint64_t DryRunEnv::MonotonicMicros() { return base_->MonotonicMicros(); }

uint32_t DryRunEnv::RandomSeed() { return base_->RandomSeed(); }

int DryRunEnv::WindowsVersion() { return base_->WindowsVersion(); }

std::vector<std::string> DryRunEnv::ChangedFiles() const {
  std::vector<std::string> out;
  for (const auto& [path, node] : nodes_) {
    if (node->changed) out.push_back(path);
  }
  return out;
}

}  // namespace app
