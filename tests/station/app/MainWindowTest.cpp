// The real main window (dialog 102) under Wine: a second thread sends it the worker's messages
// 11138 to 11143, as a run's worker does, and reads the controls back.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "station/app/VarnexDlg.h"
#include "station/app/resource.h"
#include "station/engine/RowReport.h"

namespace {

constexpr UINT kTextMessage = 11139;
constexpr UINT kControlsMessage = 11140;
constexpr UINT kEndedMessage = 11141;
constexpr UINT kCommTextMessage = 11142;
constexpr UINT kStatusMessage = 11143;

std::wstring TestDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring text = path;
  return text.substr(0, text.find_last_of(L'\\'));
}

// A station configuration of its own for each test: UART on port 7, IMEI1, SIM card and FGU
// type checked, the given counters.
std::wstring WriteConfig(const wchar_t* name, unsigned pass, unsigned fail) {
  std::wstring path = TestDirectory() + L"\\" + name;
  DeleteFileW(path.c_str());
  wchar_t text[2048];
  swprintf(text, 2048,
           L"[PORT]\r\nUart=1\r\nPort=7\r\n[CONTROL]\r\nCheck IMEI1=1\r\nCheck SIM Card=1\r\n"
           L"Check FGU Type=1\r\nFGU Type=2\r\nCheck MMI CIT=0\r\nPass=%u\r\nFail=%u\r\n"
           L"Scanner=1\r\n",
           pass, fail);
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (file != nullptr) {
    for (const wchar_t* c = text; *c != 0; ++c) {
      fputc(static_cast<char>(*c), file);
    }
    fclose(file);
  }
  return path;
}

std::wstring Text(HWND window) {
  wchar_t text[4200] = {};
  SendMessageW(window, WM_GETTEXT, 4200, reinterpret_cast<LPARAM>(text));
  return text;
}

