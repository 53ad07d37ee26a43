#include "station/engine/core/VersionText.h"

#include <cwctype>

#include "station/engine/core/TextEdit.h"

namespace {

constexpr std::wstring_view kModemMarkers[] = {L"Plat", L"Project", L"BASE", L"HW "};

std::wstring UpperCase(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) {
    c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
  }
  return out;
}

}  // namespace

std::wstring BreakAtModemMarkers(std::wstring_view text) {
  std::wstring out(text);
  for (std::wstring_view marker : kModemMarkers) {
    size_t at = out.find(marker);
    out.insert(at == std::wstring::npos ? 0 : at, L"\r\n");
  }
  return out;
}

std::wstring VersionForLog(std::wstring_view text) {
  return ReplaceAll(ReplaceAll(text, L"\r\n", L" "), L"\n", L" ");
}

bool ContainsIgnoringCase(std::wstring_view text, std::wstring_view needle) {
  return UpperCase(text).find(UpperCase(needle)) != std::wstring::npos;
}
