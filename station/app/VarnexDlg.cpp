#include "station/app/VarnexDlg.h"

#include <commctrl.h>

#include <cwchar>
#include <iterator>
#include <utility>

#include "station/app/core/CounterRefresh.h"
#include "station/app/core/ResultList.h"
#include "station/app/resource.h"
#include "station/config/ConfigFile.h"
#include "station/dialogs/AboutDlg.h"
#include "station/dialogs/DialogCommands.h"
#include "station/dialogs/ModuleVersionInfo.h"
#include "station/engine/LogFiles.h"
#include "station/run/RunMessages.h"
#include "station/run/core/RepeatStep.h"
#include "station/run/core/ScanInput.h"

namespace {

constexpr wchar_t kListHeadings[] = L"Item,120;Expected Value,200;Result,65;Test Detail,185";
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kCounterPass = 0x008000;
constexpr COLORREF kCounterFail = 0x0000FF;
constexpr COLORREF kCounterRatio = 0xFF0000;
// Posted by the line results' sender when the link state changes.
constexpr UINT kLineStateMessage = WM_APP + 2;

// The message line when something could not be written; the Test Detail box says what.
constexpr wchar_t kRunLogsNotSaved[] = L"Finished! Logs not saved: see Test Detail.";
constexpr wchar_t kLogsNotSaved[] = L"Logs cannot be saved: see Test Detail.";
constexpr wchar_t kSettingsNotSaved[] = L"Settings and counters not saved: see Test Detail.";

// The edit box breaks lines only at CR LF.
std::wstring BoxLines(const std::wstring& text) {
  std::wstring lines;
  for (wchar_t c : text) {
    if (c == L'\n') {
      lines += L'\r';
    }
    lines += c;
  }
  return lines;
}

HFONT MakeFont(const wchar_t* face, int height, int weight) {
  return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, face);
}

std::wstring LoadText(HINSTANCE instance, UINT id) {
  const wchar_t* text = nullptr;
  int length = LoadStringW(instance, id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text != nullptr ? std::wstring(text, static_cast<size_t>(length))
                                       : std::wstring();
}

}  // namespace

CVarnexDlg::CVarnexDlg(VarnexDlgSetup setup)
    : Dialog(IDD_VARNEX_DIALOG), setup_(std::move(setup)), run_(context_, *this) {
  context_.phone = setup_.phone;
  // The waits of a Start (the supply ramp) run on the window's thread: they go on answering
  // the messages other threads and programs send to the window. A worker's waits just sleep.
  const DWORD windowThread = GetCurrentThreadId();
  context_.sleep = [windowThread](uint32_t milliseconds) {
    if (GetCurrentThreadId() != windowThread) {
      Sleep(milliseconds);
      return;
    }
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
      MSG message;
      PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) {
        return;
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                                QS_SENDMESSAGE);
    }
  };
}

CVarnexDlg::~CVarnexDlg() {
  // A window that never got its close request (a failed creation, a test) still lets go of
  // the run before the context goes.
  run_.Shutdown();
  if (listFont_ != nullptr) {
    DeleteObject(listFont_);
  }
  if (bigFont_ != nullptr) {
    DeleteObject(bigFont_);
  }
}

