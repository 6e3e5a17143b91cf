// Little-endian readers and writers for the integers stored in the engine's files. Every
// on-disk integer of the data, index and coordination files goes through these helpers; no
// structure is ever cast onto file bytes.
//
// Contract that is easy to get wrong: the caller guarantees that `off + width` lies inside the
// buffer; the helpers do no bounds checking of their own.
#pragma once

#include <cstdint>

namespace isam {

inline uint16_t GetU16(const uint8_t* b, int off) {
  return static_cast<uint16_t>(b[off] | (b[off + 1] << 8));
}
inline int32_t GetI32(const uint8_t* b, int off) {
  uint32_t v = static_cast<uint32_t>(b[off]) | (static_cast<uint32_t>(b[off + 1]) << 8) |
               (static_cast<uint32_t>(b[off + 2]) << 16) |
               (static_cast<uint32_t>(b[off + 3]) << 24);
  return static_cast<int32_t>(v);
}
inline void PutU16(uint8_t* b, int off, uint16_t v) {
  b[off] = static_cast<uint8_t>(v);
  b[off + 1] = static_cast<uint8_t>(v >> 8);
}
inline void PutI32(uint8_t* b, int off, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  b[off] = static_cast<uint8_t>(u);
  b[off + 1] = static_cast<uint8_t>(u >> 8);
  b[off + 2] = static_cast<uint8_t>(u >> 16);
  b[off + 3] = static_cast<uint8_t>(u >> 24);
}

}  // namespace isam
