#include "station/cli/core/IdentityInput.h"

#include <cstddef>
#include <cwchar>

namespace {

constexpr size_t kMaxSnLength = 65;  // the SN fields hold 65 characters and the terminator

struct IdentityField {
  const wchar_t* name;
  const wchar_t* option;
  int32_t CheckSettings::*enable;
  int32_t CheckSettings::*prefixCheck;
  size_t expectedOffset;
  size_t prefixOffset;
  size_t capacity;  // characters, terminator included (the same for value and prefix)
  int fixedLength;  // 0 = the configured SN length
  int32_t CheckSettings::*snLength;
};

constexpr IdentityField kFields[kIdentityCount] = {
    {L"IMEI1", L"--imei1", &CheckSettings::checkImei1, &CheckSettings::checkImei1Prefix,
     offsetof(CheckSettings, imei1), offsetof(CheckSettings, imei1Prefix), 16, 15, nullptr},
    {L"IMEI2", L"--imei2", &CheckSettings::checkImei2, &CheckSettings::checkImei2Prefix,
     offsetof(CheckSettings, imei2), offsetof(CheckSettings, imei2Prefix), 16, 15, nullptr},
    {L"IMEI3", L"--imei3", &CheckSettings::checkImei3, &CheckSettings::checkImei3Prefix,
     offsetof(CheckSettings, imei3), offsetof(CheckSettings, imei3Prefix), 16, 15, nullptr},
    {L"SN1", L"--sn1", &CheckSettings::checkSn1, &CheckSettings::checkSn1Prefix,
     offsetof(CheckSettings, sn1), offsetof(CheckSettings, sn1Prefix), 66, 0,
     &CheckSettings::snLength1},
    {L"SN2", L"--sn2", &CheckSettings::checkSn2, &CheckSettings::checkSn2Prefix,
     offsetof(CheckSettings, sn2), offsetof(CheckSettings, sn2Prefix), 66, 0,
     &CheckSettings::snLength2},
    {L"BT Addr", L"--bt", &CheckSettings::checkBtAddr, &CheckSettings::checkBtAddrPrefix,
     offsetof(CheckSettings, btAddr), offsetof(CheckSettings, btAddrPrefix), 14, 12, nullptr},
    {L"WIFI Addr", L"--wifi", &CheckSettings::checkWifiAddr, &CheckSettings::checkWifiAddrPrefix,
     offsetof(CheckSettings, wifiAddr), offsetof(CheckSettings, wifiAddrPrefix), 14, 12, nullptr},
};

static_assert(sizeof(CheckSettings::imei1) == 16 * sizeof(wchar_t));
static_assert(sizeof(CheckSettings::sn1) == 66 * sizeof(wchar_t));
static_assert(sizeof(CheckSettings::btAddr) == 14 * sizeof(wchar_t));
static_assert(sizeof(CheckSettings::imei1Prefix) == sizeof(CheckSettings::imei1));
static_assert(sizeof(CheckSettings::sn1Prefix) == sizeof(CheckSettings::sn1));
static_assert(sizeof(CheckSettings::btAddrPrefix) == sizeof(CheckSettings::btAddr));

wchar_t* Text(CheckSettings& settings, size_t offset) {
  return reinterpret_cast<wchar_t*>(reinterpret_cast<unsigned char*>(&settings) + offset);
}

const wchar_t* Text(const CheckSettings& settings, size_t offset) {
  return reinterpret_cast<const wchar_t*>(reinterpret_cast<const unsigned char*>(&settings) +
                                          offset);
}

// Copies at most capacity - 1 characters and always terminates.
void CopyBounded(wchar_t* out, size_t capacity, const wchar_t* text) {
  size_t n = 0;
  for (; n + 1 < capacity && text[n] != L'\0'; ++n) {
    out[n] = text[n];
  }
  out[n] = L'\0';
}

bool Scanned(const CheckSettings& settings, const IdentityField& field) {
  return settings.*field.prefixCheck == 0;
}

}  // namespace

void ApplyPrefixes(CheckSettings& settings) {
  for (const IdentityField& field : kFields) {
    wchar_t* expected = Text(settings, field.expectedOffset);
    expected[0] = L'\0';
    if (settings.*field.enable != 0 && settings.*field.prefixCheck != 0) {
      CopyBounded(expected, field.capacity, Text(settings, field.prefixOffset));
    }
  }
}

std::wstring ApplyScannedCodes(CheckSettings& settings, const ScannedCodes& codes,
                               std::wstring& notes) {
  for (int i = 0; i < kIdentityCount; ++i) {
    const IdentityField& field = kFields[i];
    if (!codes[i]) {
      continue;
    }
    const std::wstring& code = *codes[i];
    if (settings.*field.enable == 0) {
      notes += std::wstring(field.option) + L" is not used: the " + field.name + L" check is off\n";
      continue;
    }
    if (!Scanned(settings, field)) {
      notes += std::wstring(field.option) + L" is not used: " + field.name +
               L" is compared with its configured prefix\n";
      continue;
    }
    // The window accepts a scan only at exactly this length.
    size_t wanted = field.fixedLength != 0 ? static_cast<size_t>(field.fixedLength)
                                           : static_cast<size_t>(settings.*field.snLength);
    if (field.fixedLength == 0 && (settings.*field.snLength <= 0 || wanted > kMaxSnLength)) {
      return std::wstring(field.name) + L" cannot be scanned: its configured length " +
             std::to_wstring(settings.*field.snLength) + L" is outside 1.." +
             std::to_wstring(kMaxSnLength);
    }
    if (code.size() != wanted) {
      return std::wstring(field.option) + L" must have " + std::to_wstring(wanted) +
             L" characters, got " + std::to_wstring(code.size());
    }
    CopyBounded(Text(settings, field.expectedOffset), field.capacity, code.c_str());
  }
  return {};
}

int FirstMissingCode(const CheckSettings& settings) {
  for (int i = 0; i < kIdentityCount; ++i) {
    const IdentityField& field = kFields[i];
    if (settings.*field.enable != 0 && Text(settings, field.expectedOffset)[0] == L'\0') {
      return i;
    }
  }
  return -1;
}

std::wstring MissingCodeMessage(int index) {
  if (index < 0 || index >= kIdentityCount) {
    return {};
  }
  return std::wstring(L"Please input ") + kFields[index].name + L" first!";
}

const wchar_t* IdentityOption(int index) {
  return index >= 0 && index < kIdentityCount ? kFields[index].option : L"";
}
