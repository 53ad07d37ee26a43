#include "MachinePolicy.h"

#include <windows.h>

#include "devices/admit.h"

namespace admit {

bool LogOnRequiredByPolicy() {
  DWORD value = 0;
  DWORD size = sizeof value;
  return RegGetValueW(HKEY_LOCAL_MACHINE, ADMIT_POLICY_KEY, ADMIT_POLICY_REQUIRE_LOGON,
                      RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS &&
         value != 0;
}

bool RunsElevated() {
  BYTE sid[SECURITY_MAX_SID_SIZE] = {};
  DWORD size = sizeof sid;
  BOOL member = FALSE;
  return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
         CheckTokenMembership(nullptr, sid, &member) && member;
}

}  // namespace admit
