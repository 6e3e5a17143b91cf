// The Env of Linux and other POSIX systems.
//
// Windows share modes are emulated with open-file-description locks on one byte far beyond
// the range any engine file or engine lock uses: a shared open holds a read lock on that byte,
// an exclusive open or a create holds a write lock, so the two exclude each other between
// handles of one process and between processes alike. Byte-range locks are OFD write locks,
// owned by the handle and released when it closes. Because the locks of one description merge
// and split, each handle keeps the ranges it holds and refuses overlapping locks and inexact
// unlocks itself, as Windows does.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/cp874.h"
#include "platform/env.h"
#include "platform/posix/mountinfo.h"

namespace platform {
namespace {

// The share-mode byte: beyond 2^62, far above every range the engine or its callers lock.
constexpr off_t kShareLockOffset = static_cast<off_t>(1) << 62;

// Converts a stored (code page 874) name to the OS form: UTF-8 with '/' separators.
std::string ToOsName(const std::string& name) {
  std::string out = Cp874ToUtf8(name);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

// A name with a zero byte would reach the OS cut short, naming another file: refused.
bool HasNul(const std::string& name) { return name.find('\0') != std::string::npos; }

// Converts a name reported by the OS back to code page 874; '/' is kept as the OS has it.
std::string FromOsName(const std::string& os_name) { return Utf8ToCp874(os_name); }

bool IsDir(const std::string& os_path) {
  struct stat st;
  return ::stat(os_path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder part of an OS path ("." for a bare name).
std::string ParentOf(const std::string& os_path) {
  std::string p = os_path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const size_t slash = p.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

int MapErrno(int e, const std::string& os_path) {
  switch (e) {
    case 0:
      return kErrNone;
    case ENOENT:
      if (os_path.empty()) return kErrPathNotFound;
      return IsDir(ParentOf(os_path)) ? kErrFileNotFound : kErrPathNotFound;
    case ENOTDIR:
      return kErrPathNotFound;
    case EMFILE:
    case ENFILE:
      return kErrTooManyOpenFiles;
    case EBADF:
      return kErrInvalidHandle;
    case EACCES:
    case EPERM:
    case EISDIR:
      return kErrAccessDenied;
    case EROFS:
      return kErrWriteProtect;
    case ENOSPC:
    case EDQUOT:
      return kErrDiskFull;
    case EEXIST:
      return kErrFileExists;
    case EINVAL:
      return kErrInvalidParameter;
    case ENOMEM:
      return kErrNotEnoughMemory;
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
      return kErrNetPathNotFound;
    default:
      return kErrGeneric;
  }
}

int MapErrno(int e) { return MapErrno(e, "x"); }

// One OFD lock request; returns 0 or errno.
int OfdLock(int fd, short type, off_t start, off_t len) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = len;
  for (;;) {
    if (::fcntl(fd, F_OFD_SETLK, &fl) == 0) return 0;
    if (errno != EINTR) return errno;
  }
}

// True when some other open description holds the share byte of the file at os_path.
bool OpenElsewhere(const std::string& os_path) {
  const int fd = ::open(os_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kShareLockOffset;
  fl.l_len = 1;
  const bool busy = ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
  ::close(fd);
  return busy;
}

bool ValidRange(uint64_t offset, uint64_t length) {
  return length > 0 && offset < static_cast<uint64_t>(kShareLockOffset) &&
         length <= static_cast<uint64_t>(kShareLockOffset) - offset;
}

class PosixFile final : public File {
 public:
  PosixFile(int fd, bool writable) : fd_(fd), writable_(writable) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  int Close() {
    const int fd = fd_;
    fd_ = -1;
    locks_.clear();
    // The descriptor is gone after close() whatever it returns; EINTR is not retried.
    return ::close(fd) == 0 ? kErrNone : MapErrno(errno);
  }

  int Read(uint64_t offset, void* buf, size_t len, size_t* got) override {
    *got = 0;
    if (len > static_cast<uint64_t>(LLONG_MAX) || offset > static_cast<uint64_t>(LLONG_MAX) - len) {
      return kErrInvalidParameter;
    }
    auto* p = static_cast<char*>(buf);
    while (*got < len) {
      const ssize_t n = ::pread(fd_, p + *got, len - *got, static_cast<off_t>(offset + *got));
      if (n < 0) {
        if (errno == EINTR) continue;
        return MapErrno(errno);
      }
      if (n == 0) break;  // end of file
      *got += static_cast<size_t>(n);
    }
    return kErrNone;
  }

  int Write(uint64_t offset, const void* buf, size_t len, size_t* put) override {
    *put = 0;
    if (len > static_cast<uint64_t>(LLONG_MAX) || offset > static_cast<uint64_t>(LLONG_MAX) - len) {
      return kErrInvalidParameter;
    }
    const auto* p = static_cast<const char*>(buf);
    while (*put < len) {
      const ssize_t n = ::pwrite(fd_, p + *put, len - *put, static_cast<off_t>(offset + *put));
      if (n < 0) {
        if (errno == EINTR) continue;
        return MapErrno(errno);
      }
      if (n == 0) return kErrDiskFull;
      *put += static_cast<size_t>(n);
    }
    return kErrNone;
  }

  int Truncate(uint64_t length) override {
    if (length > static_cast<uint64_t>(LLONG_MAX)) return kErrInvalidParameter;
    for (;;) {
      if (::ftruncate(fd_, static_cast<off_t>(length)) == 0) return kErrNone;
      if (errno != EINTR) return MapErrno(errno);
    }
  }

  int Flush() override {
    if (::fdatasync(fd_) == 0) return kErrNone;
    // A read-only handle or a file system without sync has nothing to write back.
    if (errno == EINVAL || errno == EROFS) return kErrNone;
    return MapErrno(errno);
  }

  int Size(uint64_t* size) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return MapErrno(errno);
    *size = static_cast<uint64_t>(st.st_size);
    return kErrNone;
  }

  int Lock(uint64_t offset, uint64_t length) override {
    if (!ValidRange(offset, length)) return kErrInvalidParameter;
    for (const Range& r : locks_) {
      if (offset < r.offset + r.length && r.offset < offset + length) return kErrLockViolation;
    }
    // A read-only handle cannot take a write lock; its locks exclude writers only.
    const int e = OfdLock(fd_, writable_ ? F_WRLCK : F_RDLCK, static_cast<off_t>(offset),
                          static_cast<off_t>(length));
    if (e == EAGAIN || e == EACCES) return kErrLockViolation;
    if (e != 0) return MapErrno(e);
    locks_.push_back(Range{offset, length});
    return kErrNone;
  }

  int Unlock(uint64_t offset, uint64_t length) override {
    for (size_t i = 0; i < locks_.size(); ++i) {
      if (locks_[i].offset != offset || locks_[i].length != length) continue;
      const int e = OfdLock(fd_, F_UNLCK, static_cast<off_t>(offset), static_cast<off_t>(length));
      if (e != 0) return MapErrno(e);
      locks_.erase(locks_.begin() + static_cast<std::ptrdiff_t>(i));
      return kErrNone;
    }
    return kErrNotLocked;
  }

 private:
  struct Range {
    uint64_t offset;
    uint64_t length;
  };
  int fd_;
  bool writable_;
  std::vector<Range> locks_;
};

class PosixEnv final : public Env {
 public:
  int OpenFile(const std::string& name, OpenMode mode, std::unique_ptr<File>* out) override {
    out->reset();
    if (HasNul(name)) return kErrInvalidName;
    const std::string os = ToOsName(name);
    if (os.empty()) return kErrPathNotFound;
    // Non-blocking so that a FIFO under a data file's name cannot hang the open; it is then
    // refused as not a regular file. Regular files ignore the flag.
    int flags = O_CLOEXEC | O_NONBLOCK;
    short share = F_RDLCK;
    switch (mode) {
      case OpenMode::kShared:
        flags |= O_RDWR;
        break;
      case OpenMode::kExclusive:
        flags |= O_RDWR;
        share = F_WRLCK;
        break;
      case OpenMode::kCreate:
        flags |= O_RDWR | O_CREAT;  // emptied only once the share lock is held
        share = F_WRLCK;
        break;
      case OpenMode::kReadOnly:
        flags |= O_RDONLY;
        break;
    }
    int fd;
    do {
      fd = ::open(os.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return MapErrno(errno, os);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return kErrAccessDenied;  // a folder or a device is not a file to open
    }
    int e = OfdLock(fd, share, kShareLockOffset, 1);
    if (e != 0) {
      ::close(fd);
      return (e == EAGAIN || e == EACCES) ? kErrSharingViolation : MapErrno(e);
    }
    if (mode == OpenMode::kCreate) {
      int r;
      do {
        r = ::ftruncate(fd, 0);
      } while (r != 0 && errno == EINTR);
      if (r != 0) {
        e = errno;
        ::close(fd);
        return MapErrno(e, os);
      }
    }
    *out = std::make_unique<PosixFile>(fd, mode != OpenMode::kReadOnly);
    return kErrNone;
  }

  int CloseFile(std::unique_ptr<File> file) override {
    if (!file) return kErrInvalidHandle;
    return static_cast<PosixFile*>(file.get())->Close();
  }

  int DeleteFile(const std::string& name) override {
    if (HasNul(name)) return kErrInvalidName;
    const std::string os = ToOsName(name);
    if (os.empty()) return kErrPathNotFound;
    if (IsDir(os)) return kErrAccessDenied;
    if (OpenElsewhere(os)) return kErrSharingViolation;  // as Windows refuses to delete it
    if (::unlink(os.c_str()) == 0) return kErrNone;
    return MapErrno(errno, os);
  }

  int RenameFile(const std::string& from, const std::string& to) override {
    if (HasNul(from) || HasNul(to)) return kErrInvalidName;
    const std::string os_from = ToOsName(from);
    const std::string os_to = ToOsName(to);
    if (os_from.empty() || os_to.empty()) return kErrPathNotFound;
    if (OpenElsewhere(os_from)) return kErrSharingViolation;
    if (::renameat2(AT_FDCWD, os_from.c_str(), AT_FDCWD, os_to.c_str(), RENAME_NOREPLACE) == 0) {
      return kErrNone;
    }
    int e = errno;
    if (e == EINVAL || e == ENOSYS) {
      // The file system cannot rename without replacing: link, then drop the old name.
      if (::link(os_from.c_str(), os_to.c_str()) == 0) {
        if (::unlink(os_from.c_str()) == 0) return kErrNone;
        e = errno;
        ::unlink(os_to.c_str());
        return MapErrno(e, os_from);
      }
      e = errno;
    }
    if (e == EEXIST) return kErrAlreadyExists;
    // A missing source reports file-not-found; a missing target folder path-not-found.
    if (e == ENOENT && ::access(os_from.c_str(), F_OK) == 0) return MapErrno(e, os_to);
    return MapErrno(e, os_from);
  }

  bool FileExists(const std::string& name) override {
    struct stat st;
    const std::string os = ToOsName(name);
    return !os.empty() && !HasNul(name) && ::stat(os.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  bool DirectoryExists(const std::string& name) override {
    const std::string os = ToOsName(name);
    return !os.empty() && !HasNul(name) && IsDir(os);
  }

  int CreateDirectory(const std::string& name) override {
    if (HasNul(name)) return kErrInvalidName;
    const std::string os = ToOsName(name);
    if (os.empty()) return kErrPathNotFound;
    if (::mkdir(os.c_str(), 0777) == 0) return kErrNone;
    if (errno == EEXIST) return kErrAlreadyExists;
    return MapErrno(errno, os);
  }

  int ListFiles(const std::string& dir, std::vector<std::string>* names) override {
    names->clear();
    if (HasNul(dir)) return kErrInvalidName;
    std::string os = ToOsName(dir);
    if (os.empty()) os = ".";
    DIR* d = ::opendir(os.c_str());
    if (!d) {
      const int e = errno;
      // A missing folder is a missing path, never a missing file.
      return e == ENOENT ? kErrPathNotFound : MapErrno(e, os);
    }
    const std::string prefix = os.back() == '/' ? os : os + '/';
    while (const dirent* ent = ::readdir(d)) {
      const std::string n = ent->d_name;
      if (n == "." || n == "..") continue;
      bool regular = ent->d_type == DT_REG;
      if (ent->d_type == DT_UNKNOWN || ent->d_type == DT_LNK) {
        struct stat st;
        regular = ::stat((prefix + n).c_str(), &st) == 0 && S_ISREG(st.st_mode);
      }
      if (regular) names->push_back(FromOsName(n));
    }
    ::closedir(d);
    return kErrNone;
  }

  int GetCurrentDirectory(std::string* out) override {
    std::vector<char> buf(4096);
    for (;;) {
      if (::getcwd(buf.data(), buf.size())) {
        *out = FromOsName(buf.data());
        return kErrNone;
      }
      if (errno != ERANGE || buf.size() > (1u << 20)) return MapErrno(errno);
      buf.resize(buf.size() * 2);
    }
  }

  int SetCurrentDirectory(const std::string& dir) override {
    if (HasNul(dir)) return kErrInvalidName;
    const std::string os = ToOsName(dir);
    if (os.empty()) return kErrPathNotFound;
    if (::chdir(os.c_str()) == 0) return kErrNone;
    const int e = errno;
    return e == ENOENT ? kErrPathNotFound : MapErrno(e, os);
  }

  DriveType GetDriveType(const std::string& path) override;

  bool GetEnvironmentVariable(const std::string& name, std::string* value) override {
    if (HasNul(name)) return false;
    const char* v = ::getenv(Cp874ToUtf8(name).c_str());
    if (!v) return false;
    *value = Utf8ToCp874(v);
    return true;
  }

  void SleepMs(uint32_t ms) override {
    struct timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
  }

  uint64_t MonotonicMicros() override {
    struct timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000;
  }

  uint32_t RandomSeed() override {
    static std::atomic<uint64_t> counter{0};
    struct timespec ts;
    ::clock_gettime(CLOCK_REALTIME, &ts);
    uint64_t x = static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
    x ^= static_cast<uint64_t>(::getpid()) << 32;
    x += (counter.fetch_add(1) + 1) * 0x9E3779B97F4A7C15ull;
    // splitmix64 finaliser: every input bit reaches every output bit.
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    return static_cast<uint32_t>(x ^ (x >> 32));
  }

  int WindowsVersion() override { return 0; }
};

bool ReadSysFlag(const std::string& path) {
  std::ifstream in(path);
  int v = 0;
  return in && (in >> v) && v == 1;
}

DriveType PosixEnv::GetDriveType(const std::string& path) {
  // Resolve the path, or the nearest folder above it that exists.
  if (HasNul(path)) return DriveType::kNoRoot;
  std::string os = ToOsName(path);
  if (os.empty()) os = ".";
  char* real = nullptr;
  for (;;) {
    real = ::realpath(os.c_str(), nullptr);
    if (real) break;
    const std::string parent = ParentOf(os);
    if (parent == os) return DriveType::kNoRoot;
    os = parent;
  }
  const std::string resolved = real;
  std::free(real);

  std::ifstream in("/proc/self/mountinfo");
  if (!in) return DriveType::kFixed;
  std::stringstream text;
  text << in.rdbuf();
  // A partition's flag is on its parent disk, one level up in sysfs.
  return DriveTypeFromMountInfo(text.str(), resolved, [](const std::string& dev) {
    const std::string sys = "/sys/dev/block/" + dev;
    return ReadSysFlag(sys + "/removable") || ReadSysFlag(sys + "/../removable");
  });
}

}  // namespace

Env* Env::Default() {
  static PosixEnv* env = new PosixEnv;
  return env;
}

}  // namespace platform
