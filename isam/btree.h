// The B-tree algorithms of one index: the halving search inside a page, the search that
// remembers its path, stepping to the next key, insertion with rotation into a sibling before
// a split, and deletion with borrowing, merging and root collapse. Pages are reached only
// through the page pool; the shapes produced are the ones every program sharing the files
// produces, so they must not be "improved".
//
// Contract that is easy to get wrong:
//  * Keys are length-prefixed (key[0] is the length). Order: unsigned bytes over the shorter
//    length, then the shorter first; in an index with duplicates equal keys are ordered by
//    record reference (the sign of the 32-bit difference).
//  * Insert and delete return 1 (done), 0 (duplicate / absent) or -1 (failure, status set);
//    they do not touch the index's key count: the public operations count.
//  * A path deeper than 8 levels, a page number outside the index, or a page whose child
//    points at itself or its parent is a damaged index (10170); nothing loops or overruns.
#pragma once

#include <cstdint>
#include <string>

#include "isam/file_block.h"
#include "isam/page_pool.h"

namespace isam {

// Fills a length-prefixed key from bytes (cut to 100).
void MakeKey(const std::string& bytes, uint8_t* key);
int CompareKeys(const uint8_t* a, const uint8_t* b);

bool SearchPath(FileBlock* fb, int k, const uint8_t* key, int32_t& ref);
// On success copies the key found (length-prefixed) and its reference; at the end of the
// index the status is 10250.
bool NextOnPath(FileBlock* fb, int k, uint8_t* key, int32_t* ref);
int InsertIntoTree(FileBlock* fb, int k, const uint8_t* key, int32_t ref);
int DeleteFromTree(FileBlock* fb, int k, const uint8_t* key, int32_t ref);

}  // namespace isam
