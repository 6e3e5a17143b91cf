// The data file sets of a company that this system opens: their base names, record lengths
// and index definitions (KeyDescriptor pairs), in the order the company files are opened.
// Every other program of the suite opens the same sets with the same values, so they are
// binding; OpenCompanyFiles (fileaccess/company_files.h) opens or creates each one with them.
//
// Contract that is easy to get wrong: the engine takes the pairs as one 200-byte block whose
// first 2 x key count bytes hold (key length, duplicates allowed) per index in index order and
// whose remaining bytes are zero; build it with KeyDescriptorBlock, never by hand.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace datafiles {

inline constexpr int kMaxSetKeys = 6;  // the widest set here (ARFILE02)

struct KeyDef {
  uint8_t length;
  uint8_t duplicates;  // 0 unique, 1 duplicates allowed
};

struct DataFileSetDef {
  std::string_view name;
  int32_t record_length;
  int key_count;
  std::array<KeyDef, kMaxSetKeys> keys;
};

inline constexpr uint8_t kUnique = 0;
inline constexpr uint8_t kDup = 1;

inline constexpr DataFileSetDef kArFile01{"ARFILE01", 1492, 2, {{{10, kUnique}, {30, kDup}}}};
inline constexpr DataFileSetDef kArFile02{
    "ARFILE02",
    301,
    6,
    {{{16, kUnique}, {27, kUnique}, {10, kUnique}, {10, kDup}, {26, kDup}, {17, kUnique}}}};
inline constexpr DataFileSetDef kArFile03{
    "ARFILE03", 73, 4, {{{10, kUnique}, {27, kUnique}, {11, kUnique}, {16, kUnique}}}};
inline constexpr DataFileSetDef kArFile04{
    "ARFILE04", 135, 5, {{{27, kDup}, {26, kDup}, {22, kDup}, {26, kDup}, {26, kDup}}}};
inline constexpr DataFileSetDef kArFile05{"ARFILE05", 86, 2, {{{10, kDup}, {16, kDup}}}};
inline constexpr DataFileSetDef kGlFile01{
    "GLFILE01", 1248, 3, {{{10, kUnique}, {11, kUnique}, {21, kUnique}}}};
inline constexpr DataFileSetDef kBiFile01{
    "BIFILE01", 532, 3, {{{10, kUnique}, {16, kUnique}, {17, kUnique}}}};

// All seven, in opening order (ARFILE01..05, GLFILE01, BIFILE01).
inline constexpr std::array<const DataFileSetDef*, 7> kCompanySets{
    &kArFile01, &kArFile02, &kArFile03, &kArFile04, &kArFile05, &kGlFile01, &kBiFile01};

std::array<uint8_t, 200> KeyDescriptorBlock(const DataFileSetDef& def);

}  // namespace datafiles
