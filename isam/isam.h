// The public face of the ISAM engine: data file sets of fixed-length records (.DAT) with B-tree
// indexes (.IX) and a coordination file (.DIA), shared with the other programs of the suite
// under a byte-range locking protocol.
//
// Contract that is easy to get wrong:
//  * Nothing here throws and nothing is shown. Every operation clears the engine-wide status
//    on entry and reports through StatusOk()/StatusCode(); callers test them after each call.
//  * Changes (AddRecord, DeleteRecord, InsertKey, RemoveKey) need the write lock
//    (LockDataFile) and become visible to other processes at UnlockDataFile.
//  * Key strings are byte strings (code page 874); every key operation cuts the key to 100
//    bytes first. Keys compare as unsigned bytes, then by length; equal keys of an index with
//    duplicates are ordered by record number.
//  * All process-wide state lives in one engine object. ResetEngine() discards it (without
//    closing anything) and starts a fresh one on the given Env, so tests begin clean.
#pragma once

#include <cstdint>
#include <string>

namespace platform {
class Env;
}

namespace isam {

struct FileBlock;  // an open data file set; owned by the engine between open and close

constexpr int kKeyDescriptorBytes = 200;
constexpr int kMaxKeyLength = 100;
constexpr int kMaxIndexes = 100;

// Engine status of the last operation.
bool StatusOk();
int32_t StatusCode();
uint16_t FailedCallCode();
int32_t FailedOsError();
// 0 ok, 1 not found, 2 conflict with another user (retry), 3 failed and undone, 4 fatal.
int StatusClass();
int StatusClassOf(int32_t code);

// Discards the engine object and makes a fresh one on `env` (nullptr: the platform default).
void ResetEngine(platform::Env* env = nullptr);
platform::Env* EngineEnv();

// Lifecycle. Mode 2 (network operation) is the only mode supported.
int32_t StartEngine(uint8_t mode, int32_t page_buffers);
void StopEngine();

// Data file sets. `name` is the base name (the engine adds DAT, IX and DIA); "DATA;INDEX"
// names the index file separately.
void CreateDataFile(const std::string& name, int32_t record_length, int32_t key_count,
                    const uint8_t* key_descriptors /* kKeyDescriptorBytes */);
void OpenDataFile(FileBlock*& fb, const std::string& name, bool save_mode);
void CloseDataFile(FileBlock*& fb);
void FlushDataFile(FileBlock* fb);
void LockDataFile(FileBlock* fb);
void UnlockDataFile(FileBlock* fb);

// Records and keys.
int32_t AddRecord(FileBlock* fb, int32_t& n, const void* record);
void DeleteRecord(FileBlock* fb, int32_t n);
void InsertKey(FileBlock* fb, uint16_t k, int32_t n, const std::string& key);
void RemoveKey(FileBlock* fb, uint16_t k, int32_t n, const std::string& key);
// Finds the key exactly; with duplicates, the lowest record number stored under it.
int32_t LookupKey(FileBlock* fb, uint16_t k, int32_t& n, const std::string& key);

// Additions for the tools (export, isamtool): reading, not changing. They follow the same
// rules as LookupKey (status cleared on entry, temporary read lock when not write-locked).
// Reads record n (1..records used) into `record` (record-length bytes).
void ReadRecord(FileBlock* fb, int32_t n, void* record);
// Steps through index k in key order: FirstKey gives the smallest key, NextKey the one after
// the previous result; at the end StatusCode() is 10250.
void FirstKey(FileBlock* fb, uint16_t k, int32_t& n, std::string& key);
void NextKey(FileBlock* fb, uint16_t k, int32_t& n, std::string& key);
// Facts about an open set.
int32_t RecordLength(const FileBlock* fb);
int32_t RecordsUsed(const FileBlock* fb);
int KeyCount(const FileBlock* fb);
int32_t IndexKeyCount(const FileBlock* fb, uint16_t k);
int IndexKeyLength(const FileBlock* fb, uint16_t k);

}  // namespace isam
