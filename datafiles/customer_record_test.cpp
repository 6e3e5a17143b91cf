#include "datafiles/customer_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace datafiles {
namespace {

// Byte ranges no field covers (besides the engine's 4 bytes at the start).
struct Range {
  int first;
  int last;
};
constexpr Range kUnwritten[] = {{0, 3}, {310, 320}, {345, 1391}, {1399, 1401}, {1476, 1491}};

TEST(CustomerRecord, FieldsNeverSpillIntoTheUnwrittenRanges) {
  CustomerRecord r;
  const std::string full(100, '\xFF');
  for (StringField f : {kCode, kName, kText2, kText3, kText4, kText8, kText5, kCode13, kLetter14,
                        kDate18, kDate19, kDate10, kText6, kNameOverflow}) {
    r.Set(f, full);
  }
  for (ByteField f : {kDebtorType, kBilling1, kByte16, kByte17}) r.Set(f, -1);
  for (Int16Field f : {kNumber11, kNumber9}) r.Set(f, -1);
  const uint8_t all_ones[10] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  r.SetRaw(kValue12, all_ones);

  int written = 0;
  for (int i = 0; i < CustomerRecord::kLength; ++i) {
    bool unwritten = false;
    for (const Range& u : kUnwritten) unwritten |= i >= u.first && i <= u.last;
    if (unwritten) {
      EXPECT_EQ(r.data()[i], 0) << "offset " << i;
    } else if (r.data()[i] != 0) {
      ++written;
    }
  }
  // Every byte of every field is now non-zero: the fields cover all the other bytes.
  int unwritten_bytes = 0;
  for (const Range& u : kUnwritten) unwritten_bytes += u.last - u.first + 1;
  EXPECT_EQ(written, CustomerRecord::kLength - unwritten_bytes);
}

TEST(CustomerRecord, StringFieldsCutAndZeroTheirTail) {
  CustomerRecord r;
  r.Set(kText2, std::string(60, 'x'));
  EXPECT_EQ(r.data()[kText2.offset], 50);
  EXPECT_EQ(r.Get(kText2), std::string(50, 'x'));
  r.Set(kText2, "ab");
  EXPECT_EQ(r.Get(kText2), "ab");
  for (int i = kText2.offset + 3; i <= kText2.offset + 50; ++i) EXPECT_EQ(r.data()[i], 0) << i;
  EXPECT_EQ(r.data()[kText3.offset], 0);  // the next field is untouched
}

TEST(CustomerRecord, NameOverflowAtFiftyAndSeventy) {
  const struct {
    size_t length;
    size_t in_name;
    size_t in_overflow;
  } cases[] = {{0, 0, 0}, {49, 49, 0}, {50, 50, 0}, {51, 50, 1}, {70, 50, 20}, {80, 50, 20}};
  for (const auto& c : cases) {
    std::string name;
    for (size_t i = 0; i < c.length; ++i) name += static_cast<char>('A' + i % 26);
    CustomerRecord r;
    r.SetName(name);
    EXPECT_EQ(r.Name(), name.substr(0, c.in_name)) << c.length;
    EXPECT_EQ(r.Get(kNameOverflow), name.substr(c.in_name, c.in_overflow)) << c.length;
    EXPECT_EQ(r.data()[kNameOverflow.offset], c.in_overflow) << c.length;
  }
}

TEST(CustomerRecord, NumbersKeepTheirLowBitsLittleEndian) {
  const struct {
    int64_t value;
    uint8_t byte;
    uint8_t lo;
    uint8_t hi;
  } cases[] = {{0, 0, 0, 0},        {1, 1, 1, 0},          {257, 1, 1, 1},
               {-1, 255, 255, 255}, {70000, 112, 112, 17}, {-32768, 0, 0, 128}};
  for (const auto& c : cases) {
    CustomerRecord r;
    r.Set(kDebtorType, c.value);
    r.Set(kNumber9, c.value);
    EXPECT_EQ(r.data()[kDebtorType.offset], c.byte) << c.value;
    EXPECT_EQ(r.data()[kNumber9.offset], c.lo) << c.value;
    EXPECT_EQ(r.data()[kNumber9.offset + 1], c.hi) << c.value;
    EXPECT_EQ(r.Get(kNumber9), static_cast<int16_t>(c.value)) << c.value;
  }
}

TEST(CustomerRecord, Value12IsTheTenByteExtendedForm) {
  CustomerRecord r;
  r.Set(kValue12, 7.0);
  const std::vector<uint8_t> expected = {0, 0, 0, 0, 0, 0, 0, 0xE0, 0x01, 0x40};
  EXPECT_EQ(std::vector<uint8_t>(r.data() + 321, r.data() + 331), expected);
  EXPECT_EQ(r.data()[331], 0);  // Date18 untouched
  r.Set(kValue12, 0.0);
  EXPECT_EQ(std::vector<uint8_t>(r.data() + 321, r.data() + 331), std::vector<uint8_t>(10, 0));
}

TEST(CustomerRecord, DamagedLengthByteReadsOnlyItsField) {
  CustomerRecord r;
  r.Set(kText2, "tail");
  r.data()[kName.offset] = 200;  // longer than string[50]
  EXPECT_EQ(r.Name().size(), 50u);
}

}  // namespace
}  // namespace datafiles
