// Folder and file names of the test log and the voltage log, built into fixed buffers. Every
// builder returns false when the result does not fit; the buffer then holds no usable path.
#pragma once

#include <cstddef>

#include "station/engine/LogFiles.h"

// The station builds its log paths in buffers of this size (terminator included).
inline constexpr size_t kLogPathSize = 260;

inline constexpr char kTestLogHeader[] = "Item,Expected Value,Result,Test Detail\n";
inline constexpr char kVoltageLogHeader[] =
    "SN,AUX 3.6V,FGU 3.6V,AUX 3.8V,FGU 3.8V,AUX 4.2V,FGU 4.2V,FGU TYPE,\n";

// Tells whether a byte starts a two-byte character of the ANSI code page; null for code pages
// without them.
using LeadByteTest = bool (*)(unsigned char byte);

// Copies a log name that came from the phone, with every character Windows forbids in a file
// name (\ / : * ? " < > | and control characters) replaced by '_', so the file always lands in
// the day folder. The second byte of a two-byte character is kept as it is: it is part of that
// character, not a separator. Always terminated; false when the name had to be cut.
bool SanitizeLogName(const char* name, char* out, size_t size, LeadByteTest isLeadByte = nullptr);

// The folder part of an executable's path: everything before its last backslash. It takes the
// wide path: once converted to a double-byte ANSI code page, the second byte of a character may
// be 0x5C and look like a backslash. False (and an empty result) when there is no backslash or
// the folder does not fit in `outChars` characters with its terminator.
bool StationDirectoryFromModulePath(const wchar_t* modulePath, wchar_t* out, size_t outChars);

// <dir>\result
bool FormatResultFolder(char* out, size_t size, const char* stationDir);
// <dir>\result\YYYY-MM-DD
bool FormatDayFolder(char* out, size_t size, const char* stationDir, const LocalTime& time);
// <day folder>\<name>_HH_MM_SS_mmm.csv with the second padded by a blank; the name is sanitised.
bool FormatTestLogPath(char* out, size_t size, const char* dayFolder, const char* logName,
                       const LocalTime& time, LeadByteTest isLeadByte = nullptr);
// <dir>\Log\voltage_HH_MM_SS_mmm.csv, the second padded by a blank.
bool FormatVoltageLogPath(char* out, size_t size, const char* stationDir, const LocalTime& time);
