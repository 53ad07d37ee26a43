#include "station/ui/core/NumberText.h"

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <limits>

namespace ui {
namespace {

std::wstring_view Trim(std::wstring_view text) {
  while (!text.empty() && std::iswspace(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::iswspace(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

bool ParseIntText(std::wstring_view text, int32_t& value) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
    negative = text.front() == L'-';
    text.remove_prefix(1);
  }
  if (text.empty()) {
    return false;
  }
  int64_t magnitude = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') {
      return false;
    }
    magnitude = magnitude * 10 + (c - L'0');
    if (magnitude > int64_t{std::numeric_limits<int32_t>::max()} + 1) {
      return false;
    }
  }
  int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue > std::numeric_limits<int32_t>::max()) {
    return false;
  }
  value = static_cast<int32_t>(signedValue);
  return true;
}

bool ParseRealText(std::wstring_view text, double& value) {
  text = Trim(text);
  if (text.empty()) {
    return false;
  }
  std::wstring copy(text);
  wchar_t* end = nullptr;
  errno = 0;
  double parsed = std::wcstod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || errno == ERANGE) {
    return false;
  }
  value = parsed;
  return true;
}

std::wstring FormatFloatText(float value) {
  wchar_t text[64];
  std::swprintf(text, std::size(text), L"%.*g", std::numeric_limits<float>::digits10,
                static_cast<double>(value));
  return text;
}

std::wstring FormatDoubleText(double value) {
  wchar_t text[64];
  std::swprintf(text, std::size(text), L"%.*g", std::numeric_limits<double>::digits10, value);
  return text;
}

std::wstring FillPlaceholders(std::wstring_view pattern, std::wstring_view first,
                              std::wstring_view second) {
  std::wstring result;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == L'%' && i + 1 < pattern.size() &&
        (pattern[i + 1] == L'1' || pattern[i + 1] == L'2')) {
      result += pattern[i + 1] == L'1' ? first : second;
      ++i;
    } else {
      result += pattern[i];
    }
  }
  return result;
}

}  // namespace ui
