// The Env of Windows: the ANSI file calls with the access, share modes and dispositions the
// engine relies on, the native byte-range locks and GetLastError numbers passed through
// unchanged. Names go to the ANSI calls as given (code page 874 on a Thai system).
#include <atomic>
#include <climits>
#include <cstdint>

// clang-format off
// windows.h maps these names to their ANSI or wide forms; the Env keeps the plain ones, so the
// macros are dropped before the Env's declarations are seen.
#include <windows.h>
#undef DeleteFile
#undef CreateDirectory
#undef GetCurrentDirectory
#undef SetCurrentDirectory
#undef GetDriveType
#undef GetEnvironmentVariable
#include "platform/env.h"
// clang-format on

namespace platform {
namespace {

int LastError() {
  const DWORD e = ::GetLastError();
  return e == 0 ? kErrGeneric : static_cast<int>(e);
}

// Positions the file pointer; offsets above 32 bits use the high half.
int SeekTo(HANDLE h, uint64_t offset) {
  if (offset > static_cast<uint64_t>(LLONG_MAX)) return kErrInvalidParameter;
  LONG high = static_cast<LONG>(offset >> 32);
  ::SetLastError(0);
  const DWORD low = ::SetFilePointer(h, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
  if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) return LastError();
  return kErrNone;
}

// Transfers are asked for in pieces no larger than this (ReadFile and WriteFile count in DWORD).
constexpr size_t kMaxPiece = 1u << 30;

class Win32File final : public File {
 public:
  explicit Win32File(HANDLE h) : h_(h) {}
  ~Win32File() override {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }

  int Close() {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(h) ? kErrNone : LastError();
  }

  int Read(uint64_t offset, void* buf, size_t len, size_t* got) override {
    *got = 0;
    if (const int e = SeekTo(h_, offset)) return e;
    auto* p = static_cast<char*>(buf);
    while (*got < len) {
      const DWORD ask = static_cast<DWORD>(len - *got < kMaxPiece ? len - *got : kMaxPiece);
      DWORD n = 0;
      if (!::ReadFile(h_, p + *got, ask, &n, nullptr)) return LastError();
      *got += n;
      if (n < ask) break;  // end of file
    }
    return kErrNone;
  }

  int Write(uint64_t offset, const void* buf, size_t len, size_t* put) override {
    *put = 0;
    if (const int e = SeekTo(h_, offset)) return e;
    const auto* p = static_cast<const char*>(buf);
    while (*put < len) {
      const DWORD ask = static_cast<DWORD>(len - *put < kMaxPiece ? len - *put : kMaxPiece);
      DWORD n = 0;
      if (!::WriteFile(h_, p + *put, ask, &n, nullptr)) return LastError();
      *put += n;
      if (n < ask) break;  // the caller sees the short count
    }
    return kErrNone;
  }

  int Truncate(uint64_t length) override {
    if (const int e = SeekTo(h_, length)) return e;
    return ::SetEndOfFile(h_) ? kErrNone : LastError();
  }

  int Flush() override { return ::FlushFileBuffers(h_) ? kErrNone : LastError(); }

  int Size(uint64_t* size) override {
    LONG high = 0;
    ::SetLastError(0);
    const DWORD low = ::SetFilePointer(h_, 0, &high, FILE_END);
    if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) return LastError();
    *size = (static_cast<uint64_t>(static_cast<DWORD>(high)) << 32) | low;
    return kErrNone;
  }

  int Lock(uint64_t offset, uint64_t length) override {
    if (length == 0) return kErrInvalidParameter;
    return ::LockFile(h_, static_cast<DWORD>(offset), static_cast<DWORD>(offset >> 32),
                      static_cast<DWORD>(length), static_cast<DWORD>(length >> 32))
               ? kErrNone
               : LastError();
  }

  int Unlock(uint64_t offset, uint64_t length) override {
    if (length == 0) return kErrNotLocked;
    return ::UnlockFile(h_, static_cast<DWORD>(offset), static_cast<DWORD>(offset >> 32),
                        static_cast<DWORD>(length), static_cast<DWORD>(length >> 32))
               ? kErrNone
               : LastError();
  }

 private:
  HANDLE h_;
};

// A name with a zero byte would reach the OS cut short, naming another file: refused.
bool HasNul(const std::string& name) { return name.find('\0') != std::string::npos; }

DWORD Attributes(const std::string& name) {
  return name.empty() || HasNul(name) ? INVALID_FILE_ATTRIBUTES
                                      : ::GetFileAttributesA(name.c_str());
}

class Win32Env final : public Env {
 public:
  int OpenFile(const std::string& name, OpenMode mode, std::unique_ptr<File>* out) override {
    out->reset();
    if (HasNul(name)) return kErrInvalidName;
    DWORD access = GENERIC_READ | GENERIC_WRITE;
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
      case OpenMode::kShared:
        break;
      case OpenMode::kExclusive:
        share = 0;
        break;
      case OpenMode::kCreate:
        share = 0;
        disposition = CREATE_ALWAYS;
        break;
      case OpenMode::kReadOnly:
        access = GENERIC_READ;
        break;
    }
    const HANDLE h = ::CreateFileA(name.c_str(), access, share, nullptr, disposition,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastError();
    *out = std::make_unique<Win32File>(h);
    return kErrNone;
  }

