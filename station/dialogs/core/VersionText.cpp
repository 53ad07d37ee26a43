#include "station/dialogs/core/VersionText.h"

#include <climits>
#include <cwchar>

namespace {

bool IsWhiteSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

bool IsHighSurrogate(wchar_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}

// Digits at the start of `text`; saturates instead of overflowing.
int32_t LeadingNumber(std::wstring_view text) {
  int64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') {
      break;
    }
    value = value * 10 + (c - L'0');
    if (value > INT32_MAX) {
      return INT32_MAX;
    }
  }
  return static_cast<int32_t>(value);
}

std::wstring PaddedNumber(int32_t value, int digits) {
  wchar_t text[16];
  std::swprintf(text, std::size(text), L"%0*d", digits, value);
  return text;
}

}  // namespace

ProductVersionParts SplitProductVersion(std::wstring_view productVersion) {
  std::wstring cleaned;
  cleaned.reserve(productVersion.size());
  for (wchar_t c : productVersion) {
    if (c == L' ') {
      continue;
    }
    cleaned.push_back(c == L',' ? L'.' : c);
  }
  ProductVersionParts parts;
  size_t stop = cleaned.rfind(L'.');
  if (stop == std::wstring::npos) {
    parts.build = LeadingNumber(cleaned);
  } else {
    parts.head = cleaned.substr(0, stop);
    parts.build = LeadingNumber(std::wstring_view(cleaned).substr(stop + 1));
  }
  return parts;
}

std::wstring TrimWhiteSpace(std::wstring_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsWhiteSpace(text[begin])) {
    ++begin;
  }
  while (end > begin && IsWhiteSpace(text[end - 1])) {
    --end;
  }
  return std::wstring(text.substr(begin, end - begin));
}

size_t FormatVersionStamp(std::wstring_view productVersion, std::wstring_view specialBuild,
                          wchar_t* stamp, size_t stampChars) {
  if (stamp == nullptr || stampChars == 0) {
    return 0;
  }
  ProductVersionParts parts = SplitProductVersion(productVersion);
  std::wstring text = parts.head + PaddedNumber(parts.build, 3);
  std::wstring special = TrimWhiteSpace(specialBuild);
  if (!special.empty()) {
    text += L"_P";
    text += special;
  }
  size_t length = text.size() < stampChars - 1 ? text.size() : stampChars - 1;
  if (length < text.size() && length > 0 && IsHighSurrogate(text[length - 1])) {
    --length;
  }
  std::wmemcpy(stamp, text.data(), length);
  stamp[length] = L'\0';
  return length;
}

std::wstring FormatWindowTitle(std::wstring_view stamp) {
  std::wstring title = L"Varnex (";
  title += stamp;
  title += L")";
  return title;
}

std::wstring FormatAboutBuild(int32_t build) {
  return PaddedNumber(build, 2);
}

std::wstring FormatAboutVersionLine(std::wstring_view head, std::wstring_view buildText,
                                    std::wstring_view specialBuild) {
  std::wstring line = L"Version:        ";
  line += head;
  line += buildText;
  if (!specialBuild.empty()) {
    line += L"_P";
    line += specialBuild;
  }
  return line;
}
