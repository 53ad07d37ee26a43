// What the machine says about the log-on: the administrator's policy and whether this program
// runs with an administrator's full (elevated) rights. The policy is read here for Admit.dll
// and for the station's start-up alike.
#pragma once

#include <windows.h>

#include "devices/admit.h"

namespace admit {

// The "require log-on" value under HKEY_LOCAL_MACHINE is set and not 0.
inline bool LogOnRequiredByPolicy() {
  DWORD value = 0;
  DWORD size = sizeof value;
  return RegGetValueW(HKEY_LOCAL_MACHINE, ADMIT_POLICY_KEY, ADMIT_POLICY_REQUIRE_LOGON,
                      RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS &&
         value != 0;
}

// The program runs as an administrator with elevated rights (a filtered token of an
// administrator who did not choose "Run as administrator" is not).
bool RunsElevated();

}  // namespace admit
