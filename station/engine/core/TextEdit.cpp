#include "station/engine/core/TextEdit.h"

std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to) {
  std::wstring out;
  if (from.empty()) {
    return std::wstring(text);
  }
  out.reserve(text.size());
  size_t start = 0;
  for (size_t hit = text.find(from); hit != std::wstring_view::npos; hit = text.find(from, start)) {
    out.append(text.substr(start, hit - start));
    out.append(to);
    start = hit + from.size();
  }
  out.append(text.substr(start));
  return out;
}

bool Contains(std::wstring_view text, std::wstring_view needle) {
  return text.find(needle) != std::wstring_view::npos;
}
