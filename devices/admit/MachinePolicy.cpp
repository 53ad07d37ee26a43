#include "MachinePolicy.h"

namespace admit {

bool RunsElevated() {
  BYTE sid[SECURITY_MAX_SID_SIZE] = {};
  DWORD size = sizeof sid;
  BOOL member = FALSE;
  return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
         CheckTokenMembership(nullptr, sid, &member) && member;
}

}  // namespace admit
