#include "platform/fault_env.h"

#include <algorithm>
#include <cstdint>

namespace platform {
namespace {

int Index(CallKind kind) { return static_cast<int>(kind); }

class FaultFile final : public File {
 public:
  FaultFile(FaultEnv* env, std::unique_ptr<File> base) : env_(env), base_(std::move(base)) {}

  std::unique_ptr<File> Release() { return std::move(base_); }

  int Read(uint64_t offset, void* buf, size_t len, size_t* got) override {
    *got = 0;
    size_t limit = SIZE_MAX;
    if (const int e = env_->Enter(CallKind::kRead, &limit)) return e;
    return base_->Read(offset, buf, std::min(len, limit), got);
  }
  int Write(uint64_t offset, const void* buf, size_t len, size_t* put) override {
    *put = 0;
    size_t limit = SIZE_MAX;
    if (const int e = env_->Enter(CallKind::kWrite, &limit)) return e;
    return base_->Write(offset, buf, std::min(len, limit), put);
  }
  int Truncate(uint64_t length) override {
    if (const int e = env_->Enter(CallKind::kTruncate)) return e;
    return base_->Truncate(length);
  }
  int Flush() override {
    if (const int e = env_->Enter(CallKind::kFlush)) return e;
    return base_->Flush();
  }
  int Size(uint64_t* size) override {
    if (const int e = env_->Enter(CallKind::kSize)) return e;
    return base_->Size(size);
  }
  int Lock(uint64_t offset, uint64_t length) override {
    if (const int e = env_->Enter(CallKind::kLock)) return e;
    return base_->Lock(offset, length);
  }
  int Unlock(uint64_t offset, uint64_t length) override {
    if (const int e = env_->Enter(CallKind::kUnlock)) return e;
    return base_->Unlock(offset, length);
  }

 private:
  FaultEnv* env_;
  std::unique_ptr<File> base_;
};

}  // namespace

FaultEnv::FaultEnv(Env* base) : base_(base) {}

void FaultEnv::FailNth(CallKind kind, int n, int os_error) {
  fail_nth_[{Index(kind), n}] = os_error;
}
void FaultEnv::FailAll(CallKind kind, int os_error) { fail_all_[Index(kind)] = os_error; }
void FaultEnv::ShortNth(CallKind kind, int n, size_t bytes) {
  short_nth_[{Index(kind), n}] = bytes;
}
void FaultEnv::RefuseLocks(bool refuse) { refuse_locks_ = refuse; }
void FaultEnv::UseVirtualClock(bool on) {
  if (on && !virtual_clock_) virtual_micros_ = base_->MonotonicMicros();
  virtual_clock_ = on;
}

int FaultEnv::Calls(CallKind kind) const { return calls_[Index(kind)]; }

void FaultEnv::Reset() {
  calls_.fill(0);
  fail_all_.fill(0);
  fail_nth_.clear();
  short_nth_.clear();
  refuse_locks_ = false;
  slept_ms_ = 0;
}

int FaultEnv::Enter(CallKind kind, size_t* short_len) {
  const int k = Index(kind);
  const int n = ++calls_[k];
  if (short_len) {
    const auto s = short_nth_.find({k, n});
    *short_len = s == short_nth_.end() ? SIZE_MAX : s->second;
  }
  const auto f = fail_nth_.find({k, n});
  if (f != fail_nth_.end() && f->second != kErrNone) return f->second;
  if (fail_all_[k] != kErrNone) return fail_all_[k];
  if (kind == CallKind::kLock && refuse_locks_) return kErrLockViolation;
  return kErrNone;
}

int FaultEnv::OpenFile(const std::string& name, OpenMode mode, std::unique_ptr<File>* out) {
  out->reset();
  if (const int e = Enter(mode == OpenMode::kCreate ? CallKind::kCreate : CallKind::kOpen)) {
    return e;
  }
  std::unique_ptr<File> file;
  const int e = base_->OpenFile(name, mode, &file);
  if (e != kErrNone) return e;
  *out = std::make_unique<FaultFile>(this, std::move(file));
  return kErrNone;
}

int FaultEnv::CloseFile(std::unique_ptr<File> file) {
  const int planned = Enter(CallKind::kClose);
  if (!file) return planned != kErrNone ? planned : kErrInvalidHandle;
  auto* wrapped = dynamic_cast<FaultFile*>(file.get());
  const int e = base_->CloseFile(wrapped ? wrapped->Release() : std::move(file));
  return planned != kErrNone ? planned : e;
}

int FaultEnv::DeleteFile(const std::string& name) {
  if (const int e = Enter(CallKind::kDelete)) return e;
  return base_->DeleteFile(name);
}

int FaultEnv::RenameFile(const std::string& from, const std::string& to) {
  if (const int e = Enter(CallKind::kRename)) return e;
  return base_->RenameFile(from, to);
}

bool FaultEnv::FileExists(const std::string& name) { return base_->FileExists(name); }
bool FaultEnv::DirectoryExists(const std::string& name) { return base_->DirectoryExists(name); }
int FaultEnv::CreateDirectory(const std::string& name) { return base_->CreateDirectory(name); }
int FaultEnv::ListFiles(const std::string& dir, std::vector<std::string>* names) {
  return base_->ListFiles(dir, names);
}
int FaultEnv::GetCurrentDirectory(std::string* out) { return base_->GetCurrentDirectory(out); }
int FaultEnv::SetCurrentDirectory(const std::string& dir) {
  return base_->SetCurrentDirectory(dir);
}
DriveType FaultEnv::GetDriveType(const std::string& path) { return base_->GetDriveType(path); }
bool FaultEnv::GetEnvironmentVariable(const std::string& name, std::string* value) {
  return base_->GetEnvironmentVariable(name, value);
}

void FaultEnv::SleepMs(uint32_t ms) {
  slept_ms_ += ms;
  if (virtual_clock_) {
    virtual_micros_ += static_cast<uint64_t>(ms) * 1000;
  } else {
    base_->SleepMs(ms);
  }
}

uint64_t FaultEnv::MonotonicMicros() {
  return virtual_clock_ ? virtual_micros_ : base_->MonotonicMicros();
}

uint32_t FaultEnv::RandomSeed() { return base_->RandomSeed(); }
int FaultEnv::WindowsVersion() { return base_->WindowsVersion(); }

}  // namespace platform
