/* Compiled as C: the device headers must stay usable from C programs. */
#include "devices/admit.h"
#include "devices/dutlink.h"
#include "devices/powerbench.h"
#include "devices/sim/dutlink_sim.h"
#include "devices/sim/powerbench_sim.h"

int HeadersCheckSizes(void) {
  KV_LINK link = {3, 0, 0};
  PBSIM_EVENT event = {PBSIM_EVENT_MEASURE, 0, 0, -1, -1, 0.0f, 0, 0};
  IPowerSupplyVtbl table;
  (void)table;
  return (int)(sizeof link + sizeof event) + link.type + event.kind;
}

/* Calls through a supply's table of operations, as a C caller would. */
int32_t HeadersCheckMeasure(IPowerSupply* supply, float* milliamperes) {
  return supply->lpVtbl->MeasureCurrent(supply, milliamperes, -1);
}
