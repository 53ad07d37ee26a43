#include "AnsiText.h"

#ifdef _WIN32
#include <windows.h>

std::wstring GbkToWide(std::string_view gbk) {
  const int length = static_cast<int>(gbk.size());
  const int needed = MultiByteToWideChar(936, 0, gbk.data(), length, nullptr, 0);
  std::wstring wide(needed > 0 ? static_cast<size_t>(needed) : 0, L'\0');
  if (needed > 0) {
    MultiByteToWideChar(936, 0, gbk.data(), length, wide.data(), needed);
  }
  return wide;
}
#else
#include <iconv.h>

std::wstring GbkToWide(std::string_view gbk) {
  iconv_t converter = iconv_open("WCHAR_T", "GBK");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    return L"<no GBK converter>";
  }
  std::string in(gbk);
  std::wstring out(in.size() + 1, L'\0');
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char* outPtr = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size() * sizeof(wchar_t);
  const size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(converter);
  if (result == static_cast<size_t>(-1)) {
    return L"<invalid GBK>";
  }
  out.resize(out.size() - outLeft / sizeof(wchar_t));
  return out;
}
#endif
