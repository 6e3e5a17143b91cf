// Child processes: start a program with arguments and wait for its exit code. Used by tests
// that need a second, real process (locks and share modes between programs are a matter of
// processes, not threads) and by tools that run helpers.
//
// Contract that is easy to get wrong:
//  * The program path is a name like any Env name (code page 874, '\' or '/'); on Windows a
//    name without an extension gets ".exe", so that one name serves both systems. The arguments
//    are passed as the bytes given, unconverted, so a child receives exactly what the parent
//    wrote and may hand it on to its own Env.
//  * The child inherits no open File of the parent (every file is opened close-on-exec or
//    not inheritable), so a parent's locks and share modes stay the parent's.
//  * Destroying a ChildProcess that is still running kills it and waits for it.
//  * With ProcessOptions, a stream given a file name is redirected to that file (standard
//    output and error are created or emptied; give the same name to both to merge them), a
//    stream left empty is the parent's own. The parent may read an output file while the
//    child still writes it.
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

// How a child is started beyond its arguments.
struct ProcessOptions {
  std::string stdin_file;   // empty: the parent's standard input
  std::string stdout_file;  // empty: the parent's standard output
  std::string stderr_file;  // empty: the parent's standard error
  // "NAME=value" entries set in the child's environment on top of the parent's.
  std::vector<std::string> environment;
};

// The name of the null device ("NUL" on Windows, "/dev/null" elsewhere): a redirection to it
// discards the output or gives an empty input.
const char* NullDevice();

// Starts the program; 0 and *out on success, else an OS error number (Windows numbering) and
// *out empty. An output file that cannot be created fails the start with its error.
int StartProcess(const std::string& program, const std::vector<std::string>& args,
                 std::unique_ptr<ChildProcess>* out);
int StartProcess(const std::string& program, const std::vector<std::string>& args,
                 const ProcessOptions& options, std::unique_ptr<ChildProcess>* out);

// The path of a program that sits beside the running one (".exe" is added on Windows); how a
// test finds its helper executables.
std::string SiblingExecutable(const std::string& name);

// Starts the program, waits for it without a limit and returns its exit code, or -1 when it
// could not be started or waited for.
int RunProcess(const std::string& program, const std::vector<std::string>& args);
int RunProcess(const std::string& program, const std::vector<std::string>& args,
               const ProcessOptions& options);

}  // namespace platform
