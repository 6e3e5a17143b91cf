#include "isam/engine_file.h"

#include <cstring>
#include <new>
#include <vector>

#include "isam/engine.h"
#include "isam/lock_table.h"
#include "isam/status.h"

namespace isam {
namespace {

constexpr int32_t kErrNegativeSeek = 131;
constexpr int64_t kMaxPosition = 0x7FFFFFFF;
constexpr size_t kZeroPiece = 1024;

// Records the failure and sets the status from the table of the primitive.
bool FailCall(uint16_t call, int os_error, int32_t code) {
  RecordFailure(call, os_error);
  Fail(code);
  return false;
}

int32_t MapOpen(int e) {
  switch (e) {
    case platform::kErrFileNotFound:
      return kFileNotFound;
    case platform::kErrPathNotFound:
      return kPathNotFound;
    case platform::kErrTooManyOpenFiles:
      return kTooManyOpenFiles;
    case platform::kErrInvalidAccess:
      return kInvalidAccess;
    case platform::kErrNetPathNotFound:
      return kPathNotFound;
    default:
      return kOtherFileError;
  }
}

int32_t MapCreate(int e) {
  switch (e) {
    case platform::kErrPathNotFound:
      return kPathNotFound;
    case platform::kErrTooManyOpenFiles:
      return kTooManyOpenFiles;
    case platform::kErrNetPathNotFound:
      return kPathNotFound;
    default:
      return kOtherFileError;
  }
}

int32_t MapDelete(int e) {
  switch (e) {
    case platform::kErrFileNotFound:
      return kFileNotFound;
    case platform::kErrPathNotFound:
      return kPathNotFound;
    case platform::kErrNetPathNotFound:
      return kPathNotFound;
    default:
      return kOtherFileError;
  }
}

int32_t MapHandle(int e) {
  return e == platform::kErrInvalidHandle ? kInvalidHandle : kOtherFileError;
}

bool CheckPosition(int64_t pos) {
  if (pos < 0 || pos > kMaxPosition) return FailCall(kCallSeek, kErrNegativeSeek, kOtherFileError);
  return true;
}

bool CheckHandle(EngineFile& file, uint16_t call) {
  if (!file.IsOpen()) return FailCall(call, platform::kErrInvalidHandle, kInvalidHandle);
  return true;
}

}  // namespace

bool OpenEngineFile(EngineFile& file, bool shared) {
  std::unique_ptr<platform::File> f;
  int e = EngineEnv()->OpenFile(
      file.name, shared ? platform::OpenMode::kShared : platform::OpenMode::kExclusive, &f);
  if (e != 0) return FailCall(kCallOpen, e, MapOpen(e));
  file.handle = std::move(f);
  file.not_shared = !shared;
  return true;
}

bool CreateEngineFile(EngineFile& file) {
  std::unique_ptr<platform::File> f;
  int e = EngineEnv()->OpenFile(file.name, platform::OpenMode::kCreate, &f);
  if (e != 0) return FailCall(kCallOpen, e, MapCreate(e));
  file.handle = std::move(f);
  file.not_shared = true;
  return true;
}

bool CloseEngineFile(EngineFile& file) {
  if (!CheckHandle(file, kCallClose)) return false;
  platform::File* h = file.handle.get();
  UnlockAllRegions(h);
  int e = EngineEnv()->CloseFile(std::move(file.handle));
  ForgetRegions(h);
  file.handle.reset();
  if (e != 0) return FailCall(kCallClose, e, MapHandle(e));
  return true;
}

bool DeleteEngineFile(const std::string& name) {
  int e = EngineEnv()->DeleteFile(name);
  if (e != 0) return FailCall(kCallDelete, e, MapDelete(e));
  return true;
}

bool FlushEngineFile(EngineFile& file) {
  if (!CheckHandle(file, kCallFlush)) return false;
  int e = file.handle->Flush();
  if (e == 0) return true;
  if (e == platform::kErrTooManyOpenFiles) return FailCall(kCallFlush, e, kFlushTooManyOpen);
  return FailCall(kCallFlush, e, MapHandle(e));
}

bool FileSize(EngineFile& file, int64_t* size) {
  if (!CheckHandle(file, kCallSize)) return false;
  uint64_t s = 0;
  int e = file.handle->Size(&s);
  if (e != 0) return FailCall(kCallSize, e, MapHandle(e));
  *size = static_cast<int64_t>(s);
  return true;
}

bool ReadAt(EngineFile& file, int64_t pos, size_t len, void* buf) {
  if (!CheckHandle(file, kCallSeek) || !CheckPosition(pos)) return false;
  size_t got = 0;
  int e = file.handle->Read(static_cast<uint64_t>(pos), buf, len, &got);
  if (e != 0) return FailCall(kCallRead, e, MapHandle(e));
  if (got != len) {
    Fail(kReadPastEnd);
    return false;
  }
  return true;
}

bool WriteAt(EngineFile& file, int64_t pos, size_t len, const void* buf) {
  if (!CheckHandle(file, kCallSeek) || !CheckPosition(pos)) return false;
  if (len == 0) {
    int e = file.handle->Truncate(static_cast<uint64_t>(pos));
    if (e != 0) return FailCall(kCallWrite, e, MapHandle(e));
    return true;
  }
  size_t put = 0;
  int e = file.handle->Write(static_cast<uint64_t>(pos), buf, len, &put);
  if (e != 0) return FailCall(kCallWrite, e, MapHandle(e));
  if (put != len) {
    Fail(kWriteIncomplete);
    return false;
  }
  return true;
}

bool ZeroFill(EngineFile& file, int64_t pos, int64_t count) {
  if (count <= 0) return true;
  if (count > static_cast<int64_t>(kZeroPiece)) {
    std::unique_ptr<uint8_t[]> big(new (std::nothrow) uint8_t[static_cast<size_t>(count)]);
    if (big) {
      std::memset(big.get(), 0, static_cast<size_t>(count));
      return WriteAt(file, pos, static_cast<size_t>(count), big.get());
    }
  }
  static const uint8_t zeros[kZeroPiece] = {};
  while (count > 0) {
    size_t piece =
        count > static_cast<int64_t>(kZeroPiece) ? kZeroPiece : static_cast<size_t>(count);
    if (!WriteAt(file, pos, piece, zeros)) return false;
    pos += static_cast<int64_t>(piece);
    count -= static_cast<int64_t>(piece);
  }
  return true;
}

bool LockBytes(platform::File* handle, uint64_t offset, uint64_t length) {
  int e = handle->Lock(offset, length);
  if (e != 0) {
    RecordFailure(kCallLock, e);
    return false;
  }
  return true;
}

bool UnlockBytes(platform::File* handle, uint64_t offset, uint64_t length) {
  int e = handle->Unlock(offset, length);
  if (e != 0) {
    RecordFailure(kCallUnlock, e);
    return false;
  }
  return true;
}

void Pause(uint32_t ms) { EngineEnv()->SleepMs(ms); }

}  // namespace isam
