// Child processes: start a program with arguments and wait for its exit code. Used by tests
// that need a second, real process (locks and share modes between programs are a matter of
// processes, not threads) and by tools that run helpers.
//
// Contract that is easy to get wrong:
//  * The program path is a name like any Env name (code page 874, '\' or '/'); the arguments
//    are passed as the bytes given, unconverted, so a child receives exactly what the parent
//    wrote and may hand it on to its own Env.
//  * The child inherits no open File of the parent (every file is opened close-on-exec or
//    not inheritable), so a parent's locks and share modes stay the parent's.
//  * Destroying a ChildProcess that is still running kills it and waits for it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

constexpr int kErrWaitTimeout = 258;  // WAIT_TIMEOUT: the child has not ended yet

class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  // Waits up to timeout_ms for the child to end; 0 and *exit_code on exit, kErrWaitTimeout
  // while it still runs, another OS error when waiting fails. A child ended by a signal
  // reports 128 + the signal number.
  virtual int Wait(uint32_t timeout_ms, int* exit_code) = 0;
};

int StartProcess(const std::string& program, const std::vector<std::string>& args,
                 std::unique_ptr<ChildProcess>* out);

// The path of a program that sits beside the running one (".exe" is added on Windows); how a
// test finds its helper executables.
std::string SiblingExecutable(const std::string& name);

// Starts the program, waits for it without a limit and returns its exit code, or -1 when it
// could not be started or waited for.
int RunProcess(const std::string& program, const std::vector<std::string>& args);

}  // namespace platform
