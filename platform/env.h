// The operating-system layer. Everything above platform/ reaches files, byte-range locks,
// folders, the environment, the clock and sleeping only through an Env, so that the POSIX and
// Win32 implementations and the fault-injecting one used by tests are interchangeable.
//
// Contract that is easy to get wrong:
//  * No call throws. Every call that can fail returns an OS error number in the Windows
//    numbering (0 = success; see kErr* below). The POSIX implementation maps errno to these
//    numbers so that the engine's status mapping applies unchanged on every platform.
//  * File names are code page 874 bytes and may use '\' or '/' as separators. The POSIX
//    implementation converts them to UTF-8 and '/' at the OS boundary; Win32 passes them to
//    the ANSI calls unchanged.
//  * Byte-range locks are exclusive, never wait, may lie beyond the end of a file, and belong
//    to the open handle: two handles of one process exclude each other, and closing a handle
//    releases its locks. Locking a range that overlaps one already held (by any handle)
//    fails with kErrLockViolation; unlocking anything but a held range exactly fails with
//    kErrNotLocked (Wine answers kErrLockViolation). A zero length is refused.
//    A read-only handle's locks exclude the locks of writable handles everywhere, but on POSIX
//    not those of other read-only handles; lock through a writable handle.
//    Locks are advisory for reads and writes on POSIX (Windows refuses I/O by other handles
//    inside a locked range); the engine's protocol never relies on that refusal.
//  * An exclusive open (OpenMode::kExclusive, kCreate) refuses, and is refused by, any other
//    open of the same file with kErrSharingViolation, in this process or another. A create
//    refused this way leaves the file untouched. Deleting or renaming a file that is open
//    anywhere fails with kErrSharingViolation, as on Windows.
//  * A name containing a zero byte is refused with kErrInvalidName before it reaches the OS.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// OS error numbers, Windows numbering (GetLastError).
constexpr int kErrNone = 0;
constexpr int kErrFileNotFound = 2;
constexpr int kErrPathNotFound = 3;
constexpr int kErrTooManyOpenFiles = 4;
constexpr int kErrAccessDenied = 5;
constexpr int kErrInvalidHandle = 6;
constexpr int kErrNotEnoughMemory = 8;
constexpr int kErrInvalidAccess = 12;
constexpr int kErrWriteProtect = 19;
constexpr int kErrSharingViolation = 32;
constexpr int kErrLockViolation = 33;
constexpr int kErrHandleDiskFull = 39;
constexpr int kErrNetPathNotFound = 53;
constexpr int kErrFileExists = 80;
constexpr int kErrInvalidParameter = 87;
constexpr int kErrDiskFull = 112;
constexpr int kErrAlreadyExists = 183;
constexpr int kErrInvalidName = 123;  // a name with a zero byte in it
constexpr int kErrNotLocked = 158;
constexpr int kErrGeneric = 31;  // ERROR_GEN_FAILURE: anything without a closer match

enum class OpenMode {
  kShared,     // read and write, others may open the file too; file must exist
  kExclusive,  // read and write, no other open allowed; file must exist
  kCreate,     // read and write, no other open allowed; created, or emptied when it exists
  kReadOnly,   // read only, shared; file must exist
};

// One open file. Offsets are absolute; there is no file position.
class File {
 public:
  virtual ~File() = default;
  // Reads up to len bytes at offset; *got receives the count transferred (less than len at the
  // end of the file, which is not an error at this level).
  virtual int Read(uint64_t offset, void* buf, size_t len, size_t* got) = 0;
  // Writes len bytes at offset, growing the file as needed; *put receives the count written.
  virtual int Write(uint64_t offset, const void* buf, size_t len, size_t* put) = 0;
  // Sets the end of the file at length (cutting or extending).
  virtual int Truncate(uint64_t length) = 0;
  virtual int Flush() = 0;
  virtual int Size(uint64_t* size) = 0;
  // Exclusive, non-blocking; see the contract above.
  virtual int Lock(uint64_t offset, uint64_t length) = 0;
  virtual int Unlock(uint64_t offset, uint64_t length) = 0;
};

enum class DriveType {
  kUnknown = 0,
  kNoRoot = 1,
  kRemovable = 2,
  kFixed = 3,
  kRemote = 4,
  kCdRom = 5,
  kRamDisk = 6
};

class Env {
 public:
  virtual ~Env() = default;

  // The process-wide default: POSIX or Win32. Never deleted.
  static Env* Default();

  // Files.
  virtual int OpenFile(const std::string& name, OpenMode mode, std::unique_ptr<File>* out) = 0;
  // Closing reports errors the OS gives on close; the File is destroyed either way.
  virtual int CloseFile(std::unique_ptr<File> file) = 0;
  virtual int DeleteFile(const std::string& name) = 0;
  // Fails when `to` exists (as MoveFileA does).
  virtual int RenameFile(const std::string& from, const std::string& to) = 0;
  virtual bool FileExists(const std::string& name) = 0;

  // Folders and the current directory.
  virtual bool DirectoryExists(const std::string& name) = 0;
  virtual int CreateDirectory(const std::string& name) = 0;  // one level, no parents
  // Names of the plain files in a folder (not '.', '..' or sub-folders), unsorted.
  virtual int ListFiles(const std::string& dir, std::vector<std::string>* names) = 0;
  virtual int GetCurrentDirectory(std::string* out) = 0;
  virtual int SetCurrentDirectory(const std::string& dir) = 0;
  // Kind of the drive holding `path` (Win32: of the root formed from its first character
  // followed by ":\"; POSIX: of the device of the mount that holds the path).
  virtual DriveType GetDriveType(const std::string& path) = 0;

  // Process.
  // Returns false when the variable is not set.
  virtual bool GetEnvironmentVariable(const std::string& name, std::string* value) = 0;
  virtual void SleepMs(uint32_t ms) = 0;
  virtual uint64_t MonotonicMicros() = 0;
  // A seed taken from the clock, different on each call and in each process.
  virtual uint32_t RandomSeed() = 0;
  // Windows version as major*100+minor (POSIX: 0).
  virtual int WindowsVersion() = 0;
};

// Helpers built on an Env (not virtual: they behave alike on every platform).
// Reads a whole file; returns an OS error or 0.
int ReadWholeFile(Env* env, const std::string& name, std::string* content);
// Creates or replaces a file with `content`.
int WriteWholeFile(Env* env, const std::string& name, const std::string& content);

// Joins two path parts with a single '\' unless `dir` is empty or already ends in a separator.
std::string JoinPath(const std::string& dir, const std::string& name);
bool IsSeparator(char c);

}  // namespace platform
