// The 76-byte record the station opens a supply with: bus type at offset 52, bus card at 60,
// bus address at 64, each a little-endian 32-bit integer; every other byte is zero.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace bench {

inline constexpr int32_t kNi4882Bus = 1;  // "NI GPIB (IE488.2)"
inline constexpr int32_t kVisaBus = 3;    // "VISA GPIB"

struct BusAddress {
  int32_t busType = 0;
  int32_t card = 0;     // GPIB card (board) number, 0..3
  int32_t address = 0;  // primary GPIB address, 0..30
};

// Nothing for a null record or a value outside the port dialog's ranges.
std::optional<BusAddress> ReadOpenRecord(const void* record76);

// The VISA resource of the address, e.g. "GPIB0::5::INSTR".
std::string VisaResourceName(const BusAddress& address);

}  // namespace bench
