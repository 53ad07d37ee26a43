// The test log (one CSV file per run) and the voltage log (one per program start). A file that
// cannot be created makes the writes that follow do nothing, as before; but nothing is lost
// without a word: every log that could not be created or written is noted in the context's
// log trouble, which the window and VarnexCli show the operator when the run has ended. The
// phone's verdict never depends on it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct CheckContext;

struct LocalTime {
  int year, month, day, hour, minute, second, millisecond;
};

// The station directory (the executable's folder) in the ANSI code page.
bool StationDirectoryAnsi(char* buffer, size_t size);
// The same for a given module path: the folder is cut from the wide path, then converted.
// False (and an empty buffer) when it has no folder or does not fit.
bool StationDirectoryAnsiFrom(const wchar_t* modulePath, char* buffer, size_t size);

// Opens context.testLog named after `logName`, in <station dir>\result\<date>\; 1 = open.
int32_t OpenTestLog(CheckContext& context, const char* logName);
int32_t OpenTestLogAt(CheckContext& context, const char* logName, const LocalTime& time);
// Opens context.voltageLog in <station dir>\Log\; 1 = open.
int32_t OpenVoltageLog(CheckContext& context);
int32_t OpenVoltageLogAt(CheckContext& context, const LocalTime& time);
// Writes text up to its terminator and flushes; does nothing when the file is not open.
int32_t WriteLogText(FILE* file, const char* text);
// Closes the file when it is open and marks it absent.
int32_t CloseLogFile(FILE*& file);

// The log trouble noted since the last call, one sentence per line, and cleared; empty when the
// logs lost nothing. The check sequence clears it when a run starts.
std::wstring TakeLogTrouble(CheckContext& context);
void ClearLogTrouble(CheckContext& context);
// Notes a loss of another of the run's files (its run record) beside those of the logs.
void NoteLogTrouble(CheckContext& context, const std::wstring& line);

// The context's two files under its logLock, the way the engine reaches them: a run's worker
// writes while the window's thread may close them at shutdown. The voltage log's line of a run
// that finds no voltage log open is noted as lost.
void WriteTestLog(CheckContext& context, const char* text);
void WriteVoltageLog(CheckContext& context, const char* text);
void CloseTestLog(CheckContext& context);
void CloseVoltageLog(CheckContext& context);
