#include "station/controls/core/CellText.h"

namespace controls {

std::wstring SingleLineText(std::wstring_view text) {
  std::wstring line;
  line.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r' || c == L'\n') {
      line += L' ';
      if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
        ++i;
      }
    } else {
      line += c;
    }
  }
  return line;
}

}  // namespace controls
