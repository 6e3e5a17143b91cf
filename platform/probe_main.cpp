// platform_probe: a second process for the platform tests. It opens, locks and holds files
// through Env::Default() exactly as another program of the suite would, and reports the OS
// error number of the step that failed as its exit code (0 = every step succeeded).
//
//   platform_probe open FILE MODE                 open (MODE s, x, c or r) and close
//   platform_probe lock FILE OFFSET LENGTH        open shared, lock, close
//   platform_probe hold FILE MODE OFFSET LENGTH READY RELEASE
//       open, lock (LENGTH 0: no lock), create READY, wait until RELEASE exists, close
//   platform_probe echo NAME                      print "NAME=<its value>", then copy the
//       standard input to the standard output, and "error" to the standard error
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/env.h"

namespace {

constexpr int kUsage = 250;
constexpr int kNoRelease = 251;

bool ParseMode(const std::string& s, platform::OpenMode* mode) {
  if (s == "s")
    *mode = platform::OpenMode::kShared;
  else if (s == "x")
    *mode = platform::OpenMode::kExclusive;
  else if (s == "c")
    *mode = platform::OpenMode::kCreate;
  else if (s == "r")
    *mode = platform::OpenMode::kReadOnly;
  else
    return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace platform;
  Env* env = Env::Default();
  if (argc < 3) return kUsage;
  const std::string cmd = argv[1];
  const std::string file = argv[2];
  if (cmd == "echo" && argc == 3) {
    std::string value;
    env->GetEnvironmentVariable(file, &value);
    std::printf("%s=%s\n", file.c_str(), value.c_str());
    char buf[256];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0) std::fwrite(buf, 1, n, stdout);
    std::fflush(stdout);
    std::fputs("error\n", stderr);
    return 0;
  }
  OpenMode mode = OpenMode::kShared;
  uint64_t offset = 0, length = 0;
  std::string ready, release;
  if (cmd == "open" && argc == 4) {
    if (!ParseMode(argv[3], &mode)) return kUsage;
  } else if (cmd == "lock" && argc == 5) {
    offset = std::strtoull(argv[3], nullptr, 0);
    length = std::strtoull(argv[4], nullptr, 0);
  } else if (cmd == "hold" && argc == 8) {
    if (!ParseMode(argv[3], &mode)) return kUsage;
    offset = std::strtoull(argv[4], nullptr, 0);
    length = std::strtoull(argv[5], nullptr, 0);
    ready = argv[6];
    release = argv[7];
  } else {
    return kUsage;
  }

  std::unique_ptr<File> f;
  int e = env->OpenFile(file, mode, &f);
  if (e != kErrNone) return e;
  if (length > 0) e = f->Lock(offset, length);
  if (e == kErrNone && cmd == "hold") {
    e = WriteWholeFile(env, ready, "ready");
    // Bounded, so that a failing test never leaves a process behind for long.
    int waited = 0;
    while (e == kErrNone && !env->FileExists(release)) {
      if (waited >= 60000) {
        e = kNoRelease;
        break;
      }
      env->SleepMs(5);
      waited += 5;
    }
  }
  const int close_err = env->CloseFile(std::move(f));
  return e != kErrNone ? e : close_err;
}
