// The frame every public operation runs in: BeginCall clears the status and applies the
// operation's checks (engine started, valid FileBlock, write lock, key number, temporary read
// lock with a refresh for reading operations); EndCall maps a file error on an open set to
// 10397 and releases the temporary read lock.
//
// Contract that is easy to get wrong: EndCall runs even when BeginCall failed, and it must be
// called with the same FileBlock (or nullptr once the FileBlock is gone).
#pragma once

#include "isam/file_block.h"

namespace isam {

enum CallCheck : int {
  kCheckNone = 0,
  kCheckWriteLock = 1,
  kCheckKeyNumber = 2,
  kCheckReadAccess = 4,
};

bool BeginCall(FileBlock* fb, int checks, int k = 0);
void EndCall(FileBlock* fb);

}  // namespace isam
