#include "util/display_text.h"

#include "platform/cp874.h"

namespace util {

std::string ToDisplay(std::string_view cp874) { return platform::Cp874ToUtf8(cp874); }

std::string FromDisplay(std::string_view utf8, bool* lossless) {
  return platform::Utf8ToCp874(utf8, lossless);
}

}  // namespace util