  int CloseFile(std::unique_ptr<File> file) override {
    if (!file) return kErrInvalidHandle;
    return static_cast<Win32File*>(file.get())->Close();
  }

  int DeleteFile(const std::string& name) override {
    if (HasNul(name)) return kErrInvalidName;
    return ::DeleteFileA(name.c_str()) ? kErrNone : LastError();
  }

  int RenameFile(const std::string& from, const std::string& to) override {
    if (HasNul(from) || HasNul(to)) return kErrInvalidName;
    return ::MoveFileA(from.c_str(), to.c_str()) ? kErrNone : LastError();
  }

  bool FileExists(const std::string& name) override {
    const DWORD a = Attributes(name);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
  }

  bool DirectoryExists(const std::string& name) override {
    const DWORD a = Attributes(name);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
  }

  int CreateDirectory(const std::string& name) override {
    if (HasNul(name)) return kErrInvalidName;
    return ::CreateDirectoryA(name.c_str(), nullptr) ? kErrNone : LastError();
  }

  int ListFiles(const std::string& dir, std::vector<std::string>* names) override {
    names->clear();
    if (HasNul(dir)) return kErrInvalidName;
    const std::string pattern = dir.empty() ? std::string("*") : JoinPath(dir, "*");
    WIN32_FIND_DATAA data;
    const HANDLE find = ::FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
      const int e = LastError();
      return e == ERROR_FILE_NOT_FOUND ? kErrNone : e;  // an existing folder without entries
    }
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names->push_back(data.cFileName);
    } while (::FindNextFileA(find, &data));
    const int e = LastError();
    ::FindClose(find);
    return e == ERROR_NO_MORE_FILES ? kErrNone : e;
  }

  int GetCurrentDirectory(std::string* out) override {
    const DWORD need = ::GetCurrentDirectoryA(0, nullptr);
    if (need == 0) return LastError();
    std::string buf(need, '\0');
    const DWORD n = ::GetCurrentDirectoryA(need, buf.data());
    if (n == 0 || n >= need) return n == 0 ? LastError() : kErrGeneric;
    buf.resize(n);
    *out = std::move(buf);
    return kErrNone;
  }

  int SetCurrentDirectory(const std::string& dir) override {
    if (HasNul(dir)) return kErrInvalidName;
    return ::SetCurrentDirectoryA(dir.c_str()) ? kErrNone : LastError();
  }

  DriveType GetDriveType(const std::string& path) override {
    if (path.empty()) return static_cast<DriveType>(::GetDriveTypeA(nullptr));
    const std::string root = std::string(1, path[0]) + ":\\";
    const UINT t = ::GetDriveTypeA(root.c_str());
    return t <= DRIVE_RAMDISK ? static_cast<DriveType>(t) : DriveType::kUnknown;
  }

  bool GetEnvironmentVariable(const std::string& name, std::string* value) override {
    if (HasNul(name)) return false;
    std::string buf(256, '\0');
    for (;;) {
      ::SetLastError(0);
      const DWORD n =
          ::GetEnvironmentVariableA(name.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
      if (n == 0) {
        if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
        value->clear();  // set, but empty
        return true;
      }
      if (n < buf.size()) {
        buf.resize(n);
        *value = std::move(buf);
        return true;
      }
      buf.resize(n);  // n is the size needed, terminator included
    }
  }

  void SleepMs(uint32_t ms) override { ::Sleep(ms); }

  uint64_t MonotonicMicros() override {
    LARGE_INTEGER freq, now;
    ::QueryPerformanceFrequency(&freq);
    ::QueryPerformanceCounter(&now);
    const uint64_t f = static_cast<uint64_t>(freq.QuadPart);
    const uint64_t c = static_cast<uint64_t>(now.QuadPart);
    return (c / f) * 1000000u + (c % f) * 1000000u / f;
  }

  uint32_t RandomSeed() override {
    static std::atomic<uint64_t> counter{0};
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    uint64_t x = static_cast<uint64_t>(now.QuadPart) ^ (::GetTickCount64() << 20);
    x ^= static_cast<uint64_t>(::GetCurrentProcessId()) << 40;
    x += (counter.fetch_add(1) + 1) * 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    return static_cast<uint32_t>(x ^ (x >> 32));
  }

  int WindowsVersion() override {
    // RtlGetVersion tells the truth where GetVersionEx is subject to manifest shims.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    if (HMODULE ntdll = ::GetModuleHandleA("ntdll.dll")) {
      auto fn = reinterpret_cast<RtlGetVersionFn>(
          reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
      OSVERSIONINFOW info = {};
      info.dwOSVersionInfoSize = sizeof info;
      if (fn && fn(&info) == 0) {
        return static_cast<int>(info.dwMajorVersion * 100 + info.dwMinorVersion);
      }
    }
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExA(&info)) return 0;
#pragma GCC diagnostic pop
    return static_cast<int>(info.dwMajorVersion * 100 + info.dwMinorVersion);
  }
};

}  // namespace

Env* Env::Default() {
  static Win32Env* env = new Win32Env;
  return env;
}

}  // namespace platform
