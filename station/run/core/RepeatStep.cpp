#include "station/run/core/RepeatStep.h"

#include <climits>

RepeatDecision RepeatStep(int32_t repeatsLeft, int32_t testCounts, bool scanner) {
  RepeatDecision decision;
  if (repeatsLeft > 0) {
    decision.startNextRun = true;
    decision.repeatsLeft = repeatsLeft - 1;
    return decision;
  }
  decision.repeatsLeft = testCounts > INT32_MIN ? testCounts - 1 : INT32_MIN;
  decision.prepareNextPhone = scanner;
  return decision;
}
