// Windows side of system.h and process.h.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/process.h"
#include "platform/system.h"

namespace platform {

void SetThreadLocaleToUserDefault() { ::SetThreadLocale(LOCALE_USER_DEFAULT); }

bool IsDwmCompositionEnabled() {
  // Desktop composition came with major version 6; the library is loaded at run time because
  // older systems lack it.
  if (Env::Default()->WindowsVersion() < 600) return false;
  HMODULE dwm = ::LoadLibraryA("dwmapi.dll");
  if (!dwm) return false;
  using Fn = HRESULT(WINAPI*)(BOOL*);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(dwm, "DwmIsCompositionEnabled")));
  BOOL enabled = FALSE;
  const bool on = fn && fn(&enabled) == S_OK && enabled;
  ::FreeLibrary(dwm);
  return on;
}

namespace {
bool IsConsole(DWORD which) {
  const HANDLE h = ::GetStdHandle(which);
  DWORD mode = 0;
  return h != nullptr && h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &mode);
}
}  // namespace

bool StdoutIsTerminal() { return IsConsole(STD_OUTPUT_HANDLE); }
bool StdinIsTerminal() { return IsConsole(STD_INPUT_HANDLE); }

bool StdoutIsUsable() {
  const HANDLE h = ::GetStdHandle(STD_OUTPUT_HANDLE);
  return h != nullptr && h != INVALID_HANDLE_VALUE && ::GetFileType(h) != FILE_TYPE_UNKNOWN;
}

std::string ExecutablePath() {
  std::string buf(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::string();
    if (n < buf.size()) {
      buf.resize(n);
      return buf;
    }
    if (buf.size() > 32768) return std::string();
    buf.resize(buf.size() * 2);
  }
}

namespace {

// Quotes one argument so that the C run-time of the child splits it back exactly.
void AppendQuoted(const std::string& arg, std::string* cmd) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
    *cmd += arg;
    return;
  }
  *cmd += '"';
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      cmd->append(backslashes * 2 + 1, '\\');
    } else {
      cmd->append(backslashes, '\\');
    }
    backslashes = 0;
    *cmd += c;
  }
  cmd->append(backslashes * 2, '\\');
  *cmd += '"';
}

class Win32Child final : public ChildProcess {
 public:
  explicit Win32Child(HANDLE process) : process_(process) {}
  ~Win32Child() override {
    if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(process_, 1);
      ::WaitForSingleObject(process_, INFINITE);
    }
    ::CloseHandle(process_);
  }

  int Wait(uint32_t timeout_ms, int* exit_code) override {
    const DWORD r = ::WaitForSingleObject(process_, timeout_ms);
    if (r == WAIT_TIMEOUT) return kErrWaitTimeout;
    if (r != WAIT_OBJECT_0) return static_cast<int>(::GetLastError());
    DWORD code = 0;
    if (!::GetExitCodeProcess(process_, &code)) return static_cast<int>(::GetLastError());
    *exit_code = static_cast<int>(code);
    return 0;
  }

 private:
  HANDLE process_;
};

// Whether the last part of a path has an extension ("tool.exe", not "tool" or "dir.d\\tool").
bool HasExtension(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  return dot != std::string::npos && path.find_first_of("\\/", dot) == std::string::npos;
}

// The parent's environment block with `extra` ("NAME=value") set on top; names compare
// without regard to case, as Windows does.
std::string ChildEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  if (char* block = ::GetEnvironmentStringsA()) {
    for (const char* e = block; *e != '\0'; e += std::strlen(e) + 1) env.emplace_back(e);
    ::FreeEnvironmentStringsA(block);
  }
  for (const std::string& x : extra) {
    const std::string name = x.substr(0, x.find('=') + 1);
    bool replaced = false;
    for (std::string& e : env) {
      if (e.size() >= name.size() && ::_strnicmp(e.c_str(), name.c_str(), name.size()) == 0) {
        e = x;
        replaced = true;
      }
    }
    if (!replaced) env.push_back(x);
  }
  std::string out;
  for (const std::string& e : env) {
    out += e;
    out += '\0';
  }
  out += '\0';
  return out;
}

