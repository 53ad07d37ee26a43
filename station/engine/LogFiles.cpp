#include "station/engine/LogFiles.h"

#include <climits>
#include <mutex>

#include <windows.h>

#include "station/engine/CheckContext.h"
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
    return 0;
  }
  char folder[kLogPathSize];
  if (FormatResultFolder(folder, sizeof folder, stationDir)) {
    CreateDirectoryA(folder, nullptr);  // an existing folder is fine, other failures show later
  }
  char dayFolder[kLogPathSize];
  if (!FormatDayFolder(dayFolder, sizeof dayFolder, stationDir, time)) {
    return 0;
  }
  CreateDirectoryA(dayFolder, nullptr);

  char path[kLogPathSize];
  if (!FormatTestLogPath(path, sizeof path, dayFolder, logName, time, IsAnsiLeadByte)) {
    return 0;
  }
  FILE* file = CreateLogFile(path, kTestLogHeader);
  LogGuard guard(context.logLock);
  CloseLogFile(context.testLog);
  context.testLog = file;
  return file != nullptr ? 1 : 0;
}

int32_t OpenVoltageLog(CheckContext& context) {
  return OpenVoltageLogAt(context, Now());
}

int32_t OpenVoltageLogAt(CheckContext& context, const LocalTime& time) {
  CloseVoltageLog(context);

  char stationDir[kLogPathSize];
  if (!StationDirectoryAnsi(stationDir, sizeof stationDir)) {
    return 0;
  }
  // The Log folder is the line's to provide; without it there is no voltage log.
  char path[kLogPathSize];
  if (!FormatVoltageLogPath(path, sizeof path, stationDir, time)) {
    return 0;
  }
  FILE* file = CreateLogFile(path, kVoltageLogHeader);
  LogGuard guard(context.logLock);
  CloseLogFile(context.voltageLog);
  context.voltageLog = file;
  return file != nullptr ? 1 : 0;
}

int32_t WriteLogText(FILE* file, const char* text) {
  if (file != nullptr && text != nullptr) {
    std::fputs(text, file);
    std::fflush(file);
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

void WriteTestLog(CheckContext& context, const char* text) {
  LogGuard guard(context.logLock);
  WriteLogText(context.testLog, text);
}

void WriteVoltageLog(CheckContext& context, const char* text) {
  LogGuard guard(context.logLock);
  WriteLogText(context.voltageLog, text);
}

void CloseTestLog(CheckContext& context) {
  LogGuard guard(context.logLock);
  CloseLogFile(context.testLog);
}

void CloseVoltageLog(CheckContext& context) {
  LogGuard guard(context.logLock);
  CloseLogFile(context.voltageLog);
}
