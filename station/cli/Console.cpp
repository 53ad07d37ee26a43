#include "station/cli/Console.h"

#include <algorithm>
#include <atomic>

#include <windows.h>

#include "station/results/StationFacts.h"
#include "station/results/core/Utf8.h"

namespace {

std::atomic<RunPhase> currentPhase{RunPhase::Idle};
std::atomic<HWND> stopWindow{nullptr};
std::atomic<UINT> stopMessage{0};

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
    return FALSE;
  }
  switch (currentPhase.load()) {
    case RunPhase::Connecting:
      if (HWND window = stopWindow.load(); window != nullptr) {
        PostMessageW(window, stopMessage.load(), 0, 0);
      }
      return TRUE;
    case RunPhase::Checking:
      PrintErr(L"The checks are running and cannot be stopped; the run ends by itself.");
      return TRUE;
    case RunPhase::Idle:
      break;
  }
  return FALSE;
}

void Write(DWORD which, const std::wstring& line) {
  HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    return;
  }
  std::wstring text = line + L"\n";
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    DWORD written = 0;
    // Written in slices: a console write is bounded in size.
    for (size_t at = 0; at < text.size();) {
      size_t end = SliceEnd(text, at, 8192);
      WriteConsoleW(handle, text.data() + at, static_cast<DWORD>(end - at), &written, nullptr);
      at = end;
    }
    return;
  }
  std::string bytes = Utf16ToUtf8(text);
  size_t at = 0;
  while (at < bytes.size()) {
    DWORD written = 0;
    DWORD count = static_cast<DWORD>(std::min<size_t>(65536, bytes.size() - at));
    if (!WriteFile(handle, bytes.data() + at, count, &written, nullptr) || written == 0) {
      return;
    }
    at += written;
  }
}

}  // namespace

void PrintOut(const std::wstring& line) {
  Write(STD_OUTPUT_HANDLE, line);
}

void PrintOutUtf8(const std::string& line) {
  PrintOut(Utf8ToUtf16(line));
}

void PrintErr(const std::wstring& line) {
  Write(STD_ERROR_HANDLE, line);
}

void WaitForEnter() {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE) {
    return;
  }
  // A console's input never ends: a read of nothing there is Ctrl+C (refused while the checks
  // run) or Ctrl+Z, and must not count as the operator's Enter. A file or pipe that has ended
  // lets the run go on.
  DWORD mode = 0;
  const bool console = GetConsoleMode(input, &mode) != 0;
  for (;;) {
    char c = 0;
    DWORD read = 0;
    BOOL ok = ReadFile(input, &c, 1, &read, nullptr);
    if (console && read == 0 && (ok || GetLastError() == ERROR_OPERATION_ABORTED)) {
      continue;
    }
    if (!ok || read == 0 || c == '\n') {
      return;
    }
  }
}

void InstallStopHandler(void* window, unsigned message) {
  stopMessage.store(message);
  stopWindow.store(static_cast<HWND>(window));
  // A parent that ignores Ctrl+C (or started us in a new process group) passes that on; the
  // run wants it back.
  SetConsoleCtrlHandler(nullptr, FALSE);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

void SetRunPhase(RunPhase phase) {
  currentPhase.store(phase);
}
