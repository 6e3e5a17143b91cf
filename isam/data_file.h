// The data file half of a set: file names (ForceExtension, splitting "DATA;INDEX"), the data
// header (slot 0 of the .DAT file), the free-slot chain shared by records and index pages,
// creating a set, and the file steps of opening and closing one.
//
// Contract that is easy to get wrong:
//  * TakeSlot/ReleaseSlot work on HeaderState k (0 = records, k >= 1 = pages of index k) and
//    mark it dirty; only the chain link (first 4 bytes of the slot) is written at once, the
//    header waits for the publish at unlock.
//  * A free slot's link is never 0; a link of 0, above slots used or below -1 is a damaged
//    chain (10170) and leaves the header untouched.
//  * MarkModified writes the single in-use byte 1 once per modified cycle; only a publish
//    writes it back to 0.
#pragma once

#include <cstdint>
#include <string>

#include "isam/file_block.h"

namespace isam {

constexpr int kDataHeaderBytes = 21;
constexpr int kMinRecordLength = 21;
constexpr size_t kMaxNameLength = 192;
// Data header layout.
constexpr int kDhFirstFree = 0;
constexpr int kDhFreeCount = 4;
constexpr int kDhRecordsUsed = 8;
constexpr int kDhRecordLength = 12;
constexpr int kDhKeyCount = 16;
constexpr int kDhInUse = 20;

std::string ForceExtension(const std::string& name, const std::string& ext);
// Splits "DATA;INDEX" (a second ';' in the index part ends it); without ';' both are `name`.
void SplitName(const std::string& name, std::string* data_name, std::string* index_name);

// Position of slot n of header k (record n, or page n of index k).
int64_t SlotPosition(const FileBlock& fb, int k, int32_t n);

// Header 0: reads the 21 bytes into HeaderState 0 and the key count; *in_use gets byte 20.
bool ReadDataHeader(FileBlock& fb, uint8_t* in_use);
bool WriteDataHeader(FileBlock& fb, uint8_t in_use);
// Header k of either kind (0 = data file). Reading an index header re-checks it.
bool ReadHeader(FileBlock& fb, int k);
bool WriteHeader(FileBlock& fb, int k);

bool TakeSlot(FileBlock& fb, int k, int32_t* n);
bool ReleaseSlot(FileBlock& fb, int k, int32_t n);
bool MarkModified(FileBlock& fb);

// The file step of OpenDataFile: opens the data and index files and reads every header.
FileBlock* OpenFiles(const std::string& data_name, const std::string& index_name, bool shared);
// Drops the set's buffers, closes its index and data files and frees it; fb becomes null.
bool CloseFiles(FileBlock*& fb);

}  // namespace isam
