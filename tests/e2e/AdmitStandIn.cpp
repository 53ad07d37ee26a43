// A stand-in accounts library for the whole-program tests: the log-on answers without a dialog,
// with the rights level in ADMIT_STANDIN_RESULT (default 2, restricted).
#include <windows.h>

#include <cstdlib>

#include "devices/admit.h"

extern "C" int32_t ADMIT_Admit(void) {
  wchar_t value[16] = {};
  if (GetEnvironmentVariableW(L"ADMIT_STANDIN_RESULT", value, 16) > 0) {
    return static_cast<int32_t>(wcstol(value, nullptr, 10));
  }
  return 2;
}

extern "C" int32_t ADMIT_ManageAccounts(void) {
  return 0;
}
