#include "station/run/core/IdentityInput.h"

namespace {

constexpr const wchar_t* kOptions[kIdentityCount] = {L"--imei1", L"--imei2", L"--imei3", L"--sn1",
                                                     L"--sn2",   L"--bt",    L"--wifi"};

}  // namespace

std::wstring ApplyScannedCodes(CheckSettings& settings, const ScannedCodes& codes,
                               std::wstring& notes) {
  for (int i = 0; i < kIdentityCount; ++i) {
    if (!codes[i]) {
      continue;
    }
    const IdentityItem& item = kIdentityItems[i];
    const std::wstring& code = *codes[i];
    if (!IdentityEnabled(settings, i)) {
      notes += std::wstring(kOptions[i]) + L" is not used: the " + item.name + L" check is off\n";
      continue;
    }
    if (!IdentityScanned(settings, i)) {
      notes += std::wstring(kOptions[i]) + L" is not used: " + item.name +
               L" is compared with its configured prefix\n";
      continue;
    }
    // The window accepts a scan only at exactly this length.
    const int wanted = ScanLength(settings, i);
    if (wanted < 0) {
      return std::wstring(item.name) + L" cannot be scanned: its configured length " +
             std::to_wstring(settings.*item.snLength) + L" is outside 1.." +
             std::to_wstring(kMaxSnLength);
    }
    if (code.size() != static_cast<size_t>(wanted)) {
      return std::wstring(kOptions[i]) + L" must have " + std::to_wstring(wanted) +
             L" characters, got " + std::to_wstring(code.size());
    }
    SetExpectedValue(settings, i, code);
  }
  return {};
}

const wchar_t* IdentityOption(int index) {
  return index >= 0 && index < kIdentityCount ? kOptions[index] : L"";
}
