#include "station/dialogs/SettingDlg.h"

#include <commctrl.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <utility>

#include "devices/admit.h"
#include "station/dialogs/DialogIds.h"
#include "station/config/CheckCatalogue.h"
#include "station/dialogs/ListRows.h"
#include "station/dialogs/core/CalFlagRows.h"
#include "station/dialogs/core/LimitRows.h"
#include "station/ui/ProgramName.h"

namespace {

// The identity items with their prefix ("first few") controls, in the dialog's order.
struct IdentityControls {
  int check;
  int firstFew;
  int prefix;
  int32_t CheckSettings::*checkField;
  int32_t CheckSettings::*firstFewField;
};

const IdentityControls kIdentities[] = {
    {IDC_SET_CHECK_IMEI1, IDC_SET_IMEI1_FIRST_FEW, IDC_SET_IMEI1_PREFIX, &CheckSettings::checkImei1,
     &CheckSettings::checkImei1Prefix},
    {IDC_SET_CHECK_IMEI2, IDC_SET_IMEI2_FIRST_FEW, IDC_SET_IMEI2_PREFIX, &CheckSettings::checkImei2,
     &CheckSettings::checkImei2Prefix},
    {IDC_SET_CHECK_IMEI3, IDC_SET_IMEI3_FIRST_FEW, IDC_SET_IMEI3_PREFIX, &CheckSettings::checkImei3,
     &CheckSettings::checkImei3Prefix},
    {IDC_SET_CHECK_SN1, IDC_SET_SN1_FIRST_FEW, IDC_SET_SN1_PREFIX, &CheckSettings::checkSn1,
     &CheckSettings::checkSn1Prefix},
    {IDC_SET_CHECK_SN2, IDC_SET_SN2_FIRST_FEW, IDC_SET_SN2_PREFIX, &CheckSettings::checkSn2,
     &CheckSettings::checkSn2Prefix},
    {IDC_SET_CHECK_BT, IDC_SET_BT_FIRST_FEW, IDC_SET_BT_PREFIX, &CheckSettings::checkBtAddr,
     &CheckSettings::checkBtAddrPrefix},
    {IDC_SET_CHECK_WIFI, IDC_SET_WIFI_FIRST_FEW, IDC_SET_WIFI_PREFIX, &CheckSettings::checkWifiAddr,
     &CheckSettings::checkWifiAddrPrefix},
};

const wchar_t* const kWgModeItems[] = {L"W/G", L"T/G"};
const wchar_t* const kSaveLogItems[] = {L"Not Save", L"Save By SN1", L"Save By SN2",
                                        L"Save By IMEI1"};

enum LimitColumn { kCheckColumn, kNameColumn, kLowColumn, kHighColumn, kUnitColumn };

CSettingDlg::WarningSink& Sink() {
  static CSettingDlg::WarningSink sink;
  return sink;
}

template <size_t N>
void ExchangeText(ui::DataExchange& dx, int id, wchar_t (&field)[N]) {
  dx.Text(id, field, N);
}

template <size_t N>
void LimitText(HWND dialog, int id, const wchar_t (&)[N]) {
  SendDlgItemMessageW(dialog, id, EM_SETLIMITTEXT, N - 1, 0);
}

void AddComboItems(HWND combo, const wchar_t* const* items, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i]));
  }
}

// The ANSI form of a limit cell, as the cell buffer holds it.
LimitCellBuffer CellBuffer(const std::wstring& text) {
  if (text.empty()) {
    return {};
  }
  int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                  0, nullptr, nullptr);
  std::string ansi(bytes > 0 ? static_cast<size_t>(bytes) : 0, '\0');
  if (bytes > 0) {
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), ansi.data(), bytes,
                        nullptr, nullptr);
  }
  return ToLimitCellBuffer(ansi);
}

}  // namespace

CSettingDlg::CSettingDlg(const CheckSettings& copy, StationList& stations)
    : Dialog(IDD_SETTING),
      settings(copy),
      manageAccounts([] { ADMIT_ManageAccounts(); }),
      stations_(stations) {}

void CSettingDlg::SetWarningSink(WarningSink sink) {
  Sink() = std::move(sink);
}

bool CSettingDlg::OnInitDialog() {
  AddComboItems(Item(IDC_SET_WG_MODE), kWgModeItems, std::size(kWgModeItems));
  AddComboItems(Item(IDC_SET_SAVE_LOG), kSaveLogItems, std::size(kSaveLogItems));
  LimitEditBoxes();

  CheckItem(IDC_SET_WCDMA_GSM, settings.wcdmaGsm != 0);
  CheckItem(IDC_SET_SECURE_BOOT, settings.checkSecureBoot != 0);
  ApplyEnables();
  UpdateData(false);

  FillStationList();
  FillCalFlagList();
  FillLimitList();

  powerOff_ = OpenPowerOffChoices(settings);
  ShowPowerOffView();
  UpdateData(false);
  return true;
}