bool CVarnexDlg::OnInitDialog() {
  Adjust(hwnd());
  AddAboutMenuItem();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  icon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                        GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                        LR_SHARED));
  smallIcon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

  MakeRoomForToolbar();

  list_.SubclassDlgItem(hwnd(), IDC_RESULT_LIST);
  itemLabel_.SubclassDlgItem(hwnd(), IDC_ITEM_LABEL);
  message_.SubclassDlgItem(hwnd(), IDC_MESSAGE);
  status_.SubclassDlgItem(hwnd(), IDC_STATUS);
  passCount_.SubclassDlgItem(hwnd(), IDC_PASS_COUNT);
  failCount_.SubclassDlgItem(hwnd(), IDC_FAIL_COUNT);
  passRatio_.SubclassDlgItem(hwnd(), IDC_PASS_RATIO);
  listFont_ = MakeFont(L"Cambria", 20, FW_NORMAL);
  bigFont_ = MakeFont(L"Cambria", 28, FW_BOLD);
  SendMessageW(list_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(listFont_), FALSE);
  ListView_SetExtendedListViewStyle(list_.hwnd(), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  list_.SetHeadings(kListHeadings);

  LoadStation();
  RefreshCounters(false);

  SetUpFontsAndColours();

  SetControlsEnabled(1);
  ApplyScanPrefixes(*this, settings_);
  RebuildResultList();
  SetStatus(kStatusIdle);
  RefreshCommText();

  context_.window = hwnd();
  SnapshotSettings();
  context_.stations = &runStations_;
  if (settings_.saveVoltageLog != 0 && OpenVoltageLog(context_) == 0) {
    ShowLogTrouble(kLogsNotSaved);
  }

  SelectFirstScannableItem(*this, settings_);
  run_.Create(hwnd());
  if (const std::wstring warning = lineResults_.Start(run_, hwnd(), kLineStateMessage);
      !warning.empty()) {
    ShowDetail(detailText_.empty() ? warning : detailText_ + L"\r\n" + warning);
  }
  SetItemText(IDC_LINE_STATE, lineResults_.StateText());
  ShowBoundValues();
  Finish();
  FocusScanField();
  return false;  // the scan field has the focus
}

void CVarnexDlg::AddAboutMenuItem() {
  HMENU menu = GetSystemMenu(hwnd(), FALSE);
  std::wstring about = LoadText(GetModuleHandleW(nullptr), IDS_ABOUTBOX);
  if (menu != nullptr && !about.empty()) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
  }
}

