#include "fileaccess/access.h"

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "dialogs/dialogs.h"
#include "fileaccess/end_program.h"
#include "fileaccess/recovery.h"
#include "isam/isam.h"
#include "platform/env.h"
#include "util/catalogue.h"

namespace fileaccess {

namespace {

constexpr int32_t kFileNotFound = 9903;
constexpr int32_t kInvalidPath = 9900;
constexpr int32_t kTooManyOpenFiles = 9901;
constexpr int32_t kOtherFileError = 10140;

// "กำลังเปิดแฟ้มข้อมูล " (opening data file)
constexpr char kOpeningText[] =
    "\xA1\xD3\xC5\xD1\xA7\xE0\xBB\xD4\xB4\xE1\xBF\xE9\xC1\xA2\xE9\xCD\xC1\xD9\xC5 ";
constexpr char kTemporaryFileText[] = "Temporary File";
constexpr char kDataExtension[] = ".DAT";
// "ไม่สามารถเปิดแฟ้มข้อมูล " ... " ได้." (cannot open data file ...)
constexpr char kCannotOpenText[] =
    "\xE4\xC1\xE8\xCA\xD2\xC1\xD2\xC3\xB6\xE0\xBB\xD4\xB4\xE1\xBF\xE9\xC1\xA2\xE9\xCD\xC1\xD9\xC5"
    " ";
constexpr char kCannotOpenTail[] = " \xE4\xB4\xE9.";
// "ไม่สามารถสร้างแฟ้มข้อมูล " (cannot create data file ...)
constexpr char kCannotCreateText[] =
    "\xE4\xC1\xE8\xCA\xD2\xC1\xD2\xC3\xB6\xCA\xC3\xE9\xD2\xA7\xE1\xBF\xE9\xC1\xA2\xE9\xCD\xC1\xD9"
    "\xC5 ";
// ") มีการล็อคข้อมูลซ้อนกัน. โปรดลองใหม่อีกครั้ง" (data locked by overlapping use; try again)
constexpr char kLockQuestionTail[] =
    ") \xC1\xD5\xA1\xD2\xC3\xC5\xE7\xCD\xA4\xA2\xE9\xCD\xC1\xD9\xC5\xAB\xE9\xCD\xB9\xA1\xD1\xB9. "
    "\xE2\xBB\xC3\xB4\xC5\xCD\xA7\xE3\xCB\xC1\xE8\xCD\xD5\xA1\xA4\xC3\xD1\xE9\xA7";
constexpr char kRecordTooBigText[] = ": Record size too big.! ";

constexpr char kGuardExtension[] = ".MK~";
constexpr char kIndexExtension[] = ".IX";
constexpr char kDialogExtension[] = ".DIA";

// An open that keeps finding the set missing right after it was created, or a creation that
// keeps waiting for another process, gives up after these many passes.
constexpr int kOpenPasses = 50;
constexpr int kGuardWaits = 400;
constexpr uint32_t kGuardWaitMs = 25;

struct LayerState {
  bool access_ok = false;
  bool open_in_save_mode = true;
  bool flush_after_write = true;
  int lock_retries = 0;
  std::function<void()> disable_auto_select;
};

LayerState& State() {
  static LayerState state;
  return state;
}

void SetAccessOk(bool ok) { State().access_ok = ok; }

std::string CutKey(const std::string& key) {
  return key.size() > isam::kMaxKeyLength ? key.substr(0, isam::kMaxKeyLength) : key;
}

void FlushIfEnabled(isam::FileBlock* fb) {
  if (!State().open_in_save_mode && State().flush_after_write) isam::FlushDataFile(fb);
}

void DisableAutoSelect() {
  if (State().disable_auto_select) State().disable_auto_select();
}

// The engine's status for a failed create-time file call.
int32_t CreateStatusOf(int os_error) {
  switch (os_error) {
    case platform::kErrPathNotFound:
    case platform::kErrNetPathNotFound:
      return kInvalidPath;
    case platform::kErrTooManyOpenFiles:
      return kTooManyOpenFiles;
    default:
      return kOtherFileError;
  }
}

std::string DirectoryPart(const std::string& name) {
  for (size_t i = name.size(); i > 0; --i) {
    if (platform::IsSeparator(name[i - 1])) return name.substr(0, i);
  }
  return std::string();
}

bool PlainBaseName(const std::string& name) {
  const std::string base = name.substr(DirectoryPart(name).size());
  return !base.empty() && base.find('.') == std::string::npos &&
         name.find(';') == std::string::npos;
}

void DeleteSetFiles(platform::Env* env, const std::string& base) {
  for (const char* ext : {kIndexExtension, kDialogExtension, kDataExtension}) {
    if (env->FileExists(base + ext)) env->DeleteFile(base + ext);
  }
}

// What one creation attempt gave.
struct CreateOutcome {
  bool failed = false;
  int32_t code = 0;
};

// Creates the missing set `name` so that a set another process created meanwhile is never
// destroyed, and no process ever sees the new .DAT without its index:
//  1. take the creation guard (an exclusive create; a busy guard means another process is
//     creating the set: wait a moment and let the caller open again);
//  2. under the guard, back off when the .DAT exists by now;
//  3. create the set under a temporary name, put its index in place, then publish the .DAT by
//     a rename that never replaces.
CreateOutcome CreateMissingSet(const std::string& name, int32_t record_length,
                               const uint8_t* descriptors, int32_t key_count) {
  platform::Env* env = AccessEnv();
  std::unique_ptr<platform::File> guard;
  const std::string guard_name = CreationGuardName(name);
  const int guard_err = env->OpenFile(guard_name, platform::OpenMode::kCreate, &guard);
  if (guard_err == platform::kErrSharingViolation || guard_err == platform::kErrLockViolation) {
    if (env->FileExists(name + kDataExtension)) return {};
    env->SleepMs(kGuardWaitMs);
    return {true, 0};  // busy: not a failure yet, the caller counts the waits
  }
  if (guard_err != 0) return {true, CreateStatusOf(guard_err)};

  CreateOutcome outcome;
  if (!env->FileExists(name + kDataExtension)) {
    if (!PlainBaseName(name)) {
      // A name the engine rewrites (an extension of its own, a separate index name): create
      // it in place, still under the guard.
      isam::CreateDataFile(name, record_length, key_count, descriptors);
      if (!isam::StatusOk()) outcome = {true, isam::StatusCode()};
    } else {
      char suffix[16];
      std::snprintf(suffix, sizeof suffix, "%08X", static_cast<unsigned>(env->RandomSeed()));
      const std::string temp = DirectoryPart(name) + "~MK" + suffix;
      isam::CreateDataFile(temp, record_length, key_count, descriptors);
      if (!isam::StatusOk()) {
        outcome = {true, isam::StatusCode()};
      } else {
        // No .DAT of this name exists, so nobody has the set open: what is left of an older
        // set is stale.
        env->DeleteFile(name + kIndexExtension);
        env->DeleteFile(name + kDialogExtension);
        int err = 0;
        if (env->FileExists(temp + kIndexExtension)) {
          err = env->RenameFile(temp + kIndexExtension, name + kIndexExtension);
        }
        if (err == 0) err = env->RenameFile(temp + kDataExtension, name + kDataExtension);
        if (err != 0 && !env->FileExists(name + kDataExtension)) {
          outcome = {true, CreateStatusOf(err)};
        }
      }
      DeleteSetFiles(env, temp);
    }
  }
  env->CloseFile(std::move(guard));
  env->DeleteFile(guard_name);
  return outcome;
}

}  // namespace

platform::Env* AccessEnv() {
  platform::Env* env = isam::EngineEnv();
  return env != nullptr ? env : platform::Env::Default();
}

std::string CreationGuardName(const std::string& name) { return name + kGuardExtension; }

bool AccessOk() { return State().access_ok; }
bool OpenInSaveMode() { return State().open_in_save_mode; }
void SetOpenInSaveMode(bool on) { State().open_in_save_mode = on; }
bool FlushAfterWrite() { return State().flush_after_write; }
void SetFlushAfterWrite(bool on) { State().flush_after_write = on; }

void SetDisableAutoSelectHook(std::function<void()> hook) {
  State().disable_auto_select = std::move(hook);
}

int LockRetryCount() { return State().lock_retries; }
void ResetLockRetryCount() { State().lock_retries = 0; }

void ResetAccessLayer() { State() = LayerState(); }

void ReportFileError(int32_t code, const std::string& text) {
  dialogs::ShowError(std::to_string(code) + ": " + EngineMessage(code));
  if (!text.empty()) dialogs::ShowError(text);
  util::WriteCatalogueMessage(static_cast<uint16_t>(code));
  SetAccessOk(false);
  RequestEndProgram(EndRequest{EndReason::kFatalFileError, code});
}

bool RetryOnLockFor(bool status_ok, int32_t status_code, bool ask) {
  LayerState& s = State();
  if (status_ok || isam::StatusClassOf(status_code) != 2 || EndRequested()) {
    s.lock_retries = 0;
    return false;
  }
  ++s.lock_retries;
  if (s.lock_retries <= kSilentLockRetries) return true;
  s.lock_retries = 0;
  if (!ask) return false;
  if (dialogs::AskYesNo("(" + std::to_string(status_code) + kLockQuestionTail)) return true;
  RequestEndProgram(EndRequest{EndReason::kUserDeclined, status_code});
  return false;
}

bool RetryOnLock(bool ask) { return RetryOnLockFor(isam::StatusOk(), isam::StatusCode(), ask); }

void OpenOrCreate(isam::FileBlock*& fb, const std::string& name, int32_t record_length,
                  const uint8_t* key_descriptors, int32_t key_count) {
  SetAccessOk(false);
  if (EndRequested()) return;
  if (record_length > kMaxRecordLength) {
    dialogs::ShowError(name + kRecordTooBigText + "(Size = " + std::to_string(record_length) +
                       ", Max = " + std::to_string(kMaxRecordLength) + ")");
    RequestEndProgram(EndRequest{EndReason::kFatalFileError, 0});
    return;
  }
  if (!CheckSaveFile(name) || !CheckIndexTempFile(name)) return;

  const std::string status_text =
      std::string(kOpeningText) +
      (!name.empty() && name[0] == '~' ? std::string(kTemporaryFileText) : name + kDataExtension);
  int passes = 0;
  int waits = 0;
  while (!AccessOk()) {
    dialogs::StatusTextHook(status_text);
    isam::OpenDataFile(fb, name, OpenInSaveMode());
    const bool opened = isam::StatusOk();
    const int32_t code = isam::StatusCode();
    // Another process opening or recovering the same set at this moment: repeat, as every
    // other operation of this layer does on a conflict.
    if (RetryOnLock(true)) continue;
    if (EndRequested()) return;
    SetAccessOk(opened);
    if (AccessOk()) break;
    if (code != kFileNotFound || ++passes > kOpenPasses + kGuardWaits) {
      DisableAutoSelect();
      ReportFileError(code, kCannotOpenText + name + kCannotOpenTail);
      return;
    }
    const CreateOutcome created = CreateMissingSet(name, record_length, key_descriptors, key_count);
    if (created.failed && created.code == 0 && ++waits <= kGuardWaits) continue;
    if (created.failed) {
      DisableAutoSelect();
      ReportFileError(created.code != 0 ? created.code : kOtherFileError, kCannotCreateText + name);
      return;
    }
  }
}

void CloseChecked(isam::FileBlock*& fb) {
  isam::CloseDataFile(fb);
  SetAccessOk(isam::StatusOk());
}

void FindWithRetry(isam::FileBlock* fb, int32_t key_number, int32_t& n, const std::string& key) {
  const std::string cut = CutKey(key);
  SetAccessOk(false);
  if (EndRequested()) return;
  do {
    isam::LookupKey(fb, static_cast<uint16_t>(key_number), n, cut);
  } while (RetryOnLock(true));
  if (isam::StatusOk()) SetAccessOk(true);
}

void AddWithKeys(isam::FileBlock* fb, const KeyBuilder& builder, int32_t key_count,
                 const void* record, int32_t& n) {
  SetAccessOk(false);
  if (EndRequested()) return;
  do {
    isam::LockDataFile(fb);
  } while (RetryOnLock(true));
  if (EndRequested()) return;  // No at the lock question: nothing more happens

  isam::AddRecord(fb, n, record);
  if (!isam::StatusOk()) {
    FlushIfEnabled(fb);
    isam::UnlockDataFile(fb);
    return;
  }
  for (int32_t k = 1; k <= key_count; ++k) {
    isam::InsertKey(fb, static_cast<uint16_t>(k), n, CutKey(builder(record, k)));
    if (isam::StatusOk()) continue;
    // Undo: the keys already inserted, then the record.
    for (int32_t j = 1; j < k; ++j) {
      isam::RemoveKey(fb, static_cast<uint16_t>(j), n, CutKey(builder(record, j)));
      if (!isam::StatusOk()) {
        ReportFileError(isam::StatusCode(), std::string());
        return;
      }
    }
    isam::DeleteRecord(fb, n);
    FlushIfEnabled(fb);
    isam::UnlockDataFile(fb);
    return;
  }
  FlushIfEnabled(fb);
  isam::UnlockDataFile(fb);
  SetAccessOk(true);
}

}  // namespace fileaccess
