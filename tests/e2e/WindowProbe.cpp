// WindowProbe.exe: reads and pokes the station window of another process through Win32, so
// that the whole-program tests check texts and states rather than pixels.
//
//   WindowProbe find <title prefix> [timeout ms]             exit 0 when the window is there
//   WindowProbe text <title prefix> <control id>             prints the control's text
//   WindowProbe wait-text <title prefix> <id> <text> <ms>    waits until the text is <text>
//   WindowProbe enabled <title prefix> <control id>          prints 1 or 0
//   WindowProbe toolbar-enabled <title prefix> <command>     prints 1 or 0
//   WindowProbe set-text <title prefix> <control id> <text>  WM_SETTEXT
//   WindowProbe select <title prefix> <combo id> <text>      selects the combo box item <text>
//   WindowProbe serial-port <COMn>                           the system lists this serial port
//                                                            (until the Wine server ends)
//   WindowProbe click <title prefix> <control id>            posts the button's BN_CLICKED
//   WindowProbe command <title prefix> <id>                  posts WM_COMMAND id without control
//   WindowProbe close <title prefix>                         posts WM_CLOSE
//   WindowProbe wait-gone <title prefix> <timeout ms>        exit 0 when no such window is left
//   WindowProbe list-row <title prefix> <row> <column>       prints a result list cell
//   WindowProbe list-cell <title prefix> <list id> <row> <column>
//                                                            prints a cell of any list view
//   WindowProbe cell-point <title prefix> <list id> <row> <column>
//                                                            prints the cell's centre "x y" on
//                                                            the screen, for real mouse input
//   WindowProbe toolbar-point <title prefix> <command>       the same for a toolbar button
//   WindowProbe ping <title prefix> <ms> [interval ms] [id text [button [tail ms]]]
//                                                            answer times of the window thread,
//                                                            until tail ms after control id
//                                                            shows text; the button is clicked
//                                                            after a second
// Exit codes: 0 done, 1 not found / timed out / differs, 2 bad arguments.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kToolbarId = 129;
constexpr int kResultListId = 1002;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) {
    return {};
  }
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::wstring Wide(const char* text) {
  int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(size > 0 ? size : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), size);
  out.resize(wcslen(out.c_str()));
  return out;
}

void Print(const std::wstring& text) {
  std::string bytes = Utf8(text) + "\n";
  fwrite(bytes.data(), 1, bytes.size(), stdout);
  fflush(stdout);
}

struct Search {
  std::wstring prefix;
  HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  wchar_t title[256] = {};
  GetWindowTextW(window, title, 256);
  if (IsWindowVisible(window) &&
      wcsncmp(title, search->prefix.c_str(), search->prefix.size()) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindTop(const std::wstring& prefix) {
  Search search{prefix};
  EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForTop(const std::wstring& prefix, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (HWND window = FindTop(prefix)) {
      return window;
    }
    if (GetTickCount64() >= end) {
      return nullptr;
    }
    Sleep(20);
  }
}

std::wstring ControlText(HWND control) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
    return {};
  }
  std::vector<wchar_t> text(length + 2, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  return text.data();
}

// A list view cell of another process: the text buffer must live in that process.
std::wstring ListCell(HWND list, int row, int column) {
  DWORD processId = 0;
  GetWindowThreadProcessId(list, &processId);
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
  if (process == nullptr) {
    return {};
  }
  constexpr size_t kChars = 4096;
  const size_t size = sizeof(LVITEMW) + kChars * sizeof(wchar_t);
  auto* remote = static_cast<BYTE*>(
      VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  std::wstring result;
  if (remote != nullptr) {
    LVITEMW item{};
    item.iSubItem = column;
    item.cchTextMax = kChars;
    item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
    WriteProcessMemory(process, remote, &item, sizeof(item), nullptr);
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote),
                        SMTO_ABORTIFHUNG, 5000, &answer);
    std::vector<wchar_t> text(kChars + 1, L'\0');
    ReadProcessMemory(process, remote + sizeof(LVITEMW), text.data(), kChars * sizeof(wchar_t),
                      nullptr);
    result = text.data();
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return result;
}

// Sends `message` with a RECT that lives in the window's process, `in` copied there first;
// false when the window refuses or the memory cannot be had.
bool RemoteRect(HWND window, UINT message, WPARAM wParam, RECT in, RECT& out) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
  if (process == nullptr) {
    return false;
  }
  bool done = false;
  void* remote =
      VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote != nullptr) {
    WriteProcessMemory(process, remote, &in, sizeof(in), nullptr);
    DWORD_PTR answer = 0;
    done = SendMessageTimeoutW(window, message, wParam, reinterpret_cast<LPARAM>(remote),
                               SMTO_ABORTIFHUNG, 5000, &answer) != 0 &&
           answer != 0 && ReadProcessMemory(process, remote, &out, sizeof(out), nullptr) != 0;
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return done;
}

