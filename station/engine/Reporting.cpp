#include "station/engine/Reporting.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <string_view>
#include <vector>

#include <windows.h>

#include "station/engine/CheckContext.h"
#include "station/engine/LogFiles.h"

namespace {

constexpr size_t kDetailChars = sizeof(RowReport::text) / sizeof(wchar_t);

std::wstring_view RowName(const RowReport& report) {
  return std::wstring_view(report.itemName, wcsnlen(report.itemName, std::size(report.itemName)));
}

// The window shows the report; the run's capture keeps it for the record.
void SendRow(CheckContext& context) {
  const RowReport& report = context.rowReport;
  context.capture.Cell(RowName(report), report.column,
                       std::wstring_view(report.text, wcsnlen(report.text, kDetailChars)));
  SendMessageW(context.window, kRowReportMessage, 0, reinterpret_cast<LPARAM>(&context.rowReport));
}

// Copies a wide text into a fixed buffer, cut so that a surrogate pair is never split.
void CopyWide(wchar_t* out, size_t outChars, const wchar_t* text) {
  if (outChars == 0) {
    return;
  }
  size_t length = text != nullptr ? wcsnlen(text, outChars) : 0;
  if (length >= outChars) {
    length = outChars - 1;
    if (length > 0 && IS_HIGH_SURROGATE(text[length - 1])) {
      --length;
    }
  }
  if (length > 0) {
    std::memcpy(out, text, length * sizeof(wchar_t));
  }
  out[length] = L'\0';
}

// Appends up to the buffer's end; the tail that does not fit is dropped and a double-byte
// character is never split, so the log stays readable in the ANSI code page.
void AppendBounded(char* buffer, size_t size, const char* text) {
  if (text == nullptr || size == 0) {
    return;
  }
  size_t used = strnlen(buffer, size);
  if (used >= size) {
    buffer[size - 1] = '\0';
    return;
  }
  size_t room = size - 1 - used;
  size_t length = std::strlen(text);
  if (length > room) {
    size_t cut = 0;
    while (cut < room) {
      size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[cut])) ? 2 : 1;
      if (cut + step > room) {
        break;
      }
      cut += step;
    }
    length = cut;
  }
  std::memcpy(buffer + used, text, length);
  buffer[used + length] = '\0';
}

}  // namespace

void BeginRow(CheckContext& context, const wchar_t* itemName) {
  std::memset(&context.rowReport, 0, sizeof(context.rowReport));
  CopyWide(context.rowReport.itemName, std::size(context.rowReport.itemName), itemName);
}

void ReportDetail(CheckContext& context, const wchar_t* text, uint32_t color) {
  context.rowReport.column = kColumnDetail;
  CopyWide(context.rowReport.text, std::size(context.rowReport.text), text);
  context.rowReport.color = color;
  SendRow(context);
}

void ReportDetailF(CheckContext& context, uint32_t color, const wchar_t* format, ...) {
  wchar_t text[kDetailChars] = {};
  va_list args;
  va_start(args, format);
  std::vswprintf(text, std::size(text), format, args);
  va_end(args);
  text[std::size(text) - 1] = L'\0';
  ReportDetail(context, text, color);
}

void ReportResult(CheckContext& context, bool passed) {
  context.rowReport.column = kColumnResult;
  std::wcscpy(context.rowReport.text, passed ? L"PASS" : L"FAIL");  // fits: 4096 characters
  context.rowReport.color = passed ? kColorPass : kColorFail;
  SendRow(context);
}

void ReportMeasurement(CheckContext& context, double value, double low, double high,
                       const char* unit) {
  context.capture.Measured(RowName(context.rowReport), Measurement{value, low, high, unit});
}

void ReportFailureDetail(CheckContext& context, const wchar_t* detail) {
  ReportDetail(context, detail, kColorFail);
  AppendLog(context, "FAIL,");
  AppendLogWide(context, detail);
  AppendLog(context, "\n");
}

void AppendLog(CheckContext& context, const char* text) {
  AppendBounded(context.logText, sizeof(context.logText), text);
}

void AppendLogF(CheckContext& context, const char* format, ...) {
  char text[sizeof(context.logText)] = {};
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  text[sizeof(text) - 1] = '\0';
  AppendLog(context, text);
}

void AppendLogWide(CheckContext& context, const wchar_t* text) {
  char converted[sizeof(context.logText)] = {};
  WideToAnsi(text, converted, static_cast<int>(sizeof(converted)));
  AppendLog(context, converted);
}

void AppendVoltageLine(CheckContext& context, const char* text) {
  AppendBounded(context.voltageLine, sizeof(context.voltageLine), text);
}

void EndVoltageLine(CheckContext& context) {
  char* line = context.voltageLine;
  const size_t size = sizeof(context.voltageLine);
  const size_t used = strnlen(line, size);
  // The line feed and the terminator always fit: a full line gives up its last whole
  // characters instead.
  const size_t room = size - 2;
  size_t keep = used;
  if (used > room) {
    keep = 0;
    while (keep < used) {
      const size_t step = IsDBCSLeadByte(static_cast<BYTE>(line[keep])) && keep + 1 < used ? 2 : 1;
      if (keep + step > room) {
        break;
      }
      keep += step;
    }
  }
  line[keep] = '\n';
  line[keep + 1] = '\0';
}

void FlushTestLog(CheckContext& context) {
  WriteTestLog(context, context.logText);
  std::memset(context.logText, 0, sizeof(context.logText));
}

void Wait(CheckContext& context, uint32_t milliseconds) {
  if (context.sleep) {
    context.sleep(milliseconds);
  } else {
    Sleep(milliseconds);
  }
}

void WideToAnsi(const wchar_t* text, char* out, int outSize) {
  if (out == nullptr || outSize <= 0) {
    return;
  }
  out[0] = '\0';
  if (text == nullptr || text[0] == L'\0') {
    return;
  }
  int needed = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) {
    return;
  }
  if (needed <= outSize) {
    WideCharToMultiByte(CP_ACP, 0, text, -1, out, outSize, nullptr, nullptr);
    out[outSize - 1] = '\0';
    return;
  }
  // Too long: convert whole, then keep the longest run of whole characters that fits.
  std::vector<char> whole(static_cast<size_t>(needed));
  WideCharToMultiByte(CP_ACP, 0, text, -1, whole.data(), needed, nullptr, nullptr);
  whole.back() = '\0';
  AppendBounded(out, static_cast<size_t>(outSize), whole.data());
}

void AnsiToWide(const char* text, wchar_t* out, int outChars) {
  if (out == nullptr || outChars <= 0) {
    return;
  }
  out[0] = L'\0';
  if (text == nullptr || text[0] == '\0') {
    return;
  }
  int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (needed <= 0) {
    return;
  }
  if (needed <= outChars) {
    MultiByteToWideChar(CP_ACP, 0, text, -1, out, outChars);
    out[outChars - 1] = L'\0';
    return;
  }
  std::vector<wchar_t> whole(static_cast<size_t>(needed));
  MultiByteToWideChar(CP_ACP, 0, text, -1, whole.data(), needed);
  whole.back() = L'\0';
  CopyWide(out, static_cast<size_t>(outChars), whole.data());
}
