// The customer master record of ARFILE01: one fixed block of 1492 bytes, laid out exactly as
// the other programs of the suite read it. The import builds one record per new customer and
// hands `data()` to the access layer (AddWithKeys); the key builder (customer_key.h) reads the
// code and the name back out of the same bytes.
//
// Contract that is easy to get wrong:
//  * A record starts all zero and fields are written one by one, so every byte that no field
//    covers, and every byte after the last character of a string field, stays zero. Setters
//    never touch a byte outside their own field.
//  * string[N]: a length byte (0..N) and then the characters; text longer than N is cut by
//    bytes (a Thai character and its following mark may be split). A date6 is a string[6].
//  * byte and int16 store the low 8 or 16 bits of the value given; real80 is the 10-byte
//    extended form written by util's encoder; all numbers little-endian.
//  * SetName fills both `Name` (first 50 bytes) and `NameOverflow` (bytes 51..70); whatever
//    lies beyond 70 bytes is dropped. SetString(kName, ...) alone would leave the overflow as
//    it was.
//  * Upper-casing the code is the import's business (FillCustomerRecord); SetCode only cuts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace datafiles {

struct StringField {
  int offset;
  int max_length;  // N of string[N]; the field takes N + 1 bytes
};
struct ByteField {
  int offset;
};
struct Int16Field {
  int offset;
};
struct Real80Field {
  int offset;
};

// The layout, in offset order.
inline constexpr int kEngineReservedOffset = 0;  // 4 bytes, the engine's free-slot link
inline constexpr StringField kCode{4, 10};
inline constexpr StringField kName{15, 50};
inline constexpr StringField kText2{66, 50};
inline constexpr StringField kText3{117, 50};
inline constexpr StringField kText4{168, 50};
inline constexpr StringField kText8{219, 20};
inline constexpr StringField kText5{240, 50};
inline constexpr StringField kCode13{291, 10};
inline constexpr ByteField kDebtorType{302};
inline constexpr Int16Field kNumber11{303};
inline constexpr ByteField kBilling1{305};
inline constexpr ByteField kByte16{306};
inline constexpr ByteField kByte17{307};
inline constexpr StringField kLetter14{308, 1};
inline constexpr Real80Field kValue12{321};
inline constexpr StringField kDate18{331, 6};
inline constexpr StringField kDate19{338, 6};
inline constexpr StringField kDate10{1392, 6};
inline constexpr StringField kText6{1402, 50};
inline constexpr StringField kNameOverflow{1453, 20};
inline constexpr Int16Field kNumber9{1474};

// The name is stored over two fields: the first 50 bytes and the next 20.
inline constexpr int kStoredNameLength = 70;

class CustomerRecord {
 public:
  static constexpr int kLength = 1492;
  static constexpr int kReal80Bytes = 10;

  CustomerRecord() { bytes_.fill(0); }

  // Back to all zero.
  void Clear() { bytes_.fill(0); }

  const uint8_t* data() const { return bytes_.data(); }
  uint8_t* data() { return bytes_.data(); }
  const std::array<uint8_t, kLength>& bytes() const { return bytes_; }

  // Field writers.
  void Set(StringField f, std::string_view text);
  void Set(ByteField f, int64_t value);   // low 8 bits
  void Set(Int16Field f, int64_t value);  // low 16 bits
  void Set(Real80Field f, double value);
  void SetRaw(Real80Field f, const uint8_t (&encoded)[kReal80Bytes]);

  // Named conveniences for the fields with a fixed meaning.
  void SetCode(std::string_view code) { Set(kCode, code); }
  void SetName(std::string_view name);  // Name and NameOverflow together

  // Field readers (a length byte above the field's N reads as N).
  std::string Get(StringField f) const;
  uint8_t Get(ByteField f) const;
  int16_t Get(Int16Field f) const;
  std::string Code() const { return Get(kCode); }
  std::string Name() const { return Get(kName); }

 private:
  std::array<uint8_t, kLength> bytes_;
};

// Reads a string[N] field out of any record buffer of at least offset + N + 1 bytes; a length
// byte above N reads as N, so a damaged record never reads past its field.
std::string ReadStringField(const uint8_t* record, StringField f);

}  // namespace datafiles
