// How long the station window takes from the start of Varnex.exe until it is ready for the first
// scan: the window is shown with its title, the status panel reads IDLE and the scan field has
// the keyboard focus. Runs the program in the current folder several times and closes it
// through its close request after each start.
//
//   wine window_ready_bench.exe [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kStatusId = 1003;
constexpr int kScanId = 1046;

struct Found {
  DWORD processId;
  HWND window;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
  auto* found = reinterpret_cast<Found*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  if (owner == found->processId && IsWindowVisible(window) && wcsncmp(title, L"Varnex (", 8) == 0) {
    found->window = window;
    return FALSE;
  }
  return TRUE;
}

// Ready: the status panel says IDLE and the scan field is the focus of the window's thread.
bool Ready(HWND window) {
  wchar_t status[16] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(GetDlgItem(window, kStatusId), WM_GETTEXT, 16,
                           reinterpret_cast<LPARAM>(status), SMTO_ABORTIFHUNG, 1000, &copied) ||
      wcscmp(status, L"IDLE") != 0) {
    return false;
  }
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  DWORD thread = GetWindowThreadProcessId(window, nullptr);
  return GetGUIThreadInfo(thread, &info) && info.hwndFocus == GetDlgItem(window, kScanId);
}

double OneStart() {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  wchar_t command[] = L"Varnex.exe";
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    fprintf(stderr, "cannot start Varnex.exe (%lu)\n", GetLastError());
    return -1;
  }
  double ms = -1;
  Found found{process.dwProcessId, nullptr};
  for (;;) {
    QueryPerformanceCounter(&now);
    const double elapsed = (now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
    if (elapsed > 30000) {
      break;
    }
    if (found.window == nullptr) {
      EnumWindows(&Visit, reinterpret_cast<LPARAM>(&found));
    }
    if (found.window != nullptr && Ready(found.window)) {
      ms = elapsed;
      break;
    }
    Sleep(2);
  }
  if (found.window != nullptr) {
    PostMessageW(found.window, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double ms = OneStart();
    if (ms < 0) {
      fprintf(stderr, "start %d: the window did not become ready\n", i + 1);
      return 1;
    }
    printf("start %d: ready after %.0f ms\n", i + 1, ms);
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  printf("window ready for the first scan: median %.0f ms, worst %.0f ms (%d starts)\n",
         times[times.size() / 2], times.back(), runs);
  return 0;
}
