#include "station/engine/LogFiles.h"

#include <cerrno>
#include <climits>
#include <mutex>

#include <windows.h>

#include "station/engine/CheckContext.h"
#include "station/engine/Reporting.h"
#include "station/engine/core/LogNames.h"

namespace {

using LogGuard = std::lock_guard<std::recursive_mutex>;

LocalTime Now() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return LocalTime{now.wYear,   now.wMonth,  now.wDay,         now.wHour,
                   now.wMinute, now.wSecond, now.wMilliseconds};
}

bool IsAnsiLeadByte(unsigned char byte) {
  return IsDBCSLeadByte(byte) != FALSE;
}

// Text mode: every line feed reaches the file as CR LF. A file of the same name is replaced.
FILE* CreateLogFile(const char* path, const char* header) {
  FILE* file = std::fopen(path, "w");
  if (file != nullptr) {
    std::fputs(header, file);
  }
  return file;
}

bool PutLogText(FILE* file, const char* text) {
  const bool written = std::fputs(text, file) >= 0;
  return std::fflush(file) == 0 && written;
}

std::wstring Wide(const char* ansi) {
  wchar_t wide[kLogPathSize];
  AnsiToWide(ansi, wide, kLogPathSize);
  return wide;
}

// "No such file or directory" and the like, from the C library that opened the file.
std::wstring Reason(int error) {
  const wchar_t* text = _wcserror(error);
  std::wstring reason = text != nullptr ? text : L"";
  while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r')) {
    reason.pop_back();
  }
  return reason.empty() ? std::wstring() : L" (" + reason + L")";
}

// One line per loss; the same loss at every flush of a run is told once.
void NoteTrouble(CheckContext& context, const std::wstring& line) {
  LogGuard guard(context.logLock);
  if (context.logTrouble.find(line) != std::wstring::npos) {
    return;
  }
  if (!context.logTrouble.empty()) {
    context.logTrouble += L"\n";
  }
  context.logTrouble += line;
}

constexpr wchar_t kTestLogNoPath[] =
    L"The test log could not be created: its path does not fit in 260 characters.";
constexpr wchar_t kVoltageLogNoPath[] =
    L"The voltage log could not be created: its path does not fit in 260 characters.";
constexpr wchar_t kVoltageLogNotOpen[] =
    L"The voltage log is not open: the voltages of this run were not saved.";

}  // namespace

bool StationDirectoryAnsi(char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) {
    return false;
  }
  buffer[0] = '\0';
  wchar_t modulePath[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return false;  // a cut module path would name the wrong folder
  }
  return StationDirectoryAnsiFrom(modulePath, buffer, size);
}

bool StationDirectoryAnsiFrom(const wchar_t* modulePath, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) {
    return false;
  }
  buffer[0] = '\0';
  // Cut first, convert afterwards: the ANSI bytes of a double-byte character may hold 0x5C.
  wchar_t directory[MAX_PATH] = {};
  if (!StationDirectoryFromModulePath(modulePath, directory, MAX_PATH)) {
    return false;
  }
  const int capacity = size > INT_MAX ? INT_MAX : static_cast<int>(size);
  if (WideCharToMultiByte(CP_ACP, 0, directory, -1, buffer, capacity, nullptr, nullptr) == 0) {
    buffer[0] = '\0';  // did not fit: a part of a folder is the wrong folder
    return false;
  }
  return true;
}

int32_t OpenTestLog(CheckContext& context, const char* logName) {
  return OpenTestLogAt(context, logName, Now());
}

