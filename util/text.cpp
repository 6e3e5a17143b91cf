#include "util/text.h"

namespace util {

std::string UpperCaseAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string RepeatChar(char ch, int count) {
  if (count <= 0) return std::string();
  return std::string(static_cast<size_t>(count), ch);
}

std::string FitToWidth(std::string_view text, int width) {
  if (width <= 0) return std::string();
  const size_t w = static_cast<size_t>(width);
  if (w < text.size()) return std::string(text.substr(0, w));
  std::string out(text);
  out.append(w - text.size(), ' ');
  return out;
}

}  // namespace util