// The centre of `rect` (client coordinates of `window`) on the screen.
int PrintCentre(HWND window, RECT rect) {
  POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  ClientToScreen(window, &centre);
  printf("%ld %ld\n", centre.x, centre.y);
  fflush(stdout);
  return 0;
}

// Until `durationMs` has passed, the window is gone, or `tailMs` after control `untilId` first
// showed `untilText`. With a `clickId`, that button is clicked once after the first second, so
// that one process
// both starts the run and measures it (a second Wine program starting meanwhile would hold up
// the Wine server and show as a slow answer of the window). Prints every answer over 50 ms, then
// the count, the worst, the 99th percentile, the mean and how many answers took over 16 and over
// 50 ms.
int Ping(HWND window, DWORD durationMs, DWORD intervalMs, int untilId,
         const std::wstring& untilText, int clickId, DWORD tailMs) {
  LARGE_INTEGER frequency, start, before, after;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  std::vector<double> answers;
  int timedOut = 0;
  bool clicked = clickId == 0;
  LONGLONG seenAt = -1;  // when the text showed, in counter ticks
  for (;;) {
    QueryPerformanceCounter(&before);
    if (!clicked && (before.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart >= 1000) {
      HWND button = GetDlgItem(window, clickId);
      PostMessageW(window, WM_COMMAND, MAKEWPARAM(clickId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
      clicked = true;
    }
    if (seenAt < 0 && untilId != 0 && ControlText(GetDlgItem(window, untilId)) == untilText) {
      seenAt = before.QuadPart;
    }
    if ((before.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart >= durationMs ||
        !IsWindow(window) ||
        (seenAt >= 0 && (before.QuadPart - seenAt) * 1000 / frequency.QuadPart >= tailMs)) {
      break;
    }
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &answer)) {
      ++timedOut;
    }
    QueryPerformanceCounter(&after);
    const double ms = (after.QuadPart - before.QuadPart) * 1000.0 / frequency.QuadPart;
    if (ms > 50) {
      printf("slow answer: %.1f ms at %.0f ms\n", ms,
             (before.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart);
    }
    answers.push_back(ms);
    Sleep(intervalMs);
  }
  std::sort(answers.begin(), answers.end());
  const size_t count = answers.size();
  double total = 0;
  for (double ms : answers) {
    total += ms;
  }
  auto over = [&](double limit) {
    return static_cast<long>(answers.end() -
                             std::upper_bound(answers.begin(), answers.end(), limit));
  };
  // The 99th percentile: the answer that 99 % of all answers do not exceed.
  const double p99 = count > 0 ? answers[(count * 99 + 99) / 100 - 1] : 0.0;
  printf("pings %zu worst %.1f ms p99 %.1f ms mean %.2f ms over16 %ld over50 %ld unanswered %d\n",
         count, count > 0 ? answers.back() : 0.0, p99, count > 0 ? total / count : 0.0, over(16),
         over(50), timedOut);
  return timedOut == 0 ? 0 : 1;
}

int Usage() {
  fprintf(stderr,
          "usage: WindowProbe <find|text|wait-text|enabled|toolbar-enabled|set-text|"
          "click|command|close|wait-gone|list-row|list-cell|cell-point|toolbar-point|ping|"
          "select> "
          "<title prefix> ...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    return Usage();
  }
  const std::string verb = argv[1];
  const std::wstring prefix = Wide(argv[2]);
  auto number = [&](int index, long fallback) {
    return index < argc ? strtol(argv[index], nullptr, 10) : fallback;
  };

  if (verb == "serial-port") {
    // The system's key is volatile: so is everything under it.
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                        REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr) != 0) {
      return 1;
    }
    const LONG set = RegSetValueExW(key, L"\\Device\\VarnexE2E", 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(prefix.c_str()),
                                    static_cast<DWORD>((prefix.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return set == 0 ? 0 : 1;
  }
  if (verb == "wait-gone") {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(number(3, 10000));
    while (FindTop(prefix) != nullptr) {
      if (GetTickCount64() >= end) {
        return 1;
      }
      Sleep(50);
    }
    return 0;
  }
  HWND window = WaitForTop(prefix, verb == "find" ? static_cast<DWORD>(number(3, 10000)) : 5000);
  if (window == nullptr) {
    fprintf(stderr, "WindowProbe: no window titled %s...\n", argv[2]);
    return 1;
  }
  if (verb == "find") {
    Print(L"found");
    return 0;
  }
  if (verb == "close") {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  if (verb == "ping" && argc >= 4) {
    return Ping(window, static_cast<DWORD>(number(3, 1000)), static_cast<DWORD>(number(4, 10)),
                static_cast<int>(number(5, 0)), argc >= 7 ? Wide(argv[6]) : std::wstring(),
                static_cast<int>(number(7, 0)), static_cast<DWORD>(number(8, 0)));
  }
  if (argc < 4) {
    return Usage();
  }
  const int id = static_cast<int>(number(3, 0));
  if (verb == "command") {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return 0;
  }
  if (verb == "toolbar-enabled") {
    HWND toolbar = GetDlgItem(window, kToolbarId);
    DWORD_PTR enabled = 0;
    SendMessageTimeoutW(toolbar, TB_ISBUTTONENABLED, id, 0, SMTO_ABORTIFHUNG, 5000, &enabled);
    Print(enabled != 0 ? L"1" : L"0");
    return 0;
  }
  if (verb == "list-row" && argc >= 5) {
    Print(ListCell(GetDlgItem(window, kResultListId), id, static_cast<int>(number(4, 0))));
    return 0;
  }
  if (verb == "list-cell" && argc >= 6) {
    Print(ListCell(GetDlgItem(window, id), static_cast<int>(number(4, 0)),
                   static_cast<int>(number(5, 0))));
    return 0;
  }
  if (verb == "cell-point" && argc >= 6) {
    HWND list = GetDlgItem(window, id);
    RECT cell{LVIR_BOUNDS, static_cast<LONG>(number(5, 0)), 0, 0};
    if (list == nullptr ||
        !RemoteRect(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(number(4, 0)), cell, cell)) {
      return 1;
    }
    return PrintCentre(list, cell);
  }
  if (verb == "toolbar-point") {
    HWND toolbar = GetDlgItem(window, kToolbarId);
    DWORD_PTR index = static_cast<DWORD_PTR>(-1);
    SendMessageTimeoutW(toolbar, TB_COMMANDTOINDEX, id, 0, SMTO_ABORTIFHUNG, 5000, &index);
    RECT button{};
    if (toolbar == nullptr || static_cast<int>(index) < 0 ||
        !RemoteRect(toolbar, TB_GETITEMRECT, index, button, button)) {
      return 1;
    }
    return PrintCentre(toolbar, button);
  }
  HWND control = GetDlgItem(window, id);
  if (control == nullptr) {
    fprintf(stderr, "WindowProbe: no control %d\n", id);
    return 1;
  }
  if (verb == "text") {
    Print(ControlText(control));
    return 0;
  }
  if (verb == "enabled") {
    Print(IsWindowEnabled(control) ? L"1" : L"0");
    return 0;
  }
  if (verb == "click") {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    return 0;
  }
  if (verb == "set-text" && argc >= 5) {
    const std::wstring text = Wide(argv[4]);
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &answer);
    return 0;
  }
  if (verb == "select" && argc >= 5) {
    const std::wstring wanted = Wide(argv[4]);
    DWORD_PTR count = 0;
    SendMessageTimeoutW(control, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
    for (DWORD_PTR item = 0; item < count; ++item) {
      DWORD_PTR length = 0;
      SendMessageTimeoutW(control, CB_GETLBTEXTLEN, item, 0, SMTO_ABORTIFHUNG, 5000, &length);
      // The system carries the item's text across the processes, as for WM_GETTEXT.
      wchar_t text[256] = {};
      if (length < 256) {
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(control, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(text),
                            SMTO_ABORTIFHUNG, 5000, &copied);
      }
      if (wanted == text) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(control, CB_SETCURSEL, item, 0, SMTO_ABORTIFHUNG, 5000, &answer);
        return 0;
      }
    }
    return 1;
  }
  if (verb == "wait-text" && argc >= 6) {
    const std::wstring wanted = Wide(argv[4]);
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(number(5, 10000));
    std::wstring text;
    for (;;) {
      text = ControlText(control);
      if (text == wanted) {
        Print(text);
        return 0;
      }
      if (GetTickCount64() >= end || !IsWindow(window)) {
        Print(text);
        return 1;
      }
      Sleep(50);
    }
  }
  return Usage();
}
