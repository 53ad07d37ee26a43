// Reading what an instrument answers: a measured value, an entry of its error queue, its
// identity. Every answer comes from outside and may be anything; nothing here trusts its length
// or its form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace bench {

// The answer without its line end (LF or CR LF) and the blanks around it.
std::string_view TrimAnswer(std::string_view answer);

// One number in a form SCPI answers with (NR1, NR2, NR3, an optional sign). Nothing for other
// text, and for the overflow and not-a-number markers (9.9E37, 9.91E37) that stand for a
// reading the instrument could not make, e.g. a current beyond its measuring range.
std::optional<double> ParseReading(std::string_view answer);

// The code of a "SYST:ERR?" answer such as +0,"No error" or -113,"Undefined header": 0 means
// the queue is empty. Nothing when the answer is no such entry.
std::optional<int32_t> ParseErrorCode(std::string_view answer);

// The first two fields of a "*IDN?" answer: maker and model (serial number and firmware follow).
struct Identity {
  std::string maker;
  std::string model;
};
std::optional<Identity> ParseIdentity(std::string_view answer);

}  // namespace bench
