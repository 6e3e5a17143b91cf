#include "datafiles/file_sets.h"

namespace datafiles {

std::array<uint8_t, 200> KeyDescriptorBlock(const DataFileSetDef& def) {
  std::array<uint8_t, 200> block{};
  for (int k = 0; k < def.key_count && k < kMaxSetKeys; ++k) {
    block[2 * k] = def.keys[k].length;
    block[2 * k + 1] = def.keys[k].duplicates;
  }
  return block;
}

}  // namespace datafiles
