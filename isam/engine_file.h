// The engine's low-level file primitives over platform::File: open, create, close, delete,
// flush, size, exact transfers at a position, cutting a file, zero filling and byte-range
// locks. Every primitive returns a success flag and never throws; a failing OS call records
// its call code and OS error (status.h) and the file-level primitives also set the engine
// status through the fixed mapping of OS errors to status codes.
//
// Contract that is easy to get wrong:
//  * Transfers are exact: a read or write that moves fewer bytes than asked fails (10070,
//    10075) without a failure record, since the OS call itself succeeded.
//  * WriteAt with length 0 cuts the file at the position instead of writing.
//  * Positions are 32-bit signed as the files shared with the other programs are: a position
//    of 2^31 or more fails like a negative seek (10140).
//  * LockBytes/UnlockBytes record a failure but leave the status to the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/env.h"

namespace isam {

constexpr size_t kMaxFileNameLength = 64;

struct EngineFile {
  std::unique_ptr<platform::File> handle;  // empty when closed
  std::string name;
  bool not_shared = false;
  bool IsOpen() const { return handle != nullptr; }
};

bool OpenEngineFile(EngineFile& file, bool shared);
bool CreateEngineFile(EngineFile& file);
// Releases every lock the handle holds in the LockTable, then closes.
bool CloseEngineFile(EngineFile& file);
bool DeleteEngineFile(const std::string& name);
bool FlushEngineFile(EngineFile& file);
bool FileSize(EngineFile& file, int64_t* size);
bool ReadAt(EngineFile& file, int64_t pos, size_t len, void* buf);
bool WriteAt(EngineFile& file, int64_t pos, size_t len, const void* buf);
bool ZeroFill(EngineFile& file, int64_t pos, int64_t count);
bool LockBytes(platform::File* handle, uint64_t offset, uint64_t length);
bool UnlockBytes(platform::File* handle, uint64_t offset, uint64_t length);
void Pause(uint32_t ms);

}  // namespace isam
