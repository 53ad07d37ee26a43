#include "line/core/LogText.h"

#include <algorithm>
#include <cstdio>

namespace line {

std::string LogText(std::string_view text, size_t most) {
  std::string out;
  out.reserve(std::min(text.size(), most) + 16);
  auto escape = [&out](unsigned value) {
    char code[8];
    std::snprintf(code, sizeof code, "\\x%02x", value);
    out += code;
  };
  for (size_t i = 0; i < text.size() && i < most; ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
    if (byte == '\\') {
      out += "\\\\";
    } else if (byte < 0x20 || byte == 0x7F) {
      escape(byte);
    } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {  // a C1 control in UTF-8
      escape(next);
      ++i;
    } else {
      out += static_cast<char>(byte);
    }
  }
  if (text.size() > most) {
    out += "...";
  }
  return out;
}

}  // namespace line
