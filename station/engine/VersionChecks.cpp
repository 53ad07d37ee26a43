// Modem and application-processor software versions: the configured text must occur in the
// phone's text (the modem case-sensitively, the AP ignoring case).
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "devices/dutlink.h"
#include "station/engine/CheckContext.h"
#include "station/engine/Checks.h"
#include "station/engine/Reporting.h"
#include "station/engine/core/VersionText.h"

namespace {

constexpr int32_t kModemBufferSize = 300;
constexpr int32_t kApBufferSize = 4096;
// Phone texts are shown from a 1024-character buffer; a longer AP text is cut to fit.
constexpr int kDisplayChars = 1024;
constexpr uint32_t kApVersionDelayMs = 8000;

// A configured version text, terminated within its capacity.
std::wstring Expected(const wchar_t (&field)[500]) {
  return std::wstring(field, wcsnlen(field, std::size(field) - 1));
}

std::wstring ToDisplay(const char* ansi) {
  std::vector<wchar_t> wide(kDisplayChars, L'\0');
  AnsiToWide(ansi, wide.data(), kDisplayChars);
  return std::wstring(wide.data());
}

void FailRead(CheckContext& context, int32_t code) {
  // Both checks report a failed read under the modem call's name.
  wchar_t detail[96] = {};
  std::swprintf(detail, std::size(detail), L"KV_GetMsVersion failed, Error Code: %d", code);
  ReportFailureDetail(context, detail);
}

}  // namespace

int32_t CheckModemVersion(CheckContext& context) {
  if (context.settings.checkModemVersion == 0) {
    return 1;
  }
  BeginRow(context, L"Modem Version");
  const std::wstring expected = Expected(context.settings.modemVersion);
  AppendLog(context, "Modem Version,");
  AppendLogWide(context, expected.c_str());
  AppendLog(context, ",");

  char buffer[kModemBufferSize + 1] = {};
  const int32_t result = KV_GetMsVersion(context.phone, buffer, kModemBufferSize);
  buffer[kModemBufferSize] = '\0';
  bool passed = false;
  if (result != 0) {
    FailRead(context, result);
  } else {
    // Markers are broken out before the search, so an expected text spanning one never matches.
    const std::wstring shown = BreakAtModemMarkers(ToDisplay(buffer));
    passed = shown.find(expected) != std::wstring::npos;
    ReportDetailF(context, passed ? kColorPass : kColorFail, L"Mobile Version: %ls", shown.c_str());
    AppendLog(context, passed ? "PASS," : "FAIL,");
    AppendLogWide(context, VersionForLog(shown).c_str());
    AppendLog(context, "\n");
  }
  ReportResult(context, passed);
  return passed ? 1 : 0;
}

int32_t CheckApVersion(CheckContext& context) {
  if (context.settings.checkApVersion == 0) {
    return 1;
  }
  // The application processor answers only some seconds after the modem.
  Wait(context, kApVersionDelayMs);
  BeginRow(context, L"AP Version");
  const std::wstring expected = Expected(context.settings.apVersion);
  AppendLog(context, "AP Version,");
  AppendLogWide(context, expected.c_str());
  AppendLog(context, ",");

  std::vector<char> buffer(kApBufferSize + 1, '\0');
  const int32_t result = KV_GetAPVersion(context.phone, buffer.data(), kApBufferSize);
  buffer[kApBufferSize] = '\0';
  bool passed = false;
  if (result != 0) {
    FailRead(context, result);
  } else {
    const std::wstring version = ToDisplay(buffer.data());
    passed = ContainsIgnoringCase(version, expected);
    std::vector<wchar_t> detail(kDisplayChars + 16, L'\0');
    std::swprintf(detail.data(), detail.size(), L"AP Version: %ls", version.c_str());
    detail.back() = L'\0';
    ReportDetail(context, detail.data(), passed ? kColorPass : kColorFail);
    if (passed) {
      // The reading runs straight into the verdict field, as the line's readers expect.
      AppendLogWide(context, version.c_str());
    }
    AppendLog(context, passed ? "PASS," : "FAIL,");
    AppendLogWide(context, detail.data());
    AppendLog(context, "\n");
  }
  ReportResult(context, passed);
  return passed ? 1 : 0;
}
