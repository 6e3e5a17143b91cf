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

namespace {

std::string OsName(const std::string& name) {
  std::string os = Cp874ToUtf8(name);
  for (char& c : os) {
    if (c == '\\') c = '/';
  }
  return os;
}

int SpawnError(int e) { return e == ENOENT ? 2 : e == EACCES ? 5 : e == ENOMEM ? 8 : 31; }

// The parent's environment with `extra` ("NAME=value") set on top.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) env.emplace_back(*e);
  for (const std::string& x : extra) {
    const std::string name = x.substr(0, x.find('=') + 1);
    bool replaced = false;
    for (std::string& e : env) {
      if (e.compare(0, name.size(), name) == 0) {
        e = x;
        replaced = true;
      }
    }
    if (!replaced) env.push_back(x);
  }
  return env;
}

class FileActions {
 public:
  FileActions() { ok_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
  ~FileActions() {
    if (ok_) ::posix_spawn_file_actions_destroy(&actions_);
  }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  bool ok() const { return ok_; }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
  bool ok_ = false;
};

// Opens the redirection files in the parent first, so that a name that cannot be opened fails
// the start with its own error instead of a child that ends at once.
int Redirect(FileActions& actions, const std::string& name, int target, int flags,
             std::vector<int>* fds) {
  if (name.empty()) return 0;
  const int fd = ::open(OsName(name).c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) return errno == ENOENT ? 3 : errno == EACCES ? 5 : 31;
  fds->push_back(fd);
  if (::posix_spawn_file_actions_adddup2(actions.get(), fd, target) != 0) return 31;
  return 0;
}

}  // namespace

const char* NullDevice() { return "/dev/null"; }

int StartProcess(const std::string& program, const std::vector<std::string>& args,
                 std::unique_ptr<ChildProcess>* out) {
  return StartProcess(program, args, ProcessOptions(), out);
}

int StartProcess(const std::string& program, const std::vector<std::string>& args,
                 const ProcessOptions& options, std::unique_ptr<ChildProcess>* out) {
  out->reset();
  const std::string os_program = OsName(program);
  std::vector<std::string> argv_store;
  argv_store.push_back(os_program);
  argv_store.insert(argv_store.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_store) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_store = ChildEnvironment(options.environment);
  std::vector<char*> envp;
  for (std::string& e : env_store) envp.push_back(e.data());
  envp.push_back(nullptr);

  FileActions actions;
  if (!actions.ok()) return 8;
  std::vector<int> fds;
  int err = Redirect(actions, options.stdin_file, STDIN_FILENO, O_RDONLY, &fds);
  if (err == 0) {
    err = Redirect(actions, options.stdout_file, STDOUT_FILENO, O_WRONLY | O_CREAT | O_TRUNC, &fds);
  }
  if (err == 0) {
    if (!options.stderr_file.empty() && options.stderr_file == options.stdout_file) {
      if (::posix_spawn_file_actions_adddup2(actions.get(), STDOUT_FILENO, STDERR_FILENO) != 0) {
        err = 31;
      }
    } else {
      err =
          Redirect(actions, options.stderr_file, STDERR_FILENO, O_WRONLY | O_CREAT | O_TRUNC, &fds);
    }
  }
  pid_t pid = 0;
  if (err == 0) {
    const int e =
        ::posix_spawn(&pid, os_program.c_str(), actions.get(), nullptr, argv.data(), envp.data());
    if (e != 0) err = SpawnError(e);
  }
  for (int fd : fds) ::close(fd);
  if (err != 0) return err;
  *out = std::make_unique<PosixChild>(pid);
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
  for (;;) {
    const int e = child->Wait(60 * 60 * 1000, &code);
    if (e == 0) return code;
    if (e != kErrWaitTimeout) return -1;
  }
}

}  // namespace platform
