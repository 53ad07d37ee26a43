#include "DialogDriver.h"

#include <commctrl.h>

#include <vector>

namespace {

DialogDriver* armed = nullptr;
UINT_PTR timer = 0;
int ticksAfterPress = 0;

void Disarm() {
  if (timer != 0) {
    KillTimer(nullptr, timer);
  }
  timer = 0;
  armed = nullptr;
}

HWND ShownDialog() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM out) -> BOOL {
        wchar_t cls[16] = {};
        GetClassNameW(window, cls, 16);
        if (IsWindowVisible(window) && wcscmp(cls, L"#32770") == 0) {
          *reinterpret_cast<HWND*>(out) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  DialogDriver* driver = armed;
  HWND dialog = ShownDialog();
  if (driver == nullptr) {
    Disarm();
    return;
  }
  if (!driver->ran) {
    if (dialog == nullptr) {
      return;
    }
    driver->ran = true;
    if (driver->step) {
      driver->step(dialog);
    }
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(driver->press, BN_CLICKED), 0);
    ticksAfterPress = 0;
    return;
  }
  if (dialog == nullptr) {
    Disarm();
    return;
  }
  if (++ticksAfterPress > 20) {
    driver->stuck = true;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }
}

}  // namespace

DialogDriver::~DialogDriver() {
  if (armed == this) {
    Disarm();
  }
}

void DialogDriver::Arm() {
  Disarm();
  ran = false;
  stuck = false;
  armed = this;
  timer = SetTimer(nullptr, 0, 50, Tick);
}

bool Checked(HWND dialog, int id) {
  return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

bool Enabled(HWND dialog, int id) {
  return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

void Click(HWND dialog, int id) {
  SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void SetText(HWND dialog, int id, const wchar_t* text) {
  SetDlgItemTextW(dialog, id, text);
}

std::wstring Text(HWND dialog, int id) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(dialog, id, text, 1024);
  return text;
}

int ComboSelection(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

std::wstring ComboItem(HWND dialog, int id, int item) {
  wchar_t text[256] = {};
  if (SendDlgItemMessageW(dialog, id, CB_GETLBTEXTLEN, item, 0) >= 256) {
    return L"(too long)";
  }
  SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(text));
  return text;
}

int ComboCount(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0));
}

void PressNow(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

int Rows(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring Cell(HWND list, int row, int column) {
  wchar_t text[256] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

void SetCell(HWND list, int row, int column, const wchar_t* text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text);
  SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

bool RowChecked(HWND list, int row) {
  LRESULT state = SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK);
  return (static_cast<UINT>(state) & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

void CheckRow(HWND list, int row, bool checked) {
  LVITEMW item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}
