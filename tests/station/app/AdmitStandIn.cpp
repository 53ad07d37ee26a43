// A stand-in accounts library for the start-up tests, loaded by name as Admit.dll: ADMIT_Admit
// answers with the number in the environment variable VARNEX_TEST_ADMIT_RESULT (0 when unset)
// and counts its calls; ADMIT_GetUserName answers with VARNEX_TEST_ADMIT_USER.
#include <windows.h>

#include <cwchar>

#include "devices/admit.h"
#include "devices/admit_user.h"

namespace {
LONG g_admitCalls = 0;
}

extern "C" {

ADMIT_API int32_t ADMIT_Admit(void) {
  InterlockedIncrement(&g_admitCalls);
  wchar_t value[32] = {};
  DWORD length = GetEnvironmentVariableW(L"VARNEX_TEST_ADMIT_RESULT", value, 32);
  if (length == 0 || length >= 32) {
    return 0;
  }
  return static_cast<int32_t>(std::wcstol(value, nullptr, 10));
}

ADMIT_API int32_t ADMIT_ManageAccounts(void) {
  return 0;
}

ADMIT_API int32_t ADMIT_GetUserName(wchar_t* buffer, int32_t size) {
  if (buffer == nullptr || size <= 0) {
    return 0;
  }
  const DWORD length =
      GetEnvironmentVariableW(L"VARNEX_TEST_ADMIT_USER", buffer, static_cast<DWORD>(size));
  if (length == 0 || length >= static_cast<DWORD>(size)) {
    buffer[0] = L'\0';
    return 0;
  }
  return static_cast<int32_t>(length);
}

// How often ADMIT_Admit ran since the last call of this function.
__declspec(dllexport) int32_t AdmitStandIn_TakeCallCount(void) {
  return InterlockedExchange(&g_admitCalls, 0);
}

}  // extern "C"
