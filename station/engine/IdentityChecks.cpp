// IMEI, serial number and hardware address checks; the IMEI and SN steps also name the test
// log and start the voltage-log line.
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>

#include "devices/dutlink.h"
#include "station/engine/CheckContext.h"
#include "station/engine/Checks.h"
#include "station/engine/Reporting.h"
#include "station/engine/core/IdentityMatch.h"

namespace {

constexpr size_t kIdentityRecordSize = 140;
constexpr uint32_t kMaskImeis = 0x13;
constexpr uint32_t kMaskBtAddr = 0x04;
constexpr uint32_t kMaskWlanAddr = 0x40;
constexpr size_t kImeiOffsets[3] = {4, 20, 36};
constexpr size_t kImeiFieldSize = 16;
constexpr size_t kAddressFieldSize = 13;
constexpr int32_t kSnBufferSize = 65;
constexpr int32_t kSnWhich1 = 1;
constexpr int32_t kSnWhich2 = 0;
constexpr int32_t kSaveBySn1 = 1;
constexpr int32_t kSaveBySn2 = 2;
constexpr int32_t kSaveByImei1 = 3;

// Settings texts as the checks use them: copied and terminated within their capacity.
template <size_t N>
void CopyField(const wchar_t (&field)[N], wchar_t (&out)[N]) {
  std::wmemcpy(out, field, N);
  out[N - 1] = L'\0';
}

struct IdentityRecord {
  uint8_t bytes[kIdentityRecordSize];
};

int32_t ReadIdentityRecord(CheckContext& context, uint32_t mask, IdentityRecord& record) {
  std::memset(record.bytes, 0, sizeof(record.bytes));
  std::memcpy(record.bytes, &mask, sizeof(mask));
  return KV_FastReadNvInfo(context.phone, record.bytes);
}

// A text field of the record, terminated even when the library filled it completely.
template <size_t N>
void FieldText(const IdentityRecord& record, size_t offset, char (&out)[N]) {
  static_assert(N >= 2);
  const size_t size = N - 1;
  std::memcpy(out, record.bytes + offset, size);
  out[size] = '\0';
}

void SetLogName(CheckContext& context, const char* name) {
  std::snprintf(context.logName, sizeof(context.logName), "%s", name);
}

void SetVoltageLineStart(CheckContext& context, const char* sn1) {
  context.voltageLine[0] = '\0';
  AppendVoltageLine(context, sn1);
  AppendVoltageLine(context, ",");
}

// Reads a serial number as the phone sends it; the buffer is terminated even when filled.
int32_t ReadSerialNumber(CheckContext& context, int32_t which, char (&buffer)[kSnBufferSize + 1]) {
  std::memset(buffer, 0, sizeof(buffer));
  int32_t result = KV_ReadSN(context.phone, which, buffer, kSnBufferSize);
  buffer[kSnBufferSize] = '\0';
  return result;
}

// The value read, through UTF-16 and back, as the log and the log-name field carry it.
struct ReadText {
  wchar_t wide[kSnBufferSize];
  char ansi[2 * kSnBufferSize];
};

void ConvertRead(const char* raw, size_t wideChars, ReadText& text) {
  std::wmemset(text.wide, 0, std::size(text.wide));
  AnsiToWide(raw, text.wide, static_cast<int>(wideChars));
  WideToAnsi(text.wide, text.ansi, static_cast<int>(sizeof(text.ansi)));
}

struct ImeiItem {
  const wchar_t* name;
  const char* logName;
  const wchar_t* detailFormat;
  int32_t CheckSettings::*enabled;
  int32_t CheckSettings::*firstFew;
  wchar_t (CheckSettings::*expected)[16];
};

constexpr ImeiItem kImeiItems[3] = {
    {L"IMEI1", "IMEI1", L"IMEI1: %ls", &CheckSettings::checkImei1, &CheckSettings::checkImei1Prefix,
     &CheckSettings::imei1},
    {L"IMEI2", "IMEI2", L"IMEI2: %ls", &CheckSettings::checkImei2, &CheckSettings::checkImei2Prefix,
     &CheckSettings::imei2},
    {L"IMEI3", "IMEI3", L"IMEI3: %ls", &CheckSettings::checkImei3, &CheckSettings::checkImei3Prefix,
     &CheckSettings::imei3},
};

// Compared characters: the whole field, or the prefix's own length in first-few mode.
size_t CompareCount(const wchar_t* expected, size_t capacity, bool firstFew, size_t full) {
  return firstFew ? wcsnlen(expected, capacity) : full;
}

void AppendItemStart(CheckContext& context, const char* item, const wchar_t* expected) {
  AppendLog(context, item);
  AppendLog(context, ",");
  AppendLogWide(context, expected);
  AppendLog(context, ",");
}

void FailImeisOnReadError(CheckContext& context, int32_t code) {
  for (const ImeiItem& item : kImeiItems) {
    if (context.settings.*item.enabled == 0) {
      continue;
    }
    wchar_t detail[128] = {};
    std::swprintf(detail, std::size(detail), L"Read IMEI from phone failed! Error Code: %d", code);
    wchar_t expected[kImeiFieldSize];
    CopyField(context.settings.*item.expected, expected);
    BeginRow(context, item.name);
    AppendItemStart(context, item.logName, expected);
    ReportFailureDetail(context, detail);
    ReportResult(context, false);
  }
}

int32_t SerialNumberCheck(CheckContext& context, bool first) {
  const CheckSettings& settings = context.settings;
  const wchar_t* name = first ? L"SN1" : L"SN2";
  const bool firstFew = (first ? settings.checkSn1Prefix : settings.checkSn2Prefix) != 0;

  wchar_t field[sizeof(CheckSettings::sn1) / sizeof(wchar_t)];
  CopyField(first ? settings.sn1 : settings.sn2, field);
  AppendItemStart(context, first ? "SN1" : "SN2", field);

  char raw[kSnBufferSize + 1];
  const int32_t result = ReadSerialNumber(context, first ? kSnWhich1 : kSnWhich2, raw);
  BeginRow(context, name);
  if (result != 0) {
    wchar_t detail[128] = {};
    std::swprintf(detail, std::size(detail), L"Read %ls from phone failed! Error Code: %d", name,
                  result);
    ReportFailureDetail(context, detail);
    ReportResult(context, false);
    if (first) {
      SetVoltageLineStart(context, "");
    }
    return 0;
  }

  ReadText read;
  ConvertRead(raw, kSnBufferSize, read);
  // A scan or a prefix may hold 65 characters, one more than a phone's serial number: every
  // one of them is compared, so a longer expected value can never match. In full mode the
  // phone's terminator at position 64 takes part as well.
  const size_t count = CompareCount(field, std::size(field), firstFew, kSnBufferSize);
  const bool passed = PrefixMatches(field, read.wide, count);
  if (first) {
    SetVoltageLineStart(context, read.ansi);
    if (settings.saveLog == kSaveBySn1) {
      SetLogName(context, read.ansi);
    }
  } else if (settings.saveLog == kSaveBySn2) {
    SetLogName(context, read.ansi);
  }
  ReportDetailF(context, passed ? kColorPass : kColorFail, L"%ls: %ls", name, read.wide);
  AppendLog(context, passed ? "PASS," : "FAIL,");
  ReportResult(context, passed);
  AppendLog(context, read.ansi);
  AppendLog(context, "\n");
  return passed ? 1 : 0;
}

// SN2 read only to name the test log.
void NameLogAfterSn2(CheckContext& context) {
  char raw[kSnBufferSize + 1];
  if (ReadSerialNumber(context, kSnWhich2, raw) == 0) {
    ReadText read;
    ConvertRead(raw, kSnBufferSize, read);
    SetLogName(context, read.ansi);
  }
}

struct AddressItem {
  const wchar_t* name;
  const char* logName;
  uint32_t mask;
  size_t offset;
  const wchar_t* readFailure;
  const wchar_t* detailFormat;
};

constexpr AddressItem kBtItem = {
    L"BT Addr", "BT Addr", kMaskBtAddr, 68, L"Read BT Addr from phone failed!", L"BT Addr: %ls"};
constexpr AddressItem kWifiItem = {
    L"WIFI Addr",     "WIFI Addr", kMaskWlanAddr, 81, L"Read WIFI Addr from phone failed!",
    L"WIFI Addr: %ls"};

int32_t AddressCheck(CheckContext& context, const AddressItem& item, bool enabled,
                     const wchar_t (&expectedField)[14], bool firstFew) {
  if (!enabled) {
    return 1;
  }
  wchar_t expected[14];
  CopyField(expectedField, expected);
  BeginRow(context, item.name);
  AppendItemStart(context, item.logName, expected);
  IdentityRecord record;
  if (ReadIdentityRecord(context, item.mask, record) != 0) {
    ReportFailureDetail(context, item.readFailure);
    ReportResult(context, false);
    return 0;
  }
  char raw[kAddressFieldSize + 1];
  FieldText(record, item.offset, raw);
  wchar_t address[20] = {};
  AnsiToWide(raw, address, static_cast<int>(std::size(address)));
  const bool passed = AddressMatches(address, expected, firstFew);
  ReportDetailF(context, passed ? kColorPass : kColorFail, item.detailFormat, address);
  AppendLog(context, passed ? "PASS," : "FAIL,");
  ReportResult(context, passed);
  AppendLogWide(context, address);
  AppendLog(context, "\n");
  return passed ? 1 : 0;
}

}  // namespace

