// POSIX side of system.h and process.h.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <vector>

#include "platform/cp874.h"
#include "platform/process.h"
#include "platform/system.h"

extern char** environ;

namespace platform {

void SetThreadLocaleToUserDefault() {
  if (!std::setlocale(LC_ALL, "")) std::setlocale(LC_ALL, "C");
}

bool IsDwmCompositionEnabled() { return false; }

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }
bool StdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

bool StdoutIsUsable() { return ::fcntl(STDOUT_FILENO, F_GETFD) != -1; }

std::string ExecutablePath() {
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < buf.size()) {
      return Utf8ToCp874(std::string_view(buf.data(), static_cast<size_t>(n)));
    }
    if (buf.size() > (1u << 20)) return std::string();
    buf.resize(buf.size() * 2);
  }
}

namespace {

class PosixChild final : public ChildProcess {
 public:
  explicit PosixChild(pid_t pid) : pid_(pid) {}
  ~PosixChild() override {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      int status;
      while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
    }
  }

  int Wait(uint32_t timeout_ms, int* exit_code) override {
    if (pid_ <= 0) {
      *exit_code = code_;
      return 0;
    }
    struct timespec start;
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
      int status = 0;
      const pid_t r = ::waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        pid_ = -1;
        *exit_code = code_;
        return 0;
      }
      if (r < 0 && errno != EINTR) return 31;
      struct timespec now;
      ::clock_gettime(CLOCK_MONOTONIC, &now);
      const long long elapsed_ms =
          (now.tv_sec - start.tv_sec) * 1000LL + (now.tv_nsec - start.tv_nsec) / 1000000LL;
      if (elapsed_ms >= static_cast<long long>(timeout_ms)) return kErrWaitTimeout;
      struct timespec pause = {0, 2 * 1000 * 1000};
      ::nanosleep(&pause, nullptr);
    }
  }

 private:
  pid_t pid_;
  int code_ = 0;
};

}  // namespace

int StartProcess(const std::string& program, const std::vector<std::string>& args,
                 std::unique_ptr<ChildProcess>* out) {
  out->reset();
  std::string os_program = Cp874ToUtf8(program);
  for (char& c : os_program) {
    if (c == '\\') c = '/';
  }
  std::vector<std::string> argv_store;
  argv_store.push_back(os_program);
  argv_store.insert(argv_store.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_store) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int e = ::posix_spawn(&pid, os_program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (e != 0) return e == ENOENT ? 2 : e == EACCES ? 5 : e == ENOMEM ? 8 : 31;
  *out = std::make_unique<PosixChild>(pid);
  return 0;
}

int RunProcess(const std::string& program, const std::vector<std::string>& args) {
  std::unique_ptr<ChildProcess> child;
  if (StartProcess(program, args, &child) != 0) return -1;
  int code = -1;
  for (;;) {
    const int e = child->Wait(60 * 60 * 1000, &code);
    if (e == 0) return code;
    if (e != kErrWaitTimeout) return -1;
  }
}

}  // namespace platform