void CVarnexDlg::MakeRoomForToolbar() {
  if (!toolbar_.Create(hwnd(), GetModuleHandleW(nullptr))) {
    return;
  }
  const int height = toolbar_.Height();
  for (HWND child = GetWindow(hwnd(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (child == toolbar_.hwnd()) {
      continue;
    }
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    SetWindowPos(child, nullptr, rect.left, rect.top + height, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RECT window{};
  GetWindowRect(hwnd(), &window);
  SetWindowPos(hwnd(), nullptr, 0, 0, window.right - window.left,
               window.bottom - window.top + height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVarnexDlg::SetUpFontsAndColours() {
  RECT panel{};
  GetClientRect(status_.hwnd(), &panel);
  status_.SetFont(L"Tahoma", (panel.right - panel.left) / 12, (panel.bottom - panel.top) / 2,
                  FW_BOLD);
  for (CColorStatic* counter : {&passCount_, &failCount_, &passRatio_}) {
    counter->SetFont(L"Cambria", 9, 20, FW_BOLD);
  }
  passCount_.SetTextColor(kCounterPass);
  failCount_.SetTextColor(kCounterFail);
  passRatio_.SetTextColor(kCounterRatio);
  itemLabel_.SetBackgroundColor(kWhite);
  itemLabel_.SetFont(L"Cambria", 0, 28, FW_BOLD);
  for (int id : {IDC_SCAN, IDC_CLEAR, IDC_START_STOP}) {
    SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(bigFont_), FALSE);
  }
  message_.SetFont(L"Cambria", 0, 20, FW_NORMAL);
  SetStartStopText(L"Start");
}

void CVarnexDlg::LoadStation() {
  if (setup_.configPath.empty()) {
    LoadConfiguration(paths_, window_, settings_, stations_);
  } else {
    FormConfigPathsFromFile(setup_.configPath.c_str(), paths_);
    LoadConfigurationFrom(paths_, window_, settings_, stations_);
  }
  RunCounters& counters = run_.counters();
  counters.passCount.store(window_.passCount);
  counters.failCount.store(window_.failCount);
  counters.blockFailCount.store(0);
}

bool CVarnexDlg::SaveStation() {
  window_.passCount = run_.counters().passCount.load();
  window_.failCount = run_.counters().failCount.load();
  return SaveConfiguration(paths_, window_, settings_);
}

std::wstring CVarnexDlg::NotSavedText() const {
  return std::wstring(L"Varnex.ini could not be written:\n") + paths_.configPath +
         L"\nThe settings and counters are kept only until the program ends.";
}

void CVarnexDlg::SayNotSaved() {
  ShowMessage(kSettingsNotSaved, kColorFail);
  ShowDetail(BoxLines(NotSavedText()));
}

void CVarnexDlg::ShowLogTrouble(const wchar_t* messageLine) {
  const std::wstring trouble = TakeLogTrouble(context_);
  if (!trouble.empty()) {
    ShowMessage(messageLine, kColorFail);
    ShowDetail(BoxLines(trouble));
  }
}

void CVarnexDlg::SnapshotSettings() {
  // Only while no run is active: the worker reads the context's copies without a lock.
  if (!run_.running()) {
    context_.settings = settings_;
    runStations_ = stations_;
    snapshotPending_ = false;
  }
}

void CVarnexDlg::ShowBoundValues() {
  pushingData_ = true;
  UpdateData(false);
  pushingData_ = false;
}

void CVarnexDlg::DoDataExchange(ui::DataExchange& dx) {
  dx.Text(IDC_PASS_COUNT, passText_);
  dx.Text(IDC_FAIL_COUNT, failText_);
  dx.Text(IDC_PASS_RATIO, ratioText_);
  dx.Text(IDC_SCAN, scanText_);
  dx.Text(IDC_TEST_DETAIL, detailText_);
}

void CVarnexDlg::StartStop() {
  ShowWaitingSteps();
  RunLink link;
  link.uart = window_.uart;
  link.port = window_.port;
  link.powerOnWaitTime = window_.powerOnWaitTime;
  run_.StartStop(settings_, link);
  ApplyPendingChanges();
}

void CVarnexDlg::OnStopRequest(WPARAM runNumber) {
  run_.OnStopRequest(runNumber);
  ApplyPendingChanges();
}

// What a dialog confirmed during the run that has now ended.
void CVarnexDlg::ApplyPendingChanges() {
  if (run_.running()) {
    return;
  }
  if (snapshotPending_) {
    SnapshotSettings();
  }
  portChangedInRun_ = false;
  if (portShowPending_) {
    portShowPending_ = false;
    RefreshCommText();
  }
  if (settingsShowPending_) {
    settingsShowPending_ = false;
    ShowSettingsChange();
  }
}

void CVarnexDlg::RefreshCounters(bool endOfRun) {
  ShowWaitingSteps();
  RunCounters& counters = run_.counters();
  CounterState state;
  state.passCount = counters.passCount.load();
  state.failCount = counters.failCount.load();
  state.blockFailCount = counters.blockFailCount.load();
  state.noticeShown = noticeShown_;
  const uint32_t blockFailuresSeen = state.blockFailCount;
  CounterRefresh refresh = ::RefreshCounters(state);
  if (refresh.blockReset) {
    counters.EndBlock(blockFailuresSeen);
  }
  noticeShown_ = state.noticeShown;
  if (refresh.notice) {
    ShowNotice(kFailRatioNotice);
  }
  HINSTANCE instance = GetModuleHandleW(nullptr);
  passText_ = FormatCounterText(LoadText(instance, IDS_PASS_COUNT), state.passCount);
  failText_ = FormatCounterText(LoadText(instance, IDS_FAIL_COUNT), state.failCount);
  ratioText_ = FormatCounterText(LoadText(instance, IDS_PASS_RATIO), refresh.ratioPercent);

  bool prepare = false;
  if (endOfRun) {
    // The codes of a series belong to its phone until its last run has ended.
    RepeatDecision decision =
        RepeatStep(window_.repeatsLeft, window_.testCounts, window_.scanner != 0);
    window_.repeatsLeft = decision.repeatsLeft;
    if (decision.startNextRun && !closing_) {
      StartStop();
    }
    prepare = decision.prepareNextPhone;
  } else {
    prepare = PrepareOutsideRun(window_.scanner != 0, run_.running(), window_.repeatsLeft,
                                window_.testCounts);
  }
  scanText_ = ItemText(IDC_SCAN);
  ShowBoundValues();
  if (prepare) {
    PrepareForNextPhone(*this, settings_);
  }
}

void CVarnexDlg::ShowNotice(const std::wstring& text) {
  if (setup_.showNotice) {
    setup_.showNotice(hwnd(), text.c_str());
  } else {
    MessageBoxW(hwnd(), text.c_str(), L"Varnex", MB_OK);
  }
}

void CVarnexDlg::Clear() {
  run_.counters().passCount.store(0);
  run_.counters().failCount.store(0);
  RefreshCounters(false);
}

void CVarnexDlg::ShowAbout(bool stationName) {
  CXAboutDlg about;
  if (stationName) {
    about.SetProductName(L"Varnex");
  }
  about.DoModal(hwnd());
}

// Both dialogs open whenever their command is enabled, during a run too (a restricted
// operator's port command, a link that failed to open); what a run uses changes only when it
// has ended.
void CVarnexDlg::OnSettingCommand() {
  if (!toolbar_.CommandEnabled(ID_SETTING)) {
    return;
  }
  if (RunSettingCommand(hwnd(), settings_, window_, stations_)) {
    ApplySettingsChange();
  }
  // The scanner's codes and its Enter key go on reaching the window.
  FocusScanField();
}

void CVarnexDlg::OnPortCommand() {
  if (!toolbar_.CommandEnabled(ID_PORT_SETTING)) {
    return;
  }
  if (RunPortCommand(hwnd(), window_, settings_)) {
    ApplyPortChange();
  }
  FocusScanField();
}

void CVarnexDlg::ApplySettingsChange() {
  SnapshotSettings();
  snapshotPending_ = run_.running();
  const bool saved = SaveStation();
  // A worker's rows are still coming into the list: the list follows when the run has ended.
  if (run_.hasWorker()) {
    settingsShowPending_ = true;
  } else {
    ShowSettingsChange();
  }
  if (!saved) {
    SayNotSaved();
  }
}

void CVarnexDlg::ShowSettingsChange() {
  ShowDetail(L"");
  ShowMessage(L"", 0);
  ApplyScanPrefixes(*this, settings_);
  RebuildResultList();
  SelectFirstScannableItem(*this, settings_);
  scanText_ = ItemText(IDC_SCAN);
  ShowBoundValues();
}

void CVarnexDlg::ApplyPortChange() {
  SnapshotSettings();
  snapshotPending_ = run_.running();
  portChangedInRun_ = run_.running();
  if (!SaveStation()) {
    SayNotSaved();
  }
  // The communication text goes on naming the link a worker is using until its run has ended.
  if (run_.hasWorker()) {
    portShowPending_ = true;
    return;
  }
  RefreshCommText();
  RebuildResultList();
}

void CVarnexDlg::OnScanChanged() {
  if (pushingData_) {
    return;
  }
  ShowWaitingSteps();
  scanText_ = ItemText(IDC_SCAN);
  ::OnScanChanged(*this, settings_);
}

// A Start or Stop waits handling messages sent to the window; a command or close request that
// arrives so is posted again and runs when that Start or Stop is over.
bool CVarnexDlg::RepostWhileBusy(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!run_.busy()) {
    return false;
  }
  PostMessageW(hwnd(), message, wParam, lParam);
  return true;
}

bool CVarnexDlg::OnCommand(int id, int code, HWND control) {
  if (id != IDC_SCAN &&
      RepostWhileBusy(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control))) {
    return true;
  }
  switch (id) {
    case IDC_START_STOP:
      // Whoever sends the command, with or without the button's handle, is the operator.
      if (code == BN_CLICKED) {
        StartStop();
      }
      return true;
    case IDC_CLEAR:
      if (code == BN_CLICKED && IsWindowEnabled(Item(IDC_CLEAR))) {
        Clear();
      }
      return true;
    case IDC_SCAN:
      if (code == EN_CHANGE) {
        OnScanChanged();
      }
      return true;
    case ID_SETTING:
      OnSettingCommand();
      return true;
    case ID_PORT_SETTING:
      OnPortCommand();
      return true;
    case ID_ABOUT:
      ShowAbout(false);
      return true;
    default:
      return false;
  }
}

bool CVarnexDlg::OnNotify(int id, NMHDR* header, LRESULT& result) {
  if (id == IDC_RESULT_LIST && header->code == NM_CLICK) {
    ShowWaitingSteps();
    OnRowClicked(*this, SelectedRow());
    result = 0;
    return true;
  }
  return false;
}

// Enter never presses a default button and Escape never ends the window: the window closes
// only through its close request, which runs the closing steps.
void CVarnexDlg::OnOK() {}
void CVarnexDlg::OnCancel() {}

bool CVarnexDlg::PreTranslateMessage(MSG& message) {
  // With the focused scan field disabled for a run no control has the focus, and the key
  // comes to the window as a system key without Alt.
  const bool enter = message.wParam == VK_RETURN &&
                     (message.message == WM_KEYDOWN ||
                      (message.message == WM_SYSKEYDOWN && (message.lParam & (1 << 29)) == 0));
  if (enter && (message.hwnd == hwnd() || IsChild(hwnd(), message.hwnd))) {
    if (IsWindowEnabled(Item(IDC_START_STOP))) {
      StartStop();
    }
    return true;
  }
  return false;
}

LRESULT CVarnexDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = true;
  if (OnDisplayMessage(message, wParam, lParam)) {
    return 0;
  }
  switch (message) {
    case kRunEndedMessage:
      ShowLogTrouble(kRunLogsNotSaved);
      RefreshCounters(true);
      return 0;
    case kRunStopRequestMessage:
      OnStopRequest(wParam);
      return 0;
    case kLineStateMessage:
      SetItemText(IDC_LINE_STATE, lineResults_.StateText());
      return 0;
    case WM_CLOSE:
      if (!RepostWhileBusy(message, wParam, lParam)) {
        Close();
      }
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX && !RepostWhileBusy(message, wParam, lParam)) {
        ShowAbout(true);
        return 0;
      }
      break;
    case WM_SHOWWINDOW:
      SetWindowTextW(hwnd(), (L"Varnex (" + StationVersionStamp() + L")").c_str());
      FocusScanField();
      break;
    case WM_PAINT:
      if (IsIconic(hwnd())) {
        PaintMinimised();
        return 0;
      }
      break;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<LRESULT>(icon_);
    default:
      break;
  }
  handled = false;
  return 0;
}

void CVarnexDlg::PaintMinimised() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd(), &paint);
  SendMessageW(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client{};
  GetClientRect(hwnd(), &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, icon_);
  EndPaint(hwnd(), &paint);
}

void CVarnexDlg::Close() {
  if (closing_) {
    return;
  }
  closing_ = true;
  // The run goes first, so that an abandoned run is not counted and the counters saved next
  // are final; its worker touches nothing of the window afterwards.
  runOutlived_ = !run_.Shutdown();
  steps_.clear();  // the window goes: what the run still reported is never shown
  lineResults_.Stop();
  if (!SaveStation()) {
    ShowNotice(L"The settings and counters could not be saved.\n\n" + NotSavedText());
  }
  ShutdownCheckContext(context_, runOutlived_);
  if (!runOutlived_) {
    stations_.clear();
    runStations_.clear();
  }
  rowIndex_.clear();
  EndDialog(IDOK);
}
