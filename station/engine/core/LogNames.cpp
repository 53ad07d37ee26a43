#include "station/engine/core/LogNames.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

bool ForbiddenInFileName(unsigned char c) {
  if (c < 0x20 || c == 0x7F) {
    return true;
  }
  return std::strchr("\\/:*?\"<>|", c) != nullptr;
}

// snprintf that reports whether the whole text fit; a cut result is emptied so it can never be
// mistaken for a path.
bool FormatBounded(char* out, size_t size, const char* format, ...) {
  if (out == nullptr || size == 0) {
    return false;
  }
  va_list args;
  va_start(args, format);
  const int written = std::vsnprintf(out, size, format, args);
  va_end(args);
  if (written < 0 || static_cast<size_t>(written) >= size) {
    out[0] = '\0';
    return false;
  }
  return true;
}

bool Fail(char* out, size_t size) {
  if (out != nullptr && size != 0) {
    out[0] = '\0';
  }
  return false;
}

}  // namespace

bool SanitizeLogName(const char* name, char* out, size_t size, LeadByteTest isLeadByte) {
  if (out == nullptr || size == 0) {
    return false;
  }
  if (name == nullptr) {
    out[0] = '\0';
    return true;
  }
  size_t in = 0;
  size_t used = 0;
  while (name[in] != '\0') {
    const unsigned char c = static_cast<unsigned char>(name[in]);
    if (isLeadByte != nullptr && isLeadByte(c) && name[in + 1] != '\0') {
      if (used + 2 >= size) {
        break;
      }
      out[used++] = name[in++];
      out[used++] = name[in++];
      continue;
    }
    if (used + 1 >= size) {
      break;
    }
    out[used++] = ForbiddenInFileName(c) ? '_' : static_cast<char>(c);
    ++in;
  }
  out[used] = '\0';
  return name[in] == '\0';
}

bool StationDirectoryFromModulePath(const wchar_t* modulePath, wchar_t* out, size_t outChars) {
  if (out == nullptr || outChars == 0) {
    return false;
  }
  out[0] = L'\0';
  if (modulePath == nullptr) {
    return false;
  }
  const wchar_t* lastSlash = std::wcsrchr(modulePath, L'\\');
  if (lastSlash == nullptr) {
    return false;
  }
  const size_t length = static_cast<size_t>(lastSlash - modulePath);
  if (length >= outChars) {
    return false;
  }
  std::wmemcpy(out, modulePath, length);
  out[length] = L'\0';
  return true;
}

bool FormatResultFolder(char* out, size_t size, const char* stationDir) {
  if (stationDir == nullptr) {
    return Fail(out, size);
  }
  return FormatBounded(out, size, "%s\\result", stationDir);
}

bool FormatDayFolder(char* out, size_t size, const char* stationDir, const LocalTime& time) {
  if (stationDir == nullptr) {
    return Fail(out, size);
  }
  return FormatBounded(out, size, "%s\\result\\%04d-%02d-%02d", stationDir, time.year, time.month,
                       time.day);
}

bool FormatTestLogPath(char* out, size_t size, const char* dayFolder, const char* logName,
                       const LocalTime& time, LeadByteTest isLeadByte) {
  // A name too long to sanitise completely cannot fit into the path either.
  char safeName[kLogPathSize];
  if (dayFolder == nullptr || !SanitizeLogName(logName, safeName, sizeof safeName, isLeadByte)) {
    return Fail(out, size);
  }
  return FormatBounded(out, size, "%s\\%s_%02d_%02d_%2d_%03d.csv", dayFolder, safeName, time.hour,
                       time.minute, time.second, time.millisecond);
}

bool FormatVoltageLogPath(char* out, size_t size, const char* stationDir, const LocalTime& time) {
  if (stationDir == nullptr) {
    return Fail(out, size);
  }
  return FormatBounded(out, size, "%s\\Log\\voltage_%02d_%02d_%2d_%03d.csv", stationDir, time.hour,
                       time.minute, time.second, time.millisecond);
}