int32_t CheckImeis(CheckContext& context) {
  const CheckSettings& settings = context.settings;
  IdentityRecord record;
  const int32_t result = ReadIdentityRecord(context, kMaskImeis, record);
  const bool anyEnabled =
      settings.checkImei1 != 0 || settings.checkImei2 != 0 || settings.checkImei3 != 0;

  ReadText imeis[3];
  if (result == 0) {
    for (size_t i = 0; i < 3; ++i) {
      char raw[kImeiFieldSize + 1];
      FieldText(record, kImeiOffsets[i], raw);
      ConvertRead(raw, kImeiFieldSize, imeis[i]);
    }
  }
  if (!anyEnabled) {
    if (result == 0 && settings.saveLog == kSaveByImei1) {
      SetLogName(context, imeis[0].ansi);
    }
    return 1;
  }
  if (result != 0) {
    FailImeisOnReadError(context, result);
    return 0;
  }

  bool allPassed = true;
  for (size_t i = 0; i < 3; ++i) {
    const ImeiItem& item = kImeiItems[i];
    if (settings.*item.enabled == 0) {
      continue;
    }
    wchar_t expected[kImeiFieldSize];
    CopyField(settings.*item.expected, expected);
    AppendItemStart(context, item.logName, expected);
    const size_t count = CompareCount(expected, kImeiFieldSize, settings.*item.firstFew != 0, 15);
    const bool passed = PrefixMatches(expected, imeis[i].wide, count);
    BeginRow(context, item.name);
    ReportDetailF(context, passed ? kColorPass : kColorFail, item.detailFormat, imeis[i].wide);
    AppendLog(context, passed ? "PASS," : "FAIL,");
    ReportResult(context, passed);
    AppendLog(context, imeis[i].ansi);
    AppendLog(context, "\n");
    allPassed = allPassed && passed;
  }
  if (settings.saveLog == kSaveByImei1) {
    SetLogName(context, imeis[0].ansi);
  }
  return allPassed ? 1 : 0;
}

