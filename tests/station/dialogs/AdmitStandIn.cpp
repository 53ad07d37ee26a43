// The accounts library as the dialog tests see it: it counts how often its editor was asked
// for instead of showing one.
#define ADMIT_BUILDING
#include "devices/admit.h"

namespace {
int32_t manageCalls = 0;
}

extern "C" ADMIT_API int32_t ADMIT_Admit(void) {
  return 1;
}

extern "C" ADMIT_API int32_t ADMIT_ManageAccounts(void) {
  return ++manageCalls;
}

extern "C" ADMIT_API int32_t AdmitStandInManageCalls(void) {
  return manageCalls;
}
