#include "station/run/core/IdentityItems.h"

namespace {

static_assert(sizeof(CheckSettings::imei1) == 16 * sizeof(wchar_t));
static_assert(sizeof(CheckSettings::sn1) == (kMaxSnLength + 1) * sizeof(wchar_t));
static_assert(sizeof(CheckSettings::btAddr) == 14 * sizeof(wchar_t));
static_assert(sizeof(CheckSettings::imei1Prefix) == sizeof(CheckSettings::imei1));
static_assert(sizeof(CheckSettings::sn1Prefix) == sizeof(CheckSettings::sn1));
static_assert(sizeof(CheckSettings::btAddrPrefix) == sizeof(CheckSettings::btAddr));

bool ValidItem(int item) {
  return item >= 0 && item < kIdentityCount;
}

const wchar_t* Field(const CheckSettings& settings, size_t offset) {
  return reinterpret_cast<const wchar_t*>(reinterpret_cast<const unsigned char*>(&settings) +
                                          offset);
}

}  // namespace

const IdentityItem kIdentityItems[kIdentityCount] = {
    {L"IMEI1", L"IMEI1", &CheckSettings::checkImei1, &CheckSettings::checkImei1Prefix,
     offsetof(CheckSettings, imei1), offsetof(CheckSettings, imei1Prefix), 16, 15, nullptr},
    {L"IMEI2", L"IMEI2", &CheckSettings::checkImei2, &CheckSettings::checkImei2Prefix,
     offsetof(CheckSettings, imei2), offsetof(CheckSettings, imei2Prefix), 16, 15, nullptr},
    {L"IMEI3", L"IMEI3", &CheckSettings::checkImei3, &CheckSettings::checkImei3Prefix,
     offsetof(CheckSettings, imei3), offsetof(CheckSettings, imei3Prefix), 16, 15, nullptr},
    {L"SN1", L"SN1", &CheckSettings::checkSn1, &CheckSettings::checkSn1Prefix,
     offsetof(CheckSettings, sn1), offsetof(CheckSettings, sn1Prefix), 66, 0,
     &CheckSettings::snLength1},
    {L"SN2", L"SN2", &CheckSettings::checkSn2, &CheckSettings::checkSn2Prefix,
     offsetof(CheckSettings, sn2), offsetof(CheckSettings, sn2Prefix), 66, 0,
     &CheckSettings::snLength2},
    {L"BT Addr", L"BT", &CheckSettings::checkBtAddr, &CheckSettings::checkBtAddrPrefix,
     offsetof(CheckSettings, btAddr), offsetof(CheckSettings, btAddrPrefix), 14, 12, nullptr},
    {L"WIFI Addr", L"WIFI", &CheckSettings::checkWifiAddr, &CheckSettings::checkWifiAddrPrefix,
     offsetof(CheckSettings, wifiAddr), offsetof(CheckSettings, wifiAddrPrefix), 14, 12, nullptr},
};

wchar_t* ExpectedValue(CheckSettings& settings, int item) {
  return const_cast<wchar_t*>(ExpectedValue(static_cast<const CheckSettings&>(settings), item));
}

const wchar_t* ExpectedValue(const CheckSettings& settings, int item) {
  return Field(settings, kIdentityItems[item].expectedOffset);
}

const wchar_t* PrefixValue(const CheckSettings& settings, int item) {
  return Field(settings, kIdentityItems[item].prefixOffset);
}

namespace {

// A prefix field as text, never read past its capacity.
std::wstring_view Prefix(const CheckSettings& settings, int item) {
  const wchar_t* text = PrefixValue(settings, item);
  size_t n = 0;
  while (n + 1 < kIdentityItems[item].capacity && text[n] != L'\0') {
    ++n;
  }
  return {text, n};
}

}  // namespace

void SetExpectedValue(CheckSettings& settings, int item, std::wstring_view text) {
  if (!ValidItem(item)) {
    return;
  }
  wchar_t* out = ExpectedValue(settings, item);
  size_t n = 0;
  for (; n + 1 < kIdentityItems[item].capacity && n < text.size() && text[n] != L'\0'; ++n) {
    out[n] = text[n];
  }
  out[n] = L'\0';
}

bool IdentityEnabled(const CheckSettings& settings, int item) {
  return ValidItem(item) && settings.*kIdentityItems[item].enable != 0;
}

bool IdentityScanned(const CheckSettings& settings, int item) {
  return ValidItem(item) && settings.*kIdentityItems[item].prefixCheck == 0;
}

int ScanLength(const CheckSettings& settings, int item) {
  if (!ValidItem(item)) {
    return -1;
  }
  const IdentityItem& entry = kIdentityItems[item];
  if (entry.fixedLength != 0) {
    return entry.fixedLength;
  }
  int32_t length = settings.*entry.snLength;
  return length >= 1 && length <= kMaxSnLength ? length : -1;
}

bool ApplyPrefixes(CheckSettings& settings) {
  bool allPrefixed = true;
  for (int item = 0; item < kIdentityCount; ++item) {
    ExpectedValue(settings, item)[0] = L'\0';
    const bool prefixed = IdentityEnabled(settings, item) && !IdentityScanned(settings, item);
    if (prefixed) {
      SetExpectedValue(settings, item, Prefix(settings, item));
    }
    allPrefixed = allPrefixed && prefixed;
  }
  return !allPrefixed;
}

int FirstMissingCode(const CheckSettings& settings) {
  for (int item = 0; item < kIdentityCount; ++item) {
    if (IdentityEnabled(settings, item) && ExpectedValue(settings, item)[0] == L'\0') {
      return item;
    }
  }
  return -1;
}

std::wstring MissingCodeMessage(int item) {
  if (!ValidItem(item)) {
    return {};
  }
  return std::wstring(L"Please input ") + kIdentityItems[item].name + L" first!";
}
