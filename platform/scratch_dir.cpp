#include "platform/scratch_dir.h"

#include <filesystem>
#include <system_error>

#include "platform/env.h"

namespace platform {

ScratchDir::ScratchDir(const std::string& tag) {
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  Env* env = Env::Default();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path p =
        base / (tag + "-" + std::to_string(env->RandomSeed()) + std::to_string(attempt));
    if (std::filesystem::create_directory(p, ec) && !ec) {
      path_ = p.string();
      return;
    }
  }
}

ScratchDir::~ScratchDir() {
  if (path_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(std::filesystem::path(path_), ec);
}

std::string ScratchDir::Join(const std::string& name) const { return JoinPath(path_, name); }

}  // namespace platform
