#include "WideText.h"

#include <windows.h>

namespace admit {

std::string ToUtf8(std::wstring_view text) {
  if (text.empty() || text.size() > 0x1000000) {
    return std::string();
  }
  const int size = static_cast<int>(text.size());
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), length, nullptr, nullptr);
  }
  return utf8;
}

std::wstring FromUtf8(std::string_view text) {
  if (text.empty() || text.size() > 0x1000000) {
    return std::wstring();
  }
  const int size = static_cast<int>(text.size());
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  }
  return wide;
}

}  // namespace admit
