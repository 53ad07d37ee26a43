#include "station/dialogs/core/LimitRows.h"

#include <cwchar>

#include "station/config/ProfileText.h"

namespace {

constexpr LimitRow IntRow(const wchar_t* name, const wchar_t* unit, int32_t CheckSettings::*check,
                          int32_t CheckSettings::*low, int32_t CheckSettings::*high) {
  return {name, unit, check, low, high, nullptr, nullptr};
}

std::wstring LimitText(const CheckSettings& settings, int row, bool high) {
  if (row < 0 || row >= kLimitRowCount) {
    return {};
  }
  const LimitRow& r = kLimitRows[row];
  wchar_t text[48] = {};
  if (r.lowReal != nullptr) {
    FormatFloatTwo(settings.*(high ? r.highReal : r.lowReal), text, std::size(text));
  } else {
    FormatInt(settings.*(high ? r.high : r.low), text, std::size(text));
  }
  return text;
}

// The cell's bytes as wide characters, byte for byte: only digits, signs, points and blanks
// matter to the number, and they are the same in every ANSI code page.
void WidenCell(const LimitCellBuffer& cell, wchar_t (&out)[kLimitCellBytes]) {
  size_t i = 0;
  for (; i + 1 < cell.size() && cell[i] != '\0'; ++i) {
    out[i] = static_cast<wchar_t>(static_cast<unsigned char>(cell[i]));
  }
  out[i] = L'\0';
}

int32_t CellInt(const LimitCellBuffer& cell) {
  wchar_t text[kLimitCellBytes];
  WidenCell(cell, text);
  return TextToInt(text);
}

float CellReal(const LimitCellBuffer& cell) {
  wchar_t text[kLimitCellBytes];
  WidenCell(cell, text);
  return TextToFloat(text);
}

}  // namespace

const LimitRow kLimitRows[kLimitRowCount] = {
    IntRow(L"AUX 3.6", L"mV", &CheckSettings::checkAux36, &CheckSettings::auxLo36,
           &CheckSettings::auxHi36),
    IntRow(L"AUX 3.8", L"mV", &CheckSettings::checkAux38, &CheckSettings::auxLo38,
           &CheckSettings::auxHi38),
    IntRow(L"AUX 4.2", L"mV", &CheckSettings::checkAux42, &CheckSettings::auxLo42,
           &CheckSettings::auxHi42),
    IntRow(L"FGU 3.6", L"mV", &CheckSettings::checkFgu36, &CheckSettings::fguLo36,
           &CheckSettings::fguHi36),
    IntRow(L"FGU 3.8", L"mV", &CheckSettings::checkFgu38, &CheckSettings::fguLo38,
           &CheckSettings::fguHi38),
    IntRow(L"FGU 4.2", L"mV", &CheckSettings::checkFgu42, &CheckSettings::fguLo42,
           &CheckSettings::fguHi42),
    IntRow(L"Charge Current", L"mA", &CheckSettings::checkChargeCurrent,
           &CheckSettings::chargeCurrentLo, &CheckSettings::chargeCurrentHi),
    IntRow(L"Power On Current", L"mA", &CheckSettings::checkPowerOnCurrent,
           &CheckSettings::powerOnCurrentLo, &CheckSettings::powerOnCurrentHi),
    {L"DeepSleep Current", L"mA", &CheckSettings::checkDeepSleepCurrent, nullptr, nullptr,
     &CheckSettings::deepSleepCurrentLo, &CheckSettings::deepSleepCurrentHi},
    IntRow(L"Power Off Current", L"uA", &CheckSettings::checkPowerOffCurrent,
           &CheckSettings::powerOffCurrentLo, &CheckSettings::powerOffCurrentHi),
};

std::wstring LowLimitText(const CheckSettings& settings, int row) {
  return LimitText(settings, row, false);
}

std::wstring HighLimitText(const CheckSettings& settings, int row) {
  return LimitText(settings, row, true);
}

LimitCellBuffer ToLimitCellBuffer(std::string_view ansi) {
  LimitCellBuffer cell{};
  size_t count = 0;
  while (count + 1 < cell.size() && count < ansi.size() && ansi[count] != '\0') {
    cell[count] = ansi[count];
    ++count;
  }
  return cell;
}

void TakeLimitRows(CheckSettings& settings, const LimitRowInput* rows, int rowCount) {
  const bool powerOffRowTaken = settings.factoryReset == 0 && settings.powerOffAfterCheck == 0;
  for (int row = 0; row < kLimitRowCount && row < rowCount; ++row) {
    if (row == kPowerOffRow && !powerOffRowTaken) {
      break;
    }
    const LimitRow& r = kLimitRows[row];
    const LimitRowInput& input = rows[row];
    settings.*r.check = input.checked ? 1 : 0;
    if (r.lowReal != nullptr) {
      if (!input.lowKept) {
        settings.*r.lowReal = CellReal(input.low);
      }
      if (!input.highKept) {
        settings.*r.highReal = CellReal(input.high);
      }
    } else {
      if (!input.lowKept) {
        settings.*r.low = CellInt(input.low);
      }
      if (!input.highKept) {
        settings.*r.high = CellInt(input.high);
      }
    }
  }
  if (!powerOffRowTaken) {
    settings.*kLimitRows[kPowerOffRow].check = 0;
  }
}
