#include "util/catalogue.h"

#include <memory>

#include "platform/env.h"
#include "util/numbers.h"

namespace util {
namespace {

constexpr size_t kReadChunk = 64 * 1024;
constexpr char kLineEnd[] = "\r\n";

std::string& CatalogueDir() {
  static std::string dir;
  return dir;
}

class StdoutOutput : public CatalogueOutput {
 public:
  bool Write(const std::string& bytes) override {
    if (bytes.empty()) return true;
    const size_t put = std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    return put == bytes.size() && std::fflush(stdout) == 0;
  }
};

// Walks the lines of the catalogue and writes the wanted section. Lines end at CR LF, LF or
// CR; a CR LF split across two reads still ends one line.
class SectionWriter {
 public:
  SectionWriter(std::string header, CatalogueOutput* out) : header_(std::move(header)), out_(out) {}

  // Feeds bytes; false once the section has ended (nothing more to do).
  bool Feed(const char* data, size_t len) {
    for (size_t i = 0; i < len && !done_; ++i) {
      const char c = data[i];
      if (after_cr_ && c == '\n') {
        after_cr_ = false;
        continue;
      }
      after_cr_ = false;
      if (c == '\r' || c == '\n') {
        after_cr_ = c == '\r';
        EndLine();
      } else {
        line_.push_back(c);
      }
    }
    return !done_;
  }

  // The end of the file: a last line without a line end still counts.
  void Finish() {
    if (!done_ && !line_.empty()) EndLine();
  }

  bool found() const { return found_; }

 private:
  void EndLine() {
    if (!found_) {
      if (line_ == header_) found_ = true;
    } else if (line_.compare(0, 7, kCatalogueHeaderPrefix) == 0) {
      done_ = true;
    } else if (output_ok_) {
      output_ok_ = out_->Write(line_ + kLineEnd);
    }
    line_.clear();
  }

  const std::string header_;
  CatalogueOutput* out_;
  std::string line_;
  bool after_cr_ = false;
  bool found_ = false;
  bool done_ = false;
  bool output_ok_ = true;
};

// Restores the remembered current directory on every way out.
class DirectoryRestorer {
 public:
  DirectoryRestorer(platform::Env* env, std::string dir) : env_(env), dir_(std::move(dir)) {}
  ~DirectoryRestorer() {
    if (active_) env_->SetCurrentDirectory(dir_);
  }
  void Activate() { active_ = true; }

 private:
  platform::Env* env_;
  std::string dir_;
  bool active_ = false;
};

}  // namespace

void SetCatalogueDirectory(const std::string& startup_dir) { CatalogueDir() = startup_dir; }
const std::string& CatalogueDirectory() { return CatalogueDir(); }

CatalogueResult WriteCatalogueMessage(platform::Env* env, const std::string& startup_dir,
                                      uint16_t code, CatalogueOutput* out) {
  std::string previous;
  const bool have_previous = env->GetCurrentDirectory(&previous) == platform::kErrNone;
  DirectoryRestorer restorer(env, previous);
  if (!startup_dir.empty()) {
    if (have_previous) restorer.Activate();
    if (env->SetCurrentDirectory(startup_dir) != platform::kErrNone) {
      return CatalogueResult::kStartupDirFailed;
    }
  }

  std::unique_ptr<platform::File> file;
  if (env->OpenFile(kCatalogueFileName, platform::OpenMode::kReadOnly, &file) !=
      platform::kErrNone) {
    return CatalogueResult::kNoFile;
  }
  SectionWriter writer(std::string(kCatalogueHeaderPrefix) + IntToText(code), out);
  std::string buf(kReadChunk, '\0');
  uint64_t offset = 0;
  bool read_failed = false;
  for (;;) {
    size_t got = 0;
    if (file->Read(offset, buf.data(), buf.size(), &got) != platform::kErrNone) {
      read_failed = true;
      break;
    }
    if (got == 0) break;
    offset += got;
    if (!writer.Feed(buf.data(), got)) break;
  }
  if (!read_failed) writer.Finish();
  env->CloseFile(std::move(file));
  if (writer.found()) return CatalogueResult::kWritten;
  return read_failed ? CatalogueResult::kNoFile : CatalogueResult::kNoSection;
}

CatalogueResult WriteCatalogueMessage(uint16_t code) {
  StdoutOutput out;
  return WriteCatalogueMessage(platform::Env::Default(), CatalogueDirectory(), code, &out);
}

}  // namespace util
