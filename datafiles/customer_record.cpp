#include "datafiles/customer_record.h"

#include <algorithm>
#include <cstring>

#include "util/real80.h"

namespace datafiles {

static_assert(util::kReal80Size == CustomerRecord::kReal80Bytes);

namespace {

void WriteStringField(uint8_t* record, StringField f, std::string_view text) {
  const size_t len = std::min(text.size(), static_cast<size_t>(f.max_length));
  uint8_t* field = record + f.offset;
  std::memset(field, 0, static_cast<size_t>(f.max_length) + 1);
  field[0] = static_cast<uint8_t>(len);
  if (len > 0) std::memcpy(field + 1, text.data(), len);
}

}  // namespace

std::string ReadStringField(const uint8_t* record, StringField f) {
  const uint8_t* field = record + f.offset;
  const size_t len = std::min<size_t>(field[0], static_cast<size_t>(f.max_length));
  return std::string(reinterpret_cast<const char*>(field + 1), len);
}

void CustomerRecord::Set(StringField f, std::string_view text) {
  WriteStringField(bytes_.data(), f, text);
}

void CustomerRecord::Set(ByteField f, int64_t value) {
  bytes_[f.offset] = static_cast<uint8_t>(static_cast<uint64_t>(value) & 0xFF);
}

void CustomerRecord::Set(Int16Field f, int64_t value) {
  const uint64_t v = static_cast<uint64_t>(value);
  bytes_[f.offset] = static_cast<uint8_t>(v & 0xFF);
  bytes_[f.offset + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}

void CustomerRecord::Set(Real80Field f, double value) {
  util::EncodeReal80(value, bytes_.data() + f.offset);
}

void CustomerRecord::SetRaw(Real80Field f, const uint8_t (&encoded)[kReal80Bytes]) {
  std::memcpy(bytes_.data() + f.offset, encoded, kReal80Bytes);
}

void CustomerRecord::SetName(std::string_view name) {
  const std::string_view stored = name.substr(0, std::min<size_t>(name.size(), kStoredNameLength));
  const size_t first = std::min<size_t>(stored.size(), kName.max_length);
  Set(kName, stored.substr(0, first));
  Set(kNameOverflow, stored.substr(first));
}

std::string CustomerRecord::Get(StringField f) const { return ReadStringField(bytes_.data(), f); }

uint8_t CustomerRecord::Get(ByteField f) const { return bytes_[f.offset]; }

int16_t CustomerRecord::Get(Int16Field f) const {
  return static_cast<int16_t>(static_cast<uint16_t>(bytes_[f.offset]) |
                              static_cast<uint16_t>(bytes_[f.offset + 1] << 8));
}

}  // namespace datafiles
