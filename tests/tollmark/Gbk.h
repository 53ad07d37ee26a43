// Test helper: GBK bytes to UTF-8 through the C library's converter, so Chinese texts are
// checked against texts written in this source's own encoding.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>

inline std::string GbkToUtf8(const std::string& gbk) {
  if (gbk.empty()) {
    return gbk;
  }
  wchar_t wide[512];
  const int wideCount = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data(),
                                            static_cast<int>(gbk.size()), wide, 512);
  if (wideCount <= 0) {
    return "<invalid GBK>";
  }
  char utf8[1536];
  const int count =
      WideCharToMultiByte(CP_UTF8, 0, wide, wideCount, utf8, sizeof(utf8), nullptr, nullptr);
  return std::string(utf8, count > 0 ? static_cast<size_t>(count) : 0);
}
#else
#include <iconv.h>

inline std::string GbkToUtf8(const std::string& gbk) {
  iconv_t converter = iconv_open("UTF-8", "GBK");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    return "<no GBK converter>";
  }
  std::string in = gbk;
  std::string out(in.size() * 3 + 4, '\0');
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  const size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(converter);
  if (result == static_cast<size_t>(-1)) {
    return "<invalid GBK>";
  }
  out.resize(out.size() - outLeft);
  return out;
}
#endif
