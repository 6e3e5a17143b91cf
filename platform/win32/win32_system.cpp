// Windows side of system.h and process.h.
#include <windows.h>

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

}  // namespace

int StartProcess(const std::string& program, const std::vector<std::string>& args,
                 std::unique_ptr<ChildProcess>* out) {
  out->reset();
  std::string cmd;
  AppendQuoted(program, &cmd);
  for (const std::string& a : args) {
    cmd += ' ';
    AppendQuoted(a, &cmd);
  }
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  // No handle is inherited: the child's files and locks are its own.
  if (!::CreateProcessA(program.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
    return static_cast<int>(::GetLastError());
  }
  ::CloseHandle(pi.hThread);
  *out = std::make_unique<Win32Child>(pi.hProcess);
  return 0;
}

int RunProcess(const std::string& program, const std::vector<std::string>& args) {
  std::unique_ptr<ChildProcess> child;
  if (StartProcess(program, args, &child) != 0) return -1;
  int code = -1;
  return child->Wait(INFINITE, &code) == 0 ? code : -1;
}

}  // namespace platform
