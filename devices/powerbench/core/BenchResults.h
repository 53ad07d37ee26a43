// What the supply objects of the GPIB library answer. 0 is success; the station only tells 0
// from the rest, the numbers tell a line engineer which failure it was. 1 to 5 mean what they
// mean for the simulated supplies.
#pragma once

#include <cstdint>

namespace bench {

enum BenchResult : int32_t {
  kDone = 0,
  kUnknownModel = 1,
  kBadOpenRecord = 2,  // bus type other than 1 or 3, card outside 0..3, address outside 0..30
  kBadArgument = 3,    // null pointer, unknown channel, a second output the supply lacks
  kNotOpen = 4,
  kReleased = 5,         // the object or the factory was released before this call
  kNoBusLibrary = 6,     // the bus library (or its GPIB card) is not installed
  kNoInstrument = 7,     // nothing listens at the address
  kWrongFamily = 8,      // the instrument there names another family
  kInstrumentError = 9,  // the instrument's error queue holds an error
  kTimedOut = 10,        // the instrument stopped answering
  kBadAnswer = 11,       // an answer too long, garbled, or an overflow instead of a reading
};

}  // namespace bench
