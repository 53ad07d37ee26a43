// The two bus libraries a bench PC has, each opening one instrument as a bench::Bus. Both are
// loaded from the system folder when a supply is opened, so Powerbench.dll itself loads and
// fails cleanly (kNoBusLibrary) on a PC that has neither.
#pragma once

#include <cstdint>
#include <memory>

#include "core/Bus.h"
#include "core/OpenRecord.h"

namespace bench {

// NI-488.2 (bus type 1): gpib-32.dll, else ni4882.dll. kDone with `bus` set, or the failure.
int32_t OpenNi4882Bus(const BusAddress& address, std::unique_ptr<Bus>& bus);

// VISA (bus type 3): visa32.dll, resource GPIB<card>::<address>::INSTR.
int32_t OpenVisaBus(const BusAddress& address, std::unique_ptr<Bus>& bus);

}  // namespace bench