// Nothing typed can be longer than the field that keeps it; a limit cell is read through a
// buffer of a few bytes.
void CSettingDlg::LimitEditBoxes() {
  LimitText(hwnd(), IDC_SET_MODEM_VERSION, settings.modemVersion);
  LimitText(hwnd(), IDC_SET_AP_VERSION, settings.apVersion);
  LimitText(hwnd(), IDC_SET_IMEI1_PREFIX, settings.imei1Prefix);
  LimitText(hwnd(), IDC_SET_IMEI2_PREFIX, settings.imei2Prefix);
  LimitText(hwnd(), IDC_SET_IMEI3_PREFIX, settings.imei3Prefix);
  LimitText(hwnd(), IDC_SET_SN1_PREFIX, settings.sn1Prefix);
  LimitText(hwnd(), IDC_SET_SN2_PREFIX, settings.sn2Prefix);
  LimitText(hwnd(), IDC_SET_BT_PREFIX, settings.btAddrPrefix);
  LimitText(hwnd(), IDC_SET_WIFI_PREFIX, settings.wifiAddrPrefix);
  SendDlgItemMessageW(hwnd(), IDC_SET_LIMIT_EDIT, EM_SETLIMITTEXT, kLimitCellBytes - 1, 0);
}

void CSettingDlg::DoDataExchange(ui::DataExchange& dx) {
  // "WCDMA+GSM" and "SecureBoot Enable" are read from their buttons on OK.
  dx.ComboIndex(IDC_SET_WG_MODE, settings.wcdmaGsmMode);
  dx.Check(IDC_SET_POWER_OFF, settings.powerOffAfterCheck);
  dx.ComboIndex(IDC_SET_SAVE_LOG, settings.saveLog);
  for (const IdentityControls& item : kIdentities) {
    dx.Check(item.check, settings.*item.checkField);
    dx.Check(item.firstFew, settings.*item.firstFewField);
  }
  ExchangeText(dx, IDC_SET_IMEI1_PREFIX, settings.imei1Prefix);
  ExchangeText(dx, IDC_SET_IMEI2_PREFIX, settings.imei2Prefix);
  ExchangeText(dx, IDC_SET_IMEI3_PREFIX, settings.imei3Prefix);
  ExchangeText(dx, IDC_SET_SN1_PREFIX, settings.sn1Prefix);
  ExchangeText(dx, IDC_SET_SN2_PREFIX, settings.sn2Prefix);
  ExchangeText(dx, IDC_SET_BT_PREFIX, settings.btAddrPrefix);
  ExchangeText(dx, IDC_SET_WIFI_PREFIX, settings.wifiAddrPrefix);
  dx.Check(IDC_SET_FACTORY_RESET, settings.factoryReset);
  dx.Check(IDC_SET_CHECK_MMI, settings.checkNativeMmi);
  dx.Check(IDC_SET_CHECK_TCARD, settings.checkTCard);
  dx.Check(IDC_SET_CHECK_SIM, settings.checkSimCard);
  dx.Check(IDC_SET_CHECK_FGU_TYPE, settings.checkFguType);
  dx.Check(IDC_SET_CHECK_MODEM, settings.checkModemVersion);
  ExchangeText(dx, IDC_SET_MODEM_VERSION, settings.modemVersion);
  dx.Check(IDC_SET_CHECK_AP, settings.checkApVersion);
  ExchangeText(dx, IDC_SET_AP_VERSION, settings.apVersion);
}

void CSettingDlg::ApplyEnables() {
  EnableItem(IDC_SET_MODEM_VERSION, settings.checkModemVersion != 0);
  EnableItem(IDC_SET_AP_VERSION, settings.checkApVersion != 0);
  EnableItem(IDC_SET_WG_MODE, ItemChecked(IDC_SET_WCDMA_GSM));
  for (const IdentityControls& item : kIdentities) {
    FirstFewEnables enables =
        FirstFewEnablesFor(settings.*item.checkField, settings.*item.firstFewField);
    EnableItem(item.firstFew, enables.box);
    EnableItem(item.prefix, enables.text);
  }
}

