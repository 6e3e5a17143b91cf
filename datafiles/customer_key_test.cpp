#include "datafiles/customer_key.h"

#include <gtest/gtest.h>

#include <string>

namespace datafiles {
namespace {

// Thai examples in code page 874 bytes.
const std::string kCharoen = "\xE0\xA8\xC3\xD4\xAD";         // เจริญ
const std::string kCharoenSorted = "\xA8\xE0\xC3\xD4\xAD";   // จเริญ
const std::string kKaeo = "\xE1\xA1\xE9\xC7";                // แก้ว
const std::string kThai = "\xE4\xB7\xC2";                    // ไทย
const std::string kChok = "\xE2\xAA\xA4";                    // โชค
const std::string kSaengThong = "\xE1\xCA\xA7\xB7\xCD\xA7";  // แสงทอง

TEST(SwapLeadingVowel, MovesFourOfTheFiveLeadingVowels) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {kCharoen, kCharoenSorted},
      {kKaeo, "\xA1\xE1\xE9\xC7"},  // กแ้ว
      {kThai, "\xB7\xE4\xC2"},      // ทไย
      {"\xE3\xA8", "\xA8\xE3"},     // ใ
      {kChok, kChok},               // โ stays
      {"\xE0", "\xE0"},             // one character stays
      {"", ""},
      {"ABC", "ABC"},
      {"A\xE0", "A\xE0"},  // only the first byte is examined
      {std::string(90, '\xE0'), std::string(80, '\xE0')},
  };
  for (const auto& c : cases) EXPECT_EQ(SwapLeadingVowel(c.in), c.out) << c.in;
}

TEST(NameSortKey, TreatsTheFirstSpaceAsTheSplit) {
  const std::string two_part = kCharoen + " \xE3\xA8\xB4\xD5 \xA8\xD3\xA1\xD1\xB4";
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {two_part, kCharoenSorted + "\xA8\xE3\xB4\xD5 \xA8\xD3\xA1\xD1\xB4"},
      {kSaengThong, "\xCA\xE1\xA7\xB7\xCD\xA7"},
      {" " + kCharoen, kCharoenSorted},  // empty first part
      {kCharoen + " ", kCharoenSorted},  // empty rest
      {"AB CD EF", "ABCD EF"},           // later spaces stay
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(NameSortKey(c.in), c.out) << c.in;
}

CustomerRecord WithCodeAndName(const std::string& code, const std::string& name) {
  CustomerRecord r;
  r.SetCode(code);
  r.SetName(name);
  return r;
}

TEST(CustomerKey, CodeKeyIsUnpaddedAndNameKeyIsAlwaysThirtyBytes) {
  EXPECT_EQ(CustomerKey(WithCodeAndName("AB", "ABC"), 1), "AB");
  EXPECT_EQ(CustomerKey(WithCodeAndName("AB", "ABC"), 2), "ABC" + std::string(27, ' '));
  EXPECT_EQ(CustomerKey(WithCodeAndName("0123456789", ""), 1), "0123456789");
  EXPECT_EQ(CustomerKey(WithCodeAndName("AB", "ABC"), 3), "");
  EXPECT_EQ(CustomerKey(WithCodeAndName("AB", "ABC"), 0), "");

  // 40 characters with a space at position 10: 39 remain, the key is their first 30.
  std::string forty = "ABCDEFGHI J" + std::string(29, 'z');
  ASSERT_EQ(forty.size(), 40u);
  EXPECT_EQ(CustomerKey(WithCodeAndName("X", forty), 2),
            ("ABCDEFGHIJ" + std::string(29, 'z')).substr(0, 30));

  for (const std::string& name : {std::string(), std::string("A"), std::string(50, 'n'),
                                  std::string(70, 'n'), kCharoen, std::string(" ")}) {
    EXPECT_EQ(CustomerKey(WithCodeAndName("C", name), 2).size(), 30u) << name;
  }
  EXPECT_EQ(CustomerKey(WithCodeAndName("C", kChok), 2), kChok + std::string(27, ' '));
}

TEST(CustomerKey, DamagedCodeLengthIsCutToTenBytes) {
  CustomerRecord r = WithCodeAndName("ABCDEFGHIJ", "N");
  r.data()[kCode.offset] = 255;
  EXPECT_EQ(CustomerKey(r, 1), "ABCDEFGHIJ");
}

}  // namespace
}  // namespace datafiles
