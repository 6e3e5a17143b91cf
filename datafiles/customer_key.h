// The key builder of the customer master file ARFILE01 and the Thai name sort key behind its
// second index. AddWithKeys (fileaccess/access.h) calls CustomerKey for key numbers 1 and 2
// when a customer is added, and again for the keys already inserted when an add is undone, so
// the result must depend on the record bytes alone.
//
// Contract that is easy to get wrong:
//  * Key 1 is the code as stored, at most 10 bytes and never padded (code "AB" gives a 2-byte
//    key). Key 2 is NameSortKey(name) padded with spaces, or cut, to exactly 30 bytes. Any
//    other key number gives the empty key.
//  * NameSortKey drops the first space only and examines only the first byte of each of the
//    two parts; SwapLeadingVowel moves เ แ ใ ไ (0xE0 0xE1 0xE3 0xE4) behind the next byte but
//    leaves โ (0xE2) where it is. Both work on code page 874 bytes and cut to 80 bytes.
#pragma once

#include <string>
#include <string_view>

#include "datafiles/customer_record.h"

namespace datafiles {

inline constexpr int kCustomerCodeKeyLength = 10;
inline constexpr int kCustomerNameKeyLength = 30;
inline constexpr int kSortTextLimit = 80;

std::string SwapLeadingVowel(std::string_view text);
std::string NameSortKey(std::string_view name);

// `record` points at CustomerRecord::kLength bytes.
std::string CustomerKey(const void* record, int key_number);
inline std::string CustomerKey(const CustomerRecord& record, int key_number) {
  return CustomerKey(record.data(), key_number);
}

}  // namespace datafiles
