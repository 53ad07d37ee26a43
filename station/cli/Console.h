// Console output and input of VarnexCli. A console gets UTF-16 directly; a pipe or file gets
// UTF-8, so scripts and tests read the same bytes whatever the console code page is.
#pragma once

#include <string>

void PrintOut(const std::wstring& line);  // adds the line feed
void PrintOutUtf8(const std::string& line);
void PrintErr(const std::wstring& line);
// Waits until the operator presses Enter; returns at once when input has ended.
void WaitForEnter();

// Ctrl+C and Ctrl+Break during a run. While the station waits for the phone they stop the run
// the way the operator's Stop does (`message` is posted to `window`); while the checks run they
// are refused, as the station disables Stop then, so that the supplies are always powered off
// and the link closed. Outside a run they end the program as usual.
enum class RunPhase { Idle, Connecting, Checking };
void InstallStopHandler(void* window, unsigned message);
void SetRunPhase(RunPhase phase);
