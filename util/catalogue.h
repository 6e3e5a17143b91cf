// The numbered error explanations the suite ships in "QXERROR.MSG" in the start-up directory.
// The fatal data-file error report calls WriteCatalogueMessage after its dialog, so that the
// explanation of the error number lands on the process's standard output.
//
// File format: single-byte lines (CR LF, LF and CR each end a line) in sections; a section
// starts with a line that is exactly "%ERROR%" + the number in decimal ("%ERROR%12") and ends
// at the next line beginning with "%ERROR%" or at the end of the file. Lines before the first
// header and all other sections are ignored.
//
// Contract that is easy to get wrong:
//  * The header must match the whole line, byte for byte: "%ERROR%70" is not error 7 and a
//    trailing space spoils a header. Only the first section of a number is written.
//  * Message lines are written exactly (code page 874 bytes, no conversion), each followed by
//    CR LF; empty lines included.
//  * The call changes the current directory to the start-up directory while it reads and
//    always restores the previous one (held without any length limit) before returning,
//    whatever happened; a missing or unreadable file writes nothing and reports nothing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {
class Env;
}

namespace util {

inline constexpr char kCatalogueFileName[] = "QXERROR.MSG";
inline constexpr char kCatalogueHeaderPrefix[] = "%ERROR%";

enum class CatalogueResult {
  kWritten,           // the section was found; its lines were written
  kNoSection,         // the file has no section of this number; nothing written
  kNoFile,            // the file could not be opened or read; nothing written
  kStartupDirFailed,  // the start-up directory could not be made current (an I/O failure the
                      // caller may treat as fatal); nothing written
};

// The directory holding the catalogue, fixed once at start-up (empty: the current directory).
void SetCatalogueDirectory(const std::string& startup_dir);
const std::string& CatalogueDirectory();

// Where the lines go. Write returns false when the output is unusable; the remaining lines are
// then skipped (the file is still closed and the directory restored).
class CatalogueOutput {
 public:
  virtual ~CatalogueOutput() = default;
  virtual bool Write(const std::string& bytes) = 0;
};

// Writes the section of `code` from the catalogue in `startup_dir` (empty: the current
// directory) to `out`, reading through `env`.
CatalogueResult WriteCatalogueMessage(platform::Env* env, const std::string& startup_dir,
                                      uint16_t code, CatalogueOutput* out);

// The program's form: the platform's Env, CatalogueDirectory(), standard output.
CatalogueResult WriteCatalogueMessage(uint16_t code);

}  // namespace util
