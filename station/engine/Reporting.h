// The reporting step every check uses, and the bounded text buffers of the context.
// A row is begun (record zeroed, item name set), its detail reported in column 3, its result
// ("PASS"/"FAIL") in column 2; each report is sent synchronously to the main window.
#pragma once

#include <cstdint>

struct CheckContext;

void BeginRow(CheckContext& context, const wchar_t* itemName);
void ReportDetail(CheckContext& context, const wchar_t* text, uint32_t color);
void ReportDetailF(CheckContext& context, uint32_t color, const wchar_t* format, ...);
void ReportResult(CheckContext& context, bool passed);
// The number the current row judged, its inclusive limits and its unit ("mV", "mA", "uA", or ""
// for a type), kept for the run's record; nothing is shown.
void ReportMeasurement(CheckContext& context, double value, double low, double high,
                       const char* unit);
// A failure that stands in place of a reading: the detail shown in red, and the log line
// ended with "FAIL," and the same detail.
void ReportFailureDetail(CheckContext& context, const wchar_t* detail);

// Appends to the 4096-byte test-log text; what does not fit is cut, never overflowed.
void AppendLog(CheckContext& context, const char* text);
void AppendLogF(CheckContext& context, const char* format, ...);
// Appends a UTF-16 text converted to the ANSI code page.
void AppendLogWide(CheckContext& context, const wchar_t* text);
// Appends to the 1024-byte voltage-log line, cut like the test-log text.
void AppendVoltageLine(CheckContext& context, const char* text);
// Ends the voltage-log line with its line feed, cutting the content when the line is full.
void EndVoltageLine(CheckContext& context);
// Writes the test-log text to the test log (when open) and empties it.
void FlushTestLog(CheckContext& context);
// Every wait of the engine goes through the context's sleep function.
void Wait(CheckContext& context, uint32_t milliseconds);

// UTF-16 <-> ANSI code page, always terminated, cut to the destination's size.
void WideToAnsi(const wchar_t* text, char* out, int outSize);
void AnsiToWide(const char* text, wchar_t* out, int outChars);
