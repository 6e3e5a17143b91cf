// Process-level services of the operating system that are not about files: the thread locale,
// the desktop compositor, whether the standard streams are terminals, and the path of the
// running program. Called once at start-up by the application and by the command-line tools.
//
// Contract that is easy to get wrong:
//  * Nothing here throws or fails loudly; a service the system lacks gives the neutral answer
//    (no compositor, not a terminal, an empty path).
//  * ExecutablePath() is code page 874 bytes, in the separator the OS uses ('\' on Windows,
//    '/' elsewhere), and can be handed to Env calls and to StartProcess unchanged.
#pragma once

#include <string>

namespace platform {

// Windows: SetThreadLocale(LOCALE_USER_DEFAULT). POSIX: setlocale(LC_ALL, ""), kept at "C"
// when the environment names a locale the system does not have.
void SetThreadLocaleToUserDefault();

// Whether desktop composition is on; false before Windows major version 6, when the service
// is missing, and on every other system.
bool IsDwmCompositionEnabled();

bool StdoutIsTerminal();
bool StdinIsTerminal();
// Whether the process has a standard output at all (a windowed program started without
// redirection has none, and writing to it fails).
bool StdoutIsUsable();

// Full path of the running program; empty when the system cannot tell.
std::string ExecutablePath();

}  // namespace platform
