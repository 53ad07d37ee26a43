// The real main window (dialog 102) under Wine: a second thread sends it the worker's messages
// 11138 to 11143, as a run's worker does, and reads the controls back. The window shows a
// report with posted follow-ups after answering it, so the reads wait until it shows.
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
#include "station/engine/CheckContext.h"
#include "station/engine/Reporting.h"
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

// True once `done` holds, within a few seconds.
bool Eventually(const std::function<bool()>& done) {
  for (int i = 0; i < 500 && !done(); ++i) {
    Sleep(10);
  }
  return done();
}

// The window shows the reports in the order they came: once a status report sent now shows,
// every report sent before it shows too.
void WaitUntilShown(HWND dialog, int32_t state, const wchar_t* text) {
  SendMessageW(dialog, kStatusMessage, 0, state);
  EXPECT_TRUE(Eventually([&] { return Text(GetDlgItem(dialog, IDC_STATUS)) == text; })) << text;
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
std::vector<std::wstring> RunWindow(
    VarnexDlgSetup setup, const std::function<void(HWND dialog, CVarnexDlg& window)>& drive) {
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
    drive(dialog, window);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  });
  INT_PTR result = window.DoModal();
  driver.join();
  EXPECT_NE(result, -1);
  return notices;
}

std::vector<std::wstring> RunWindow(VarnexDlgSetup setup,
                                    const std::function<void(HWND dialog)>& drive) {
  return RunWindow(std::move(setup), [&](HWND dialog, CVarnexDlg&) { drive(dialog); });
}

TEST(MainWindow, ShowsTheWorkersMessagesOnItsControls) {
  VarnexDlgSetup setup;
  setup.configPath = WriteConfig(L"messages.ini", 999, 1);
  std::vector<std::wstring> notices = RunWindow(setup, [](HWND dialog, CVarnexDlg& window) {
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

    // 11143: the status panel; an unknown state leaves it. 11140: the controls for a run and
    // for idle; Clear stays usable.
    WaitUntilShown(dialog, 1, L"WORKING");
    WaitUntilShown(dialog, 4, L"FAIL");
    WaitUntilShown(dialog, 3, L"PASS");
    HWND scan = GetDlgItem(dialog, IDC_SCAN);
    SendMessageW(dialog, kStatusMessage, 0, 2);
    SendMessageW(dialog, kControlsMessage, 0, 0);
    EXPECT_TRUE(Eventually([&] { return !IsWindowEnabled(scan); }));
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_STATUS)), L"PASS");
    EXPECT_FALSE(ToolbarEnabled(dialog, ID_SETTING));
    EXPECT_FALSE(ToolbarEnabled(dialog, ID_PORT_SETTING));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_CLEAR)));
    SendMessageW(dialog, kControlsMessage, 0, 1);
    EXPECT_TRUE(Eventually([&] { return IsWindowEnabled(scan) != FALSE; }));
    EXPECT_TRUE(ToolbarEnabled(dialog, ID_SETTING));
    EXPECT_TRUE(ToolbarEnabled(dialog, ID_PORT_SETTING));

    // 11142: the communication text.
    SendMessageW(dialog, kCommTextMessage, 0, 0);
    WaitUntilShown(dialog, 3, L"PASS");
    EXPECT_EQ(Text(GetDlgItem(dialog, IDC_COMM_TEXT)), L"Uart Communication\r\nPort: 7");

    // 11139 and 11138 read only what the station's own run hands over: a text or a record at
    // any other address, readable or not, is ignored.
    HWND message = GetDlgItem(dialog, IDC_MESSAGE);
    HWND detail = GetDlgItem(dialog, IDC_TEST_DETAIL);
    const std::wstring messageBefore = Text(message);
    SendMessageW(dialog, kTextMessage, reinterpret_cast<WPARAM>(L"Time Out!"), 0x0000FF);
    SendMessageW(dialog, kTextMessage, 16, 0x0000FF);
    RowReport foreign{};
    wcscpy(foreign.itemName, L"SIM Card");
    foreign.column = 3;
    wcscpy(foreign.text, L"foreign");
    SendMessageW(dialog, kRowReportMessage, 0, reinterpret_cast<LPARAM>(&foreign));
    SendMessageW(dialog, kRowReportMessage, 0, 16);
    WaitUntilShown(dialog, 4, L"FAIL");
    EXPECT_EQ(Text(message), messageBefore);
    EXPECT_EQ(Cell(list, 1, 3), L"");
    EXPECT_NE(Text(detail), L"foreign");
    EXPECT_EQ(SelectedRow(list), 0);  // the first scannable item, as at start-up

    // 11138 with the engine's own record: a detail cell also fills the Test Detail box, a result
    // cell does not; a name the list does not hold only clears the selection.
    CheckContext& engine = window.checkContext();
    BeginRow(engine, L"SIM Card");
    ReportDetail(engine, L"+CME ERROR: 10", kColorFail);
    EXPECT_TRUE(Eventually([&] { return SelectedRow(list) == 1; }));
    EXPECT_EQ(Cell(list, 1, 3), L"+CME ERROR: 10");
    EXPECT_EQ(Text(detail), L"+CME ERROR: 10");
    ReportResult(engine, false);
    WaitUntilShown(dialog, 3, L"PASS");
    EXPECT_EQ(Cell(list, 1, 2), L"FAIL");
    EXPECT_EQ(SelectedRow(list), 1);
    EXPECT_EQ(Text(detail), L"+CME ERROR: 10");
    BeginRow(engine, L"T Card");
    ReportDetail(engine, L"elsewhere", kColorFail);
    EXPECT_TRUE(Eventually([&] { return SelectedRow(list) == -1; }));
    EXPECT_EQ(Text(detail), L"+CME ERROR: 10");
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
      WaitUntilShown(dialog, enable == 0 ? 1 : 0, enable == 0 ? L"WORKING" : L"IDLE");
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