int32_t CheckSerialNumbers(CheckContext& context) {
  const CheckSettings& settings = context.settings;
  bool passed = true;
  if (settings.checkSn1 != 0) {
    passed = SerialNumberCheck(context, true) != 0;
  } else {
    char raw[kSnBufferSize + 1];
    if (ReadSerialNumber(context, kSnWhich1, raw) == 0) {
      ReadText read;
      ConvertRead(raw, kSnBufferSize, read);
      SetVoltageLineStart(context, read.ansi);
      if (settings.saveLog == kSaveBySn1) {
        SetLogName(context, read.ansi);
      }
    } else {
      SetVoltageLineStart(context, "");
    }
    if (settings.saveLog == kSaveBySn2) {
      NameLogAfterSn2(context);
    }
  }
  if (settings.checkSn1 != 0 && settings.checkSn2 == 0 && settings.saveLog == kSaveBySn2) {
    NameLogAfterSn2(context);
  }
  if (settings.checkSn2 != 0) {
    passed = SerialNumberCheck(context, false) != 0 && passed;
  }
  return passed ? 1 : 0;
}

int32_t CheckBtAddress(CheckContext& context) {
  const CheckSettings& settings = context.settings;
  return AddressCheck(context, kBtItem, settings.checkBtAddr != 0, settings.btAddr,
                      settings.checkBtAddrPrefix != 0);
}

int32_t CheckWifiAddress(CheckContext& context) {
  const CheckSettings& settings = context.settings;
  return AddressCheck(context, kWifiItem, settings.checkWifiAddr != 0, settings.wifiAddr,
                      settings.checkWifiAddrPrefix != 0);
}
