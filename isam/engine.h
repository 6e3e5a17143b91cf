// The one engine object that holds every piece of process-wide engine state: the status word,
// the started flag, the network settings, the list of open FileBlocks, the page pool and the
// LockTable. Everything in isam/ reaches that state through Eng().
//
// Contract that is easy to get wrong: ResetEngine (isam.h) replaces the object without closing
// or writing anything; files still open are closed by destruction only. Tests call it first.
#pragma once

#include <cstdint>
#include <vector>

#include "isam/file_block.h"
#include "isam/lock_table.h"
#include "isam/page_pool.h"

namespace platform {
class Env;
}

namespace isam {

struct EngineStatus {
  bool ok = true;
  int32_t code = 0;
  uint16_t failed_call = 0;
  int32_t failed_os = 0;
  uint16_t last_call = 0;
  int32_t last_os = 0;
};

struct NetSettings {
  uint16_t highest_slot = 1000;
  uint32_t write_limit_ms = 3072;  // open lock and write lock
  uint32_t read_limit_ms = 768;
  uint32_t delay_ms = 64;
};

struct Engine {
  platform::Env* env = nullptr;
  EngineStatus status;
  bool started = false;
  NetSettings net;
  std::vector<FileBlock*> open;  // in the order opened
  PagePool pool;
  LockTable locks;
};

Engine& Eng();

// True when fb is in the open list (compared by address, never dereferenced).
bool IsOpenBlock(const FileBlock* fb);

}  // namespace isam
