#include "station/cli/PhoneLink.h"

#include <cwchar>
#include <vector>

#include <windows.h>

#include "station/cli/core/UsbMode.h"

namespace {

constexpr int32_t kUartBaud = 115200;
constexpr int32_t kUartVersionTries = 4;
constexpr int32_t kVersionBufferSize = 16384;

std::wstring Format(const wchar_t* format, int32_t value) {
  wchar_t text[128];
  swprintf(text, std::size(text), format, static_cast<int>(value));
  return text;
}

constexpr wchar_t kUserAbort[] = L"User abort!";

bool Stopped(HANDLE stop) {
  return WaitForSingleObject(stop, 0) == WAIT_OBJECT_0;
}

LinkResult Aborted() {
  LinkResult result;
  result.state = LinkState::Aborted;
  result.message = kUserAbort;
  return result;
}

LinkResult WaitForUart(KV_PHONE phone, HANDLE stop) {
  LinkResult result;
  KV_SetProperty(phone, 3, 0, 2);
  std::vector<char> version(kVersionBufferSize, 0);
  for (int32_t attempt = 0; attempt < kUartVersionTries; ++attempt) {
    if (Stopped(stop)) {
      return Aborted();
    }
    if (KV_GetMsVersion(phone, version.data(), kVersionBufferSize) == 0) {
      result.state = LinkState::Up;
      return result;
    }
  }
  result.state = LinkState::NoAnswer;
  result.message = L"No response from phone, please make sure phone has been powered on!";
  return result;
}

LinkResult WaitForUsb(KV_PHONE phone, const LinkSettings& settings, HANDLE stop) {
  LinkResult result;
  result.state = LinkState::NoAnswer;
  HANDLE connected = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (connected == nullptr) {
    result.message = L"Time Out!";
    return result;
  }
  KV_EnterModeProcess(phone, 1, -1, UsbEnterMode(settings.wcdmaGsm, settings.wcdmaGsmMode),
                      connected, 0);
  DWORD wait = settings.powerOnWaitTime < 0 ? 0 : static_cast<DWORD>(settings.powerOnWaitTime);
  // The stop event comes first, so it wins when both are set.
  HANDLE events[2] = {stop, connected};
  DWORD woken = WaitForMultipleObjects(2, events, FALSE, wait);
  if (woken == WAIT_OBJECT_0) {
    KV_StopModeProcess(phone);
    result = Aborted();
  } else if (woken == WAIT_OBJECT_0 + 1) {
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

LinkResult OpenPhoneLink(KV_PHONE phone, const LinkSettings& settings, void* stopEvent,
                         const std::function<void(const std::wstring&)>& progress) {
  HANDLE stop = static_cast<HANDLE>(stopEvent);
  if (Stopped(stop)) {
    return Aborted();
  }
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
  LinkResult result =
      settings.uart != 0 ? WaitForUart(phone, stop) : WaitForUsb(phone, settings, stop);
  if (result.state == LinkState::Up) {
    progress(L"Phone is connected, waiting for checking...");
  }
  if (settings.uart != 0) {
    result.port = settings.port;
  }
  return result;
}
