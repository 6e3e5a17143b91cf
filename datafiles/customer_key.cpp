#include "datafiles/customer_key.h"

#include <algorithm>

namespace datafiles {

namespace {

std::string_view Cut(std::string_view text, size_t limit) {
  return text.substr(0, std::min(text.size(), limit));
}

// Thai leading vowel signs that are stored before their consonant and moved behind it; the
// sign 0xE2 is deliberately not among them.
bool IsMovedLeadingVowel(unsigned char c) {
  return c == 0xE0 || c == 0xE1 || c == 0xE3 || c == 0xE4;
}

}  // namespace

std::string SwapLeadingVowel(std::string_view text) {
  std::string out(Cut(text, kSortTextLimit));
  if (out.size() >= 2 && IsMovedLeadingVowel(static_cast<unsigned char>(out[0]))) {
    std::swap(out[0], out[1]);
  }
  return out;
}

std::string NameSortKey(std::string_view name) {
  const std::string_view cut = Cut(name, kSortTextLimit);
  const size_t space = cut.find(' ');
  std::string_view first;
  std::string_view rest = cut;
  if (space != std::string_view::npos) {
    first = cut.substr(0, space);
    rest = cut.substr(space + 1);
  }
  std::string joined = SwapLeadingVowel(first) + SwapLeadingVowel(rest);
  if (joined.size() > kSortTextLimit) joined.resize(kSortTextLimit);
  return joined;
}

std::string CustomerKey(const void* record, int key_number) {
  const auto* bytes = static_cast<const uint8_t*>(record);
  switch (key_number) {
    case 1:
      return std::string(Cut(ReadStringField(bytes, kCode), kCustomerCodeKeyLength));
    case 2: {
      std::string key = NameSortKey(ReadStringField(bytes, kName));
      key.resize(kCustomerNameKeyLength, ' ');
      return key;
    }
    default:
      return std::string();
  }
}

}  // namespace datafiles
