// A second process for the tests of the locking protocol: runs engine commands given on the
// command line, one by one, printing "<command> <status code> <value>" for each, and on
// "wait:FILE" prints "ready" and blocks until FILE exists (exit code 3 when it does not appear
// within a minute, so that a failing test leaves no process behind for long).
//
//   isam_test_helper BASE open lock add:KEY unlock lookup:KEY wait:FILE close
#include <cstdio>
#include <string>
#include <vector>

#include "isam/file_block.h"
#include "isam/isam.h"
#include "platform/env.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string base = argv[1];
  isam::StartEngine(2, 64);
  isam::FileBlock* fb = nullptr;
  for (int i = 2; i < argc; ++i) {
    std::string cmd = argv[i];
    std::string arg;
    size_t colon = cmd.find(':');
    if (colon != std::string::npos) {
      arg = cmd.substr(colon + 1);
      cmd = cmd.substr(0, colon);
    }
    long value = 0;
    if (cmd == "open") {
      isam::OpenDataFile(fb, base, false);
      if (fb != nullptr) value = fb->net->own_slot;
    } else if (cmd == "lock") {
      isam::LockDataFile(fb);
    } else if (cmd == "unlock") {
      isam::UnlockDataFile(fb);
    } else if (cmd == "add") {
      std::vector<uint8_t> rec(static_cast<size_t>(isam::RecordLength(fb)), 0);
      int32_t n = 0;
      isam::AddRecord(fb, n, rec.data());
      if (isam::StatusOk()) isam::InsertKey(fb, 1, n, arg);
      value = n;
    } else if (cmd == "lookup") {
      int32_t n = 0;
      isam::LookupKey(fb, 1, n, arg);
      value = n;
    } else if (cmd == "wait") {
      std::printf("ready\n");
      std::fflush(stdout);
      platform::Env* env = platform::Env::Default();
      int waited = 0;
      while (!env->FileExists(arg)) {
        if (waited >= 60000) return 3;
        env->SleepMs(5);
        waited += 5;
      }
      continue;
    } else if (cmd == "close") {
      isam::CloseDataFile(fb);
    } else {
      return 2;
    }
    std::printf("%s %d %ld\n", cmd.c_str(), static_cast<int>(isam::StatusCode()), value);
    std::fflush(stdout);
  }
  isam::StopEngine();
  return 0;
}