void CSettingDlg::FillStationList() {
  HWND list = Item(IDC_SET_STATION_LIST);
  AddListStyles(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  RECT client{};
  GetClientRect(list, &client);
  const int width = client.right - client.left;
  AddListColumn(list, 0, L"   #", width * 2 / 5);
  AddListColumn(list, 1, L"Name", width * 3 / 5 - 10);
  int row = 0;
  for (const auto& [index, station] : stations_) {
    wchar_t label[32] = {};
    swprintf(label, std::size(label), L"STATION %d", index + 1);
    int inserted = InsertListRow(list, row, label, index);
    std::wstring name(station.name, wcsnlen(station.name, std::size(station.name)));
    SetListCell(list, inserted, 1, name);
    if (index >= 0 && index < kMaxSelectableStations) {
      SetListCheck(list, inserted, station.selected != 0);
    } else {
      // The station mask has no bit for it: the row shows no check box and refuses one.
      ListView_SetItemState(list, inserted, INDEXTOSTATEIMAGEMASK(0), LVIS_STATEIMAGEMASK);
    }
    ++row;
  }
}

void CSettingDlg::FillCalFlagList() {
  HWND list = Item(IDC_SET_CALFLAG_LIST);
  AddListStyles(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  RECT client{};
  GetClientRect(list, &client);
  AddListColumn(list, 0, L"Name", client.right - client.left - 20);
  const CalFlagRowChecks checks = CalFlagRowsFromMasks(settings);
  for (int j = 0; j < kCalFlagCount; ++j) {
    int row = InsertListRow(list, j, CalFlagNames[j], j);
    SetListCheck(list, row, checks[j]);
  }
}

void CSettingDlg::FillLimitList() {
  limits_.SubclassDlgItem(hwnd(), IDC_SET_LIMIT_LIST);
  HWND list = limits_.hwnd();
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  const struct {
    const wchar_t* name;
    int width;
  } columns[] = {
      {L"Check", 40}, {L"Voltage", 150}, {L"Low Limit", 80}, {L"High Limit", 80}, {L"Unit", 60}};
  for (int c = 0; c < static_cast<int>(std::size(columns)); ++c) {
    AddListColumn(list, c, columns[c].name, columns[c].width, LVCFMT_CENTER);
  }
  fillingLimits_ = true;
  for (int row = 0; row < kLimitRowCount; ++row) {
    AddLimitRow(row);
    SetListCheck(list, row, settings.*kLimitRows[row].check != 0);
  }
  fillingLimits_ = false;
  HWND editor = Item(IDC_SET_LIMIT_EDIT);
  limits_.SetColumnEditor(kLowColumn, editor);
  limits_.SetColumnEditor(kHighColumn, editor);
}

// A row as the settings copy has it, unchecked.
void CSettingDlg::AddLimitRow(int row) {
  int inserted = limits_.InsertRow(row, L"");
  if (inserted < 0) {
    return;
  }
  limits_.SetCellText(inserted, kNameColumn, kLimitRows[row].name);
  limits_.SetCellText(inserted, kLowColumn, LowLimitText(settings, row));
  limits_.SetCellText(inserted, kHighColumn, HighLimitText(settings, row));
  limits_.SetCellText(inserted, kUnitColumn, kLimitRows[row].unit);
}

void CSettingDlg::ShowPowerOffView() {
  EnableItem(IDC_SET_FACTORY_RESET, powerOff_.factoryResetEnabled);
  EnableItem(IDC_SET_POWER_OFF, powerOff_.powerOffEnabled);
  fillingLimits_ = true;
  const int rows = limits_.RowCount();
  if (!powerOff_.rowPresent && rows > kPowerOffRow) {
    if (limits_.IsEditing() && limits_.editRow() == kPowerOffRow) {
      limits_.EndEdit(false);
    }
    SetListCheck(limits_.hwnd(), kPowerOffRow, false);
    limits_.DeleteRow(kPowerOffRow);
  } else if (powerOff_.rowPresent && rows == kPowerOffRow) {
    AddLimitRow(kPowerOffRow);
  }
  if (powerOff_.rowPresent) {
    SetListCheck(limits_.hwnd(), kPowerOffRow, powerOff_.rowChecked);
  }
  fillingLimits_ = false;
}

bool CSettingDlg::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) {
    return false;
  }
  switch (id) {
    case IDC_SET_ACCOUNTS:
      if (manageAccounts) {
        manageAccounts();
      }
      return true;
    case IDC_SET_FACTORY_RESET:
      UpdateData(true);
      FactoryResetClicked(settings, powerOff_);
      ShowPowerOffView();
      UpdateData(false);
      return true;
    case IDC_SET_POWER_OFF:
      UpdateData(true);
      PowerOffClicked(settings, powerOff_);
      ShowPowerOffView();
      UpdateData(false);
      return true;
    case IDC_SET_CHECK_MODEM:
    case IDC_SET_CHECK_AP:
    case IDC_SET_WCDMA_GSM:
      UpdateData(true);
      ApplyEnables();
      return true;
    default:
      break;
  }
  for (const IdentityControls& item : kIdentities) {
    if (id == item.check || id == item.firstFew) {
      UpdateData(true);
      ApplyEnables();
      return true;
    }
  }
  return false;
}

