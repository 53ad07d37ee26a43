// Result codes of the simulated phone besides the scripted ones.
#pragma once

#include <cstdint>

namespace sim {

inline constexpr int32_t kNoAnswer = 1;     // the phone does not answer (UART silence)
inline constexpr int32_t kBadHandle = 2;    // not the handle KV_CreatePhone gave
inline constexpr int32_t kBadArgument = 3;  // null buffer; size, range or request out of bounds
inline constexpr int32_t kFlashFileError = 4;

}  // namespace sim
