// The end of a run in a series of `testCounts` runs: whether the next run of the series starts,
// and whether the scan field is prepared for the next phone.
#pragma once

#include <cstdint>

struct RepeatDecision {
  bool startNextRun = false;      // run the Start/Stop command once more
  bool prepareNextPhone = false;  // empty the scanned codes for the next phone
  int32_t repeatsLeft = 0;        // the new count of runs still to perform
};

// The scanned codes belong to the phone of the whole series: they are emptied only after its
// last run, never before a run of the series that still needs them.
RepeatDecision RepeatStep(int32_t repeatsLeft, int32_t testCounts, bool scanner);
