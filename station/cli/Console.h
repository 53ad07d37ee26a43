// Console output and input of VarnexCli. A console gets UTF-16 directly; a pipe or file gets
// UTF-8, so scripts and tests read the same bytes whatever the console code page is.
#pragma once

#include <string>

void PrintOut(const std::wstring& line);  // adds the line feed
void PrintErr(const std::wstring& line);
// Waits until the operator presses Enter; returns at once when input has ended.
void WaitForEnter();
