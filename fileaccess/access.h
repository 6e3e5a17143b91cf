// The data file access layer: the thin wrapper between the programs of the suite and the
// ISAM engine (isam/isam.h). It opens a data file set by name and creates it when missing,
// retries operations that collide with another user's lock (900 times without a word, then
// asks), adds a record together with all its keys as one unit that is undone when a key is
// refused, and turns engine failures into messages. Callers: OpenCompanyFiles (company file
// set), the import (FindWithRetry, AddWithKeys) and the start-up (ReportFileError).
//
// Contract that is easy to get wrong:
//  * AccessOk() is the one result flag and is overwritten by every operation here; test it
//    right after each call.
//  * Fatal failures are reported (ShowError) and end the program through the end-program
//    handler (end_program.h); that handler may return, after which AccessOk is false and the
//    operation went no further.
//  * OpenOrCreate never destroys a set it did not create: when several processes find a set
//    missing at once, exactly one creates it (into temporary names, published by renames that
//    never replace, under an exclusive creation guard) and the others open that one.
//  * An open that collides with another process (its open lock, a recovery in progress) is
//    retried like every other operation here: 900 times silently, then the question.
//  * The lock retry count lives across calls; it is 0 again after every call that ends
//    without a pending collision.
//  * Nothing here throws.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace isam {
struct FileBlock;
}
namespace platform {
class Env;
}

namespace fileaccess {

// Largest record length a set opened or created here may have.
inline constexpr int32_t kMaxRecordLength = 6000;
// Consecutive lock collisions retried without asking.
inline constexpr int kSilentLockRetries = 900;

// Builds key `key_number` (1..key count) of `record`.
using KeyBuilder = std::function<std::string(const void* record, int key_number)>;

// The result flag.
bool AccessOk();

// Switches. Both start true; the start-up turns both off.
bool OpenInSaveMode();
void SetOpenInSaveMode(bool on);
bool FlushAfterWrite();
void SetFlushAfterWrite(bool on);

// Called before a fatal open or create failure is reported, so that the next start shows the
// company list again. Installed by the layer that owns the company settings.
void SetDisableAutoSelectHook(std::function<void()> hook);

// Opens `name` into `fb`, creating the set when it is missing. Runs the recovery checks for
// interrupted repairs first. AccessOk is true on return, or the program has been ended.
void OpenOrCreate(isam::FileBlock*& fb, const std::string& name, int32_t record_length,
                  const uint8_t* key_descriptors /* 200 bytes */, int32_t key_count);

// Closes `fb`; AccessOk := the engine's StatusOk. Reports nothing.
void CloseChecked(isam::FileBlock*& fb);

// Stores `record` and keys 1..key_count as one unit. On a refused key the keys already
// inserted and the record are removed again and AccessOk is false.
void AddWithKeys(isam::FileBlock* fb, const KeyBuilder& builder, int32_t key_count,
                 const void* record, int32_t& n);

// LookupKey with lock retries; AccessOk true when the key was found (n is its record).
void FindWithRetry(isam::FileBlock* fb, int32_t key_number, int32_t& n, const std::string& key);

// After an engine call: true when the caller should repeat it (a lock collision). The 901st
// consecutive collision asks the user (when `ask`); No ends the program and answers false.
bool RetryOnLock(bool ask);
// The same decision for a given status, for callers (and tests) that hold one.
bool RetryOnLockFor(bool status_ok, int32_t status_code, bool ask);
int LockRetryCount();
void ResetLockRetryCount();

// Shows "<code>: <engine text>", then `text` when given, writes the code to the message
// catalogue, and ends the program.
void ReportFileError(int32_t code, const std::string& text);

// English text of an engine status code; empty for codes without one.
std::string EngineMessage(int32_t code);

// The Env every file of this layer goes through: the engine's (isam::EngineEnv()), so that a
// test that starts the engine on a fault-injecting Env reaches the side files too.
platform::Env* AccessEnv();

// The creation guard beside a set being created: "<name>.MK~" (held exclusively while one
// process creates the set, removed afterwards).
std::string CreationGuardName(const std::string& name);

// Every layer state back to its start value (switches true, AccessOk false, count 0,
// hooks removed). For tests and for a second run in one process.
void ResetAccessLayer();

}  // namespace fileaccess
