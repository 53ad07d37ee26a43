#include "station/cli/PhoneLink.h"

#include <cwchar>
#include <vector>

#include <windows.h>

namespace {

constexpr int32_t kUartBaud = 115200;
constexpr int32_t kUartVersionTries = 4;
constexpr int32_t kVersionBufferSize = 16384;

std::wstring Format(const wchar_t* format, int32_t value) {
  wchar_t text[128];
  swprintf(text, std::size(text), format, static_cast<int>(value));
  return text;
}

LinkResult WaitForUart(KV_PHONE phone) {
  LinkResult result;
  KV_SetProperty(phone, 3, 0, 2);
  std::vector<char> version(kVersionBufferSize, 0);
  for (int32_t attempt = 0; attempt < kUartVersionTries; ++attempt) {
    if (KV_GetMsVersion(phone, version.data(), kVersionBufferSize) == 0) {
      result.state = LinkState::Up;
      return result;
    }
  }
  result.state = LinkState::NoAnswer;
  result.message = L"No response from phone, please make sure phone has been powered on!";
  return result;
}

LinkResult WaitForUsb(KV_PHONE phone, const LinkSettings& settings) {
  LinkResult result;
  result.state = LinkState::NoAnswer;
  HANDLE connected = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (connected == nullptr) {
    result.message = L"Time Out!";
    return result;
  }
  KV_EnterModeProcess(phone, 1, -1, UsbMode(settings), connected, 0);
  DWORD wait = settings.powerOnWaitTime < 0 ? 0 : static_cast<DWORD>(settings.powerOnWaitTime);
  if (WaitForSingleObject(connected, wait) == WAIT_OBJECT_0) {
    result.state = LinkState::Up;
    result.port = KV_GetUsbPort(phone);
  } else {
    KV_StopModeProcess(phone);
    result.message = L"Time Out!";
  }
  CloseHandle(connected);
  return result;
}

}  // namespace

int32_t UsbMode(const LinkSettings& settings) {
  return settings.wcdmaGsm != 0 && settings.wcdmaGsmMode == 0 ? 14 : 1;
}

LinkResult OpenPhoneLink(KV_PHONE phone, const LinkSettings& settings,
                         const std::function<void(const std::wstring&)>& progress) {
  KV_LINK link{};
  if (settings.uart != 0) {
    link = KV_LINK{0, settings.port, kUartBaud};
  } else {
    link.type = 3;
  }
  if (KV_BeginPhoneTest(phone, &link) != 0) {
    LinkResult result;
    result.state = LinkState::OpenFailed;
    result.message = Format(L"Open %d port failed!", settings.port);
    return result;
  }
  progress(L"Please powered on the phone... ...");
  LinkResult result = settings.uart != 0 ? WaitForUart(phone) : WaitForUsb(phone, settings);
  if (result.state == LinkState::Up) {
    progress(L"Phone is connected, waiting for checking...");
  }
  if (settings.uart != 0) {
    result.port = settings.port;
  }
  return result;
}