bool CSettingDlg::OnNotify(int id, NMHDR* header, LRESULT& result) {
  if (id == IDC_SET_STATION_LIST && header->code == LVN_ITEMCHANGING) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    const bool tick =
        (change->uChanged & LVIF_STATE) != 0 && (change->uNewState & LVIS_STATEIMAGEMASK) != 0;
    const LPARAM index = ListRowValue(header->hwndFrom, change->iItem);
    const bool selectable = index >= 0 && index < kMaxSelectableStations;
    // A station beyond the mask's bits keeps its row without a check box.
    result = tick && !selectable ? TRUE : FALSE;
    return result == TRUE;
  }
  if (id != IDC_SET_LIMIT_LIST || header->code != LVN_ITEMCHANGED || fillingLimits_) {
    return false;
  }
  const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
  const UINT before = change->uOldState & LVIS_STATEIMAGEMASK;
  const UINT after = change->uNewState & LVIS_STATEIMAGEMASK;
  if (change->iItem != kPowerOffRow || (change->uChanged & LVIF_STATE) == 0 || before == 0 ||
      after == 0 || before == after) {
    return false;
  }
  PowerOffRowToggled(before == INDEXTOSTATEIMAGEMASK(2));
  return true;
}

void CSettingDlg::PowerOffRowToggled(bool wasChecked) {
  UpdateData(true);
  PowerOffRowClicked(settings, powerOff_, wasChecked);
  ShowPowerOffView();
  UpdateData(false);
}

void CSettingDlg::Warn(const wchar_t* warning) {
  if (Sink()) {
    Sink()(hwnd(), warning);
  } else {
    MessageBoxW(hwnd(), warning, ui::ProgramName().c_str(), MB_OK | MB_ICONEXCLAMATION);
  }
}

void CSettingDlg::OnOK() {
  UpdateData(true);
  if (const wchar_t* warning = VersionLengthWarning(settings)) {
    Warn(warning);
    return;
  }
  settings.wcdmaGsm = ItemChecked(IDC_SET_WCDMA_GSM) ? 1 : 0;
  settings.checkSecureBoot = ItemChecked(IDC_SET_SECURE_BOOT) ? 1 : 0;
  TakeStations();
  TakeCalFlags();
  TakeLimits();
  EndDialog(IDOK);
}

void CSettingDlg::TakeStations() {
  HWND list = Item(IDC_SET_STATION_LIST);
  const int rows = ListRowCount(list);
  for (int row = 0; row < rows; ++row) {
    auto entry = stations_.find(static_cast<int32_t>(ListRowValue(list, row)));
    if (entry != stations_.end()) {
      entry->second.selected = ListCheck(list, row) ? 1 : 0;
    }
  }
}

void CSettingDlg::TakeCalFlags() {
  HWND list = Item(IDC_SET_CALFLAG_LIST);
  CalFlagRowChecks rows{};
  const int count = ListRowCount(list);
  for (int j = 0; j < kCalFlagCount && j < count; ++j) {
    rows[j] = ListCheck(list, j);
  }
  TakeCalFlagRows(settings, rows);
}

void CSettingDlg::TakeLimits() {
  LimitRowInput rows[kLimitRowCount] = {};
  const int count = limits_.RowCount() < kLimitRowCount ? limits_.RowCount() : kLimitRowCount;
  for (int row = 0; row < count; ++row) {
    rows[row].checked = ListCheck(limits_.hwnd(), row);
    // A cell that still shows the stored limit keeps it exactly: its text may be longer than
    // the cell buffer, or a real number rounded to two places.
    const std::wstring low = limits_.CellText(row, kLowColumn);
    const std::wstring high = limits_.CellText(row, kHighColumn);
    rows[row].lowKept = low == LowLimitText(settings, row);
    rows[row].highKept = high == HighLimitText(settings, row);
    rows[row].low = CellBuffer(low);
    rows[row].high = CellBuffer(high);
  }
  TakeLimitRows(settings, rows, count);
}
