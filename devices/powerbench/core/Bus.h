// One instrument on the GPIB, as the bus library of the PC reaches it (NI-488.2 or VISA).
// Every call returns a BenchResult; none waits longer than the time-out last set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace bench {

// No answer of these supplies comes near this; a longer one is refused, never cut or overrun.
inline constexpr size_t kMaxAnswer = 256;

// Every wait on an instrument stays well inside the station's own (3 s for a run's end).
inline constexpr uint32_t kAnswerTimeoutMs = 1000;
// After *RST the first answer may take longer: the instrument resets its outputs first.
inline constexpr uint32_t kResetTimeoutMs = 2000;

class Bus {
 public:
  virtual ~Bus() = default;
  // Sends one program message, its line end included, with END on its last byte.
  virtual int32_t Write(std::string_view message) = 0;
  // One answer, up to END; more than kMaxAnswer bytes is kBadAnswer.
  virtual int32_t Read(std::string& answer) = 0;
  virtual int32_t SetTimeout(uint32_t milliseconds) = 0;
  // Device clear: the instrument drops what it was sending or parsing.
  virtual int32_t Clear() = 0;
};

}  // namespace bench
