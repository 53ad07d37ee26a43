// What the platform tells a run record: the computer's name, the running program's version,
// the operator logged on through Admit.dll, the local time with its offset, new record ids and
// the ANSI code page's texts in UTF-16.
#pragma once

#include <string>
#include <string_view>

#include "station/results/core/RunRecord.h"

// The NetBIOS name of the computer ("STATION-07"); empty when the system does not say.
std::wstring ComputerName();
// "1.0.0.1" from the product version of the running executable's version resource.
std::wstring ProgramVersion();
// The operator whom the accounts library let in (its optional ADMIT_GetUserName export); empty
// without a log-on or with a library that lacks the export.
std::wstring LoggedOnOperator();
// Now, as local time with its offset from UTC.
Timestamp LocalNow();
// A new record id from the system's random generator.
std::string NewRecordId();
// The platform's converters: CP_ACP to UTF-16 (the test log's path), UTF-8 to UTF-16 (the
// service's answers, record ids and problems for the window and the console) and back
// (VarnexLine.ini, file names, the console's pipes). A broken sequence becomes U+FFFD.
std::wstring AnsiToUtf16(std::string_view text);
std::wstring Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::wstring_view text);
// The folder of the running executable, without a trailing backslash; empty when its path
// does not fit.
std::wstring ProgramFolder();