int32_t OpenTestLogAt(CheckContext& context, const char* logName, const LocalTime& time) {
  // A file still open from a run that never reached its end is finished first.
  CloseTestLog(context);

  char stationDir[kLogPathSize];
  if (!StationDirectoryAnsi(stationDir, sizeof stationDir)) {
    NoteTrouble(context, kTestLogNoPath);
    return 0;
  }
  char folder[kLogPathSize];
  if (FormatResultFolder(folder, sizeof folder, stationDir)) {
    CreateDirectoryA(folder, nullptr);  // an existing folder is fine, other failures show later
  }
  char dayFolder[kLogPathSize];
  if (!FormatDayFolder(dayFolder, sizeof dayFolder, stationDir, time)) {
    NoteTrouble(context, kTestLogNoPath);
    return 0;
  }
  CreateDirectoryA(dayFolder, nullptr);

  char path[kLogPathSize];
  if (!FormatTestLogPath(path, sizeof path, dayFolder, logName, time, IsAnsiLeadByte)) {
    NoteTrouble(context, kTestLogNoPath);
    return 0;
  }
  FILE* file = CreateLogFile(path, kTestLogHeader);
  if (file == nullptr) {
    NoteTrouble(context,
                L"The test log could not be created" + Reason(errno) + L":\n" + Wide(path));
  } else {
    context.capture.TestLogOpened(path);
  }
  LogGuard guard(context.logLock);
  CloseLogFile(context.testLog);
  context.testLog = file;
  lstrcpynA(context.testLogPath, file != nullptr ? path : "", sizeof context.testLogPath);
  return file != nullptr ? 1 : 0;
}

int32_t OpenVoltageLog(CheckContext& context) {
  return OpenVoltageLogAt(context, Now());
}

int32_t OpenVoltageLogAt(CheckContext& context, const LocalTime& time) {
  CloseVoltageLog(context);

  char stationDir[kLogPathSize];
  char path[kLogPathSize];
  if (!StationDirectoryAnsi(stationDir, sizeof stationDir) ||
      !FormatVoltageLogPath(path, sizeof path, stationDir, time)) {
    NoteTrouble(context, kVoltageLogNoPath);
    return 0;
  }
  // The Log folder is the line's to provide; without it there is no voltage log.
  FILE* file = CreateLogFile(path, kVoltageLogHeader);
  if (file == nullptr) {
    NoteTrouble(context,
                L"The voltage log could not be created" + Reason(errno) + L":\n" + Wide(path));
  }
  LogGuard guard(context.logLock);
  CloseLogFile(context.voltageLog);
  context.voltageLog = file;
  lstrcpynA(context.voltageLogPath, file != nullptr ? path : "", sizeof context.voltageLogPath);
  return file != nullptr ? 1 : 0;
}

int32_t WriteLogText(FILE* file, const char* text) {
  if (file != nullptr && text != nullptr) {
    PutLogText(file, text);
  }
  return 1;
}

int32_t CloseLogFile(FILE*& file) {
  if (file != nullptr) {
    std::fclose(file);
    file = nullptr;
  }
  return 1;
}

std::wstring TakeLogTrouble(CheckContext& context) {
  LogGuard guard(context.logLock);
  std::wstring trouble;
  trouble.swap(context.logTrouble);
  return trouble;
}

void ClearLogTrouble(CheckContext& context) {
  LogGuard guard(context.logLock);
  context.logTrouble.clear();
}

void NoteLogTrouble(CheckContext& context, const std::wstring& line) {
  NoteTrouble(context, line);
}

void WriteTestLog(CheckContext& context, const char* text) {
  LogGuard guard(context.logLock);
  // An empty text (a flush with nothing to add) is no write that could fail.
  if (context.testLog != nullptr && text != nullptr && text[0] != '\0' &&
      !PutLogText(context.testLog, text)) {
    NoteTrouble(context, L"The test log could not be written:\n" + Wide(context.testLogPath));
  }
}

void WriteVoltageLog(CheckContext& context, const char* text) {
  LogGuard guard(context.logLock);
  if (context.voltageLog == nullptr) {
    NoteTrouble(context, kVoltageLogNotOpen);
  } else if (text != nullptr && !PutLogText(context.voltageLog, text)) {
    NoteTrouble(context, L"The voltage log could not be written:\n" + Wide(context.voltageLogPath));
  }
}

void CloseTestLog(CheckContext& context) {
  LogGuard guard(context.logLock);
  CloseLogFile(context.testLog);
}

void CloseVoltageLog(CheckContext& context) {
  LogGuard guard(context.logLock);
  CloseLogFile(context.voltageLog);
}
