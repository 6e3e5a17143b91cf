// The 28-byte header of one index, kept in row 0 of the index file at the index's row offset,
// and the check an open applies to it. The key length is not stored: it is derived from the
// page size P and the items per page I (P - 6 = I * (key length + 9)).
//
// Contract that is easy to get wrong: an items-per-page value of 0 is read as 62; the check
// runs in a fixed order (10122, then 10120, then 10121), and a re-read during a refresh must
// find the same page size and items per page as the open did (else the set is damaged, 10170).
#pragma once

#include <cstdint>

#include "isam/file_block.h"

namespace isam {

constexpr int kIndexHeaderBytes = 28;
constexpr int kIhFirstFree = 0;
constexpr int kIhFreeCount = 4;
constexpr int kIhPagesUsed = 8;
constexpr int kIhPageSize = 12;
constexpr int kIhRoot = 16;
constexpr int kIhDuplicates = 20;
constexpr int kIhReserved = 21;
constexpr int kIhKeyCount = 22;
constexpr int kIhItemsPerPage = 26;

constexpr int32_t PageSizeFor(int key_length) { return kItemsPerPage * (key_length + 9) + 6; }

// Derives the key length from a header's page size and items per page; returns 0 or the
// failing check's code.
int32_t DeriveKeyLength(int32_t page_size, uint16_t items_per_page, int* key_length);

void EncodeIndexHeader(const HeaderState& hs, uint8_t* out);
// Decodes and checks; on success fills every stored field and the derived key length.
int32_t DecodeIndexHeader(const uint8_t* in, HeaderState* hs);

// Reads header k at row offset(k) of row 0. At open it takes the page size and key length
// from the file; later reads insist that they are unchanged.
bool ReadIndexHeader(FileBlock& fb, int k, bool at_open);
bool WriteIndexHeader(FileBlock& fb, int k);

}  // namespace isam
