// The B-tree algorithms of one index of a set, on pages reached through the page pool:
// the halving search inside a page, searching with a remembered key path, stepping to the
// next key, insertion (rotation into a sibling before a split) and deletion (borrowing and
// merging, collapsing the root). Callers: the public key operations.
//
// Contract that is easy to get wrong:
//  * Every function reports I/O failures and damaged pages through the engine status and stops
//    at the first one; pages changed so far stay dirty in the pool, nothing is undone.
//  * Key order: unsigned bytes over the shorter length, then the shorter key first; in an index
//    with duplicates, equal keys are ordered by record reference.
//  * `key` is the key text without a length byte (at most the index's key length).
//  * The key count and header dirty flag are the caller's business (InsertKey/RemoveKey).
#pragma once

#include <cstdint>
#include <string>

#include "isam/file_block.h"

namespace isam {

// Searches index k for key (with duplicates: the pair key, *ref). Found: *ref is the entry's
// record reference and the path stands on it. Not found: the path stands on the last entry
// below the search key (depth 0 when none). Sets path valid.
bool SearchPath(FileBlock& fb, int k, const std::string& key, int32_t* ref);
// Steps to the entry after the path position; false with status 10250 past the last one.
bool NextOnPath(FileBlock& fb, int k, std::string* key, int32_t* ref);
// False when the key (with duplicates: the pair) is present; status stays 0 then.
bool InsertIntoTree(FileBlock& fb, int k, const std::string& key, int32_t ref);
// False when the key (with duplicates: the pair) is absent.
bool DeleteFromTree(FileBlock& fb, int k, const std::string& key, int32_t ref);

// Compares two keys as the index does (without the record reference).
int CompareKeys(const uint8_t* a, int a_len, const uint8_t* b, int b_len);

}  // namespace isam
