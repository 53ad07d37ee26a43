#include "station/engine/core/IdentityMatch.h"

namespace {

wchar_t At(std::wstring_view text, size_t index) {
  return index < text.size() ? text[index] : L'\0';
}

constexpr std::wstring_view kPlaceholderAddresses[] = {L"000000000000", L"111111111111",
                                                       L"FFFFFFFFFFFF", L"ffffffffffff"};

}  // namespace

bool PrefixMatches(std::wstring_view expected, std::wstring_view read, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (At(expected, i) != At(read, i)) {
      return false;
    }
  }
  return true;
}

bool AddressMatches(std::wstring_view read, std::wstring_view expected, bool firstFew) {
  if (firstFew) {
    return read.find(expected) != std::wstring_view::npos;
  }
  for (std::wstring_view placeholder : kPlaceholderAddresses) {
    if (read == placeholder) {
      return false;
    }
  }
  return read == expected;
}