std::wstring Cell(HWND list, int row, int column) {
  wchar_t text[4200] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 4200;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

int SelectedRow(HWND list) {
  return static_cast<int>(
      SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

bool ToolbarEnabled(HWND dialog, int command) {
  return SendMessageW(GetDlgItem(dialog, IDR_TOOLBAR), TB_ISBUTTONENABLED, command, 0) != 0;
}

HWND FindDialog(DWORD thread) {
  for (int i = 0; i < 500; ++i) {
    HWND found = nullptr;
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM data) -> BOOL {
          wchar_t title[64] = {};
          GetWindowTextW(window, title, 64);
          if (IsWindowVisible(window) && wcsncmp(title, L"Varnex (", 8) == 0) {
            *reinterpret_cast<HWND*>(data) = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (found != nullptr) {
      return found;
    }
    Sleep(20);
  }
  return nullptr;
}

// Shows the window modally on this thread while `drive` runs on another one with the window's
// handle; the window is closed through its close request afterwards. Returns the notices.
std::vector<std::wstring> RunWindow(VarnexDlgSetup setup,
                                    const std::function<void(HWND dialog)>& drive) {
  std::vector<std::wstring> notices;
  setup.showNotice = [&notices](HWND, const wchar_t* text) { notices.push_back(text); };
  CVarnexDlg window(setup);
  const DWORD thread = GetCurrentThreadId();
  std::thread driver([&] {
    HWND dialog = FindDialog(thread);
    if (dialog == nullptr) {
      ADD_FAILURE() << "the main window did not show";
      PostThreadMessageW(thread, WM_QUIT, 0, 0);
      return;
    }
    drive(dialog);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  });
  INT_PTR result = window.DoModal();
  driver.join();
  EXPECT_NE(result, -1);
  return notices;
}

TEST(MainWindow, ShowsTheWorkersMessagesOnItsControls) {
  VarnexDlgSetup setup;
  setup.configPath = WriteConfig(L"messages.ini", 999, 1);
  std::vector<std::wstring> notices = RunWindow(setup, [](HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_RESULT_LIST);
    // Start-up: the list of the enabled items, the counters, idle, the comm text.
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(Cell(list, 0, 0), L"IMEI1");
    EXPECT_EQ(Cell(list, 1, 1), L"---");
    EXPECT_EQ(Cell(list, 2, 0), L"FGU Type");
    EXPECT_EQ(Cell(list, 2, 1), L"2");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_STATUS)), L"IDLE");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_PASS_COUNT)), L"Pass: 999");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_FAIL_COUNT)), L"Fail: 1");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_PASS_RATIO)), L"Pass Ratio: 99%");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_COMM_TEXT)), L"Uart Communication\r\nPort: 7");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_ITEM_LABEL)), L"IMEI1");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_START_STOP)), L"Start");

    // 11143: the status panel; an unknown state leaves it.
    SendMessageW(dialog, kStatusMessage, 0, 3);
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_STATUS)), L"PASS");
    SendMessageW(dialog, kStatusMessage, 0, 2);
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_STATUS)), L"PASS");
    SendMessageW(dialog, kStatusMessage, 0, 1);
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_STATUS)), L"WORKING");
    SendMessageW(dialog, kStatusMessage, 0, 4);
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_STATUS)), L"FAIL");

    // 11139: the message line.
    SendMessageW(dialog, kTextMessage, reinterpret_cast<WPARAM>(L"Time Out!"), 0x0000FF);
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_MESSAGE)), L"Time Out!");

    // 11140: the controls for a run and for idle; Clear stays usable.
    SendMessageW(dialog, kControlsMessage, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_SCAN)));
    EXPECT_FALSE(ToolbarEnabled(dialog, ID_SETTING));
    EXPECT_FALSE(ToolbarEnabled(dialog, ID_PORT_SETTING));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_CLEAR)));
    SendMessageW(dialog, kControlsMessage, 0, 1);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_SCAN)));
    EXPECT_TRUE(ToolbarEnabled(dialog, ID_SETTING));
    EXPECT_TRUE(ToolbarEnabled(dialog, ID_PORT_SETTING));

    // 11142: the communication text.
    SendMessageW(dialog, kCommTextMessage, 0, 0);
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_COMM_TEXT)), L"Uart Communication\r\nPort: 7");

    // 11138: a detail cell also fills the Test Detail box, a result cell does not; a name
    // the list does not hold only clears the selection.
    RowReport report{};
    wcscpy(report.itemName, L"SIM Card");
    report.column = 3;
    wcscpy(report.text, L"+CME ERROR: 10");
    report.color = kColorFail;
    SendMessageW(dialog, kRowReportMessage, 0, reinterpret_cast<LPARAM>(&report));
    EXPECT_EQ(Cell(list, 1, 3), L"+CME ERROR: 10");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_TEST_DETAIL)), L"+CME ERROR: 10");
    EXPECT_EQ(SelectedRow(list), 1);
    report.column = 2;
    wcscpy(report.text, L"FAIL");
    SendMessageW(dialog, kRowReportMessage, 0, reinterpret_cast<LPARAM>(&report));
    EXPECT_EQ(Cell(list, 1, 2), L"FAIL");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_TEST_DETAIL)), L"+CME ERROR: 10");
    wcscpy(report.itemName, L"T Card");
    report.column = 3;
    wcscpy(report.text, L"elsewhere");
    SendMessageW(dialog, kRowReportMessage, 0, reinterpret_cast<LPARAM>(&report));
    EXPECT_EQ(SelectedRow(list), -1);
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_TEST_DETAIL)), L"+CME ERROR: 10");
    for (int row = 0; row < 3; ++row) {
      EXPECT_NE(Cell(list, row, 3), L"elsewhere");
    }

    // 11141 without a run: the counters as they were, no run started.
    SendMessageW(dialog, kEndedMessage, 0, 0);
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_PASS_COUNT)), L"Pass: 999");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_START_STOP)), L"Start");

    // Escape does not end the window; Clear empties the counters.
    PostMessageW(GetDlgItem(dialog, IDC_SCAN), WM_KEYDOWN, VK_ESCAPE, 0);
    Sleep(300);
    SendMessageW(dialog, WM_NULL, 0, 0);
    EXPECT_TRUE(IsWindowVisible(dialog));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CLEAR, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_CLEAR)));
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_PASS_COUNT)), L"Pass: 0");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_PASS_RATIO)), L"Pass Ratio: 0%");
  });
  EXPECT_TRUE(notices.empty());
  // The close request saved the cleared counters.
  EXPECT_EQ(GetPrivateProfileIntW(L"CONTROL", L"Pass", -1, setup.configPath.c_str()), 0);
  EXPECT_EQ(GetPrivateProfileIntW(L"CONTROL", L"Fail", -1, setup.configPath.c_str()), 0);
}

TEST(MainWindow, RestrictedOperatorNeverGetsSettingsOrClear) {
  VarnexDlgSetup setup;
  setup.configPath = WriteConfig(L"restricted.ini", 3, 0);
  setup.restricted = 1;
  RunWindow(setup, [](HWND dialog) {
    EXPECT_FALSE(ToolbarEnabled(dialog, ID_SETTING));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_CLEAR)));
    EXPECT_TRUE(ToolbarEnabled(dialog, ID_PORT_SETTING));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_SCAN)));
    for (LPARAM enable : {0, 1}) {
      SendMessageW(dialog, kControlsMessage, 0, enable);
      EXPECT_FALSE(ToolbarEnabled(dialog, ID_SETTING)) << enable;
      EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_CLEAR))) << enable;
      EXPECT_TRUE(ToolbarEnabled(dialog, ID_PORT_SETTING)) << enable;
    }
    // A Clear that reaches the window anyway changes nothing.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CLEAR, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_CLEAR)));
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_PASS_COUNT)), L"Pass: 3");
  });
}

TEST(MainWindow, FailRatioNoticeAtStartUpGoesToTheSink) {
  VarnexDlgSetup setup;
  setup.configPath = WriteConfig(L"notice.ini", 994, 6);
  std::vector<std::wstring> notices = RunWindow(
      setup, [](HWND dialog) { EXPECT_EQ(Text(GetDlgItem(dialog, IDC_FAIL_COUNT)), L"Fail: 6"); });
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0], L"Notice: Fail ratio is bigger than 0.5%!!");

  setup.configPath = WriteConfig(L"no-notice.ini", 995, 5);
  EXPECT_TRUE(RunWindow(setup, [](HWND) {}).empty());
}

}  // namespace
