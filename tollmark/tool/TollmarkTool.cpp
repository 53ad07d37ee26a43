// TollmarkTool: the station record on a connected phone, from the command line. Uses
// Tollmark.dll and whichever Dutlink.dll stands beside it.
#include <windows.h>

#include <cstdio>

#include "devices/dutlink.h"
#include "tollmark/tool/ToolCommands.h"
#include "tollmark/tool/ToolOptions.h"

namespace {

constexpr DWORD kUsbConnectMs = 15000;
constexpr int32_t kUartBaud = 115200;

// Opens the link the options ask for; true when there is none to open or it is open.
bool OpenLink(KV_PHONE phone, const ToolOptions& options, HANDLE connected) {
  if (options.uartPort) {
    const KV_LINK link{0, *options.uartPort, kUartBaud};
    const int32_t result = KV_BeginPhoneTest(phone, &link);
    if (result != 0) {
      std::printf("KV_BeginPhoneTest failed, Error Code: %d\n", static_cast<int>(result));
      return false;
    }
  } else if (options.usb) {
    const KV_LINK link{3, 0, 0};
    const int32_t result = KV_BeginPhoneTest(phone, &link);
    if (result != 0) {
      std::printf("KV_BeginPhoneTest failed, Error Code: %d\n", static_cast<int>(result));
      return false;
    }
    KV_EnterModeProcess(phone, 1, -1, 1, connected, 0);
    if (WaitForSingleObject(connected, kUsbConnectMs) != WAIT_OBJECT_0) {
      std::puts("The phone did not connect over USB");
      return false;
    }
  }
  return true;
}

void CloseLink(KV_PHONE phone, const ToolOptions& options) {
  if (options.usb) {
    KV_StopModeProcess(phone);
  }
  if (options.usb || options.uartPort) {
    KV_EndPhoneTest(phone);
  }
}

}  // namespace

int main(int argc, char** argv) {
  ToolOptions options;
  const std::string problem = ParseToolOptions(argc - 1, argv + 1, options);
  if (!problem.empty()) {
    std::printf("%s\n%s", problem.c_str(), kToolUsage);
    return 1;
  }
  const KV_PHONE phone = KV_CreatePhone(0);
  if (phone == -1) {
    std::puts("KV_CreatePhone failed");
    return 1;
  }
  HANDLE connected = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  int exitCode = 1;
  if (OpenLink(phone, options, connected)) {
    exitCode = RunToolCommand(phone, options, stdout);
  }
  CloseLink(phone, options);
  if (connected != nullptr) {
    CloseHandle(connected);
  }
  KV_ReleasePhone(phone);
  return exitCode;
}