// The three standard handles of a child, each inheritable and owned here until the start.
class StdHandles {
 public:
  ~StdHandles() {
    for (HANDLE h : handles_) {
      if (h != nullptr && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
  }
  // A redirection to `name`, or else a duplicate of the parent's own handle `which` (none
  // when the parent has none).
  int Set(int slot, const std::string& name, bool output, DWORD which) {
    HANDLE h = INVALID_HANDLE_VALUE;
    if (!name.empty()) {
      SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
      h = ::CreateFileA(name.c_str(), output ? GENERIC_WRITE : GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa,
                        output ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE) return static_cast<int>(::GetLastError());
    } else {
      const HANDLE own = ::GetStdHandle(which);
      if (own != nullptr && own != INVALID_HANDLE_VALUE &&
          !::DuplicateHandle(::GetCurrentProcess(), own, ::GetCurrentProcess(), &h, 0, TRUE,
                             DUPLICATE_SAME_ACCESS)) {
        h = INVALID_HANDLE_VALUE;
      }
    }
    handles_[slot] = h;
    return 0;
  }
  void Share(int from, int to) {
    if (handles_[from] == INVALID_HANDLE_VALUE) return;
    HANDLE h = INVALID_HANDLE_VALUE;
    if (::DuplicateHandle(::GetCurrentProcess(), handles_[from], ::GetCurrentProcess(), &h, 0, TRUE,
                          DUPLICATE_SAME_ACCESS)) {
      handles_[to] = h;
    }
  }
  HANDLE get(int slot) const { return handles_[slot]; }
  std::vector<HANDLE> Valid() const {
    std::vector<HANDLE> v;
    for (HANDLE h : handles_) {
      if (h != nullptr && h != INVALID_HANDLE_VALUE) v.push_back(h);
    }
    return v;
  }

 private:
  HANDLE handles_[3] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
};

}  // namespace

const char* NullDevice() { return "NUL"; }

int StartProcess(const std::string& program, const std::vector<std::string>& args,
                 std::unique_ptr<ChildProcess>* out) {
  return StartProcess(program, args, ProcessOptions(), out);
}

int StartProcess(const std::string& program, const std::vector<std::string>& args,
                 const ProcessOptions& options, std::unique_ptr<ChildProcess>* out) {
  out->reset();
  std::string path = program;
  if (!HasExtension(path)) path += ".exe";
  std::string cmd;
  AppendQuoted(path, &cmd);
  for (const std::string& a : args) {
    cmd += ' ';
    AppendQuoted(a, &cmd);
  }
  StdHandles std_handles;
  int err = std_handles.Set(0, options.stdin_file, false, STD_INPUT_HANDLE);
  if (err == 0) err = std_handles.Set(1, options.stdout_file, true, STD_OUTPUT_HANDLE);
  if (err == 0) {
    if (!options.stderr_file.empty() && options.stderr_file == options.stdout_file) {
      std_handles.Share(1, 2);
    } else {
      err = std_handles.Set(2, options.stderr_file, true, STD_ERROR_HANDLE);
    }
  }
  if (err != 0) return err;

  // Only the three standard handles are inherited: the child's files and locks are its own,
  // whatever else of the parent happens to be inheritable.
  std::vector<HANDLE> inherit = std_handles.Valid();
  SIZE_T list_size = 0;
  ::InitializeProcThreadAttributeList(nullptr, 1, 0, &list_size);
  std::vector<char> list_store(list_size);
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list_store.data());
  bool have_list = false;
  if (!inherit.empty() && list_size > 0 &&
      ::InitializeProcThreadAttributeList(list, 1, 0, &list_size)) {
    have_list =
        ::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherit.data(),
                                    inherit.size() * sizeof(HANDLE), nullptr, nullptr);
    if (!have_list) ::DeleteProcThreadAttributeList(list);
  }
  STARTUPINFOEXA si = {};
  si.StartupInfo.cb = have_list ? sizeof si : sizeof si.StartupInfo;
  si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  si.StartupInfo.hStdInput = std_handles.get(0);
  si.StartupInfo.hStdOutput = std_handles.get(1);
  si.StartupInfo.hStdError = std_handles.get(2);
  if (have_list) si.lpAttributeList = list;
  std::string environment;
  if (!options.environment.empty()) environment = ChildEnvironment(options.environment);
  PROCESS_INFORMATION pi = {};
  const BOOL started = ::CreateProcessA(
      path.c_str(), cmd.data(), nullptr, nullptr, inherit.empty() ? FALSE : TRUE,
      have_list ? EXTENDED_STARTUPINFO_PRESENT : 0,
      environment.empty() ? nullptr : environment.data(), nullptr, &si.StartupInfo, &pi);
  err = started ? 0 : static_cast<int>(::GetLastError());
  if (have_list) ::DeleteProcThreadAttributeList(list);
  if (err != 0) return err;
  ::CloseHandle(pi.hThread);
  *out = std::make_unique<Win32Child>(pi.hProcess);
  return 0;
}

int RunProcess(const std::string& program, const std::vector<std::string>& args) {
  return RunProcess(program, args, ProcessOptions());
}

int RunProcess(const std::string& program, const std::vector<std::string>& args,
               const ProcessOptions& options) {
  std::unique_ptr<ChildProcess> child;
  if (StartProcess(program, args, options, &child) != 0) return -1;
  int code = -1;
  return child->Wait(INFINITE, &code) == 0 ? code : -1;
}

}  // namespace platform
