// The engine-wide status word and the failure record, and the status codes the engine reports.
// Every public operation clears the status on entry (ClearStatus); internal steps call Fail()
// and stop as soon as StatusOk() is false, so the first failure normally stands.
//
// Contract that is easy to get wrong: RecordFailure keeps the FIRST failing low-level call
// since the last ClearStatus (it fills FailedCallCode/FailedOsError only while FailedOsError is
// 0), while the "last call" pair is overwritten by every failing call.
#pragma once

#include <cstdint>

namespace isam {

// Status codes.
enum : int32_t {
  kOk = 0,
  kPathNotFound = 9900,
  kTooManyOpenFiles = 9901,
  kFileNotFound = 9903,
  kInvalidHandle = 9904,
  kInvalidAccess = 9908,
  kTooFewBuffersAllocated = 10000,
  kIncompleteChanges = 10010,
  kRecordLengthTooSmall = 10020,
  kNoMemoryHeaders = 10030,
  kTooManyIndexes = 10050,
  kBadKeyLength = 10055,
  kHeaderTooManyIndexes = 10060,
  kReadPastEnd = 10070,
  kWriteIncomplete = 10075,
  kCloseNotOpen = 10080,
  kNoMemoryCreate = 10090,
  kNoMemoryOpen = 10100,
  kPageSizeMismatch = 10120,
  kKeyLengthRange = 10121,
  kItemsPerPageRange = 10122,
  kKeyTooLong = 10125,
  kRecordNumberRange = 10135,
  kOtherFileError = 10140,
  kFlushTooManyOpen = 10150,
  kCloseIncomplete = 10160,
  kKeyNumberRange = 10164,
  kDamagedChain = 10170,
  kJournalReplayFailed = 10180,
  kKeyNotFound = 10200,
  kRemoveNotFound = 10220,
  kDuplicateKey = 10230,
  kNoFurtherKey = 10250,
  kNoFreeSlot = 10306,
  kUnsupportedMode = 10310,
  kCloseWriteLockRelease = 10322,
  kWriteLockHeld = 10330,
  kLockReleaseFailed = 10340,
  kReadLockReleaseFailed = 10341,
  kOpenLockReleaseFailed = 10342,
  kOpenLockHeld = 10355,
  kNoMemoryNetState = 10356,
  kRecoveryWhileActive = 10360,
  kNetworkFileError = 10397,
  kNoWriteLock = 10398,
  kReadLockNotObtained = 10399,
  kBadFileBlock = 10445,
  kAlreadyStarted = 10450,
  kTooFewBuffersRequested = 10451,
  kNotStarted = 10455,
};

// Call codes of the low-level file primitives (DOS function numbering).
enum : uint16_t {
  kCallOpen = 0x6C00,
  kCallClose = 0x3E00,
  kCallDelete = 0x4100,
  kCallFlush = 0x6800,
  kCallSeek = 0x4200,
  kCallTell = 0x4201,
  kCallSize = 0x4202,
  kCallRead = 0x3F00,
  kCallWrite = 0x4000,
  kCallLock = 0x5C00,
  kCallUnlock = 0x5C01,
};

void ClearStatus();
// Sets StatusOk false and StatusCode to `code`.
void Fail(int32_t code);
// Records a failing low-level call (last call pair always, first-failure pair when empty).
void RecordFailure(uint16_t call, int32_t os_error);

}  // namespace isam
