/* A library named as a VISA installation's. Its start-up leaves a mark in the environment, so
   a test sees whether anything ran it. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    SetEnvironmentVariableW(L"VARNEX_TEST_VISA_RAN", L"1");
  }
  return TRUE;
}
