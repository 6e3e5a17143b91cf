#include "fileaccess/recovery.h"

#include <cstdint>
#include <memory>
#include <optional>

#include "dialogs/dialogs.h"
#include "fileaccess/access.h"
#include "fileaccess/end_program.h"
#include "platform/env.h"

namespace fileaccess {

namespace {

constexpr size_t kRepairBaseLength = 12;
constexpr char kSaveExtension[] = ".SAV";
constexpr char kDataExtension[] = ".DAT";
constexpr char kIndexTempExtension[] = ".IX~";
constexpr char kIndexExtension[] = ".IX";

// The size of a file that can be opened for reading; nothing when it cannot.
std::optional<uint64_t> ReadableSize(platform::Env* env, const std::string& name) {
  std::unique_ptr<platform::File> file;
  if (env->OpenFile(name, platform::OpenMode::kReadOnly, &file) != 0) return std::nullopt;
  uint64_t size = 0;
  const int err = file->Size(&size);
  env->CloseFile(std::move(file));
  if (err != 0) return std::nullopt;
  return size;
}

bool Declined() {
  RequestEndProgram(EndRequest{EndReason::kUserDeclined, 0});
  return false;
}

}  // namespace

std::string RepairBaseName(const std::string& name) { return name.substr(0, kRepairBaseLength); }

bool CheckSaveFile(const std::string& name) {
  platform::Env* env = AccessEnv();
  const std::string base = RepairBaseName(name);
  const std::optional<uint64_t> saved = ReadableSize(env, base + kSaveExtension);
  if (!saved) return true;
  const std::optional<uint64_t> data = ReadableSize(env, base + kDataExtension);
  if (!data) return true;
  if (!dialogs::AskRecovery(dialogs::RecoveryKind::kSaveFile, name + kSaveExtension, data,
                            *saved)) {
    return Declined();
  }
  RestoreRepairFiles(base);
  return true;
}

bool CheckIndexTempFile(const std::string& name) {
  platform::Env* env = AccessEnv();
  const std::string base = RepairBaseName(name);
  const std::optional<uint64_t> temp = ReadableSize(env, base + kIndexTempExtension);
  if (!temp) return true;
  const std::optional<uint64_t> index = ReadableSize(env, base + kIndexExtension);
  if (!dialogs::AskRecovery(dialogs::RecoveryKind::kIndexTempFile, name + kIndexTempExtension,
                            index, *temp)) {
    return Declined();
  }
  // The files examined are the ones put back (the same cut name as the check).
  if (env->FileExists(base + kIndexExtension)) env->DeleteFile(base + kIndexExtension);
  env->RenameFile(base + kIndexTempExtension, base + kIndexExtension);
  return true;
}

void RestoreRepairFiles(const std::string& base) {
  platform::Env* env = AccessEnv();
  const std::string sav = base + kSaveExtension;
  const std::string dat = base + kDataExtension;
  if (env->FileExists(sav) && env->FileExists(dat)) {
    if (env->DeleteFile(dat) == 0) env->RenameFile(sav, dat);
  }
  const std::string temp = base + kIndexTempExtension;
  const std::string index = base + kIndexExtension;
  if (env->FileExists(temp)) {
    if (env->FileExists(index)) env->DeleteFile(index);
    env->RenameFile(temp, index);
  }
}

}  // namespace fileaccess
