// Judgement of supply current readings, free of Win32 so it runs natively under the sanitizers.
// A reading is a 32-bit float in mA as the supply library delivers it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// Readings below 0 or above 999999 mA are instrument glitches; NaN is treated the same way.
bool IsValidCurrentReading(float milliamperes);

// The sum of a series of readings and how many of them were valid. `result` is the result of the
// last measurement made (or the initial result when none was made).
struct CurrentSamples {
  float sum = 0.0f;
  int32_t counted = 0;
  int32_t result = 0;
};

// Takes up to `count` readings through `measure`, which may update the reading and the result.
// The reading carries over between calls (it is not reset), an invalid one is set to 0 and not
// counted, and the series stops after the first call that leaves a non-zero result.
CurrentSamples SampleCurrents(int32_t count, int32_t initialResult,
                              const std::function<void(float& reading, int32_t& result)>& measure);

// The average of the valid readings; false (and *average untouched) when none was valid.
bool AverageCurrent(const CurrentSamples& samples, float* average);

// The supply's current range (A) for a leak measurement whose first reading is `milliamperes`.
float LeakCurrentRange(float milliamperes);

// A reading truncated toward zero; readings beyond the int32 range (or NaN) are pinned so the
// conversion stays defined.
int32_t TruncateReading(float milliamperes);

// "%.2f" of the value, or "No valid reading" when there is none (portable text for a NaN).
void FormatCurrentValue(bool valid, float value, char* out, size_t outSize);
// A valid value as that text shows it, as a number ("%.2f" of 12.3456 is 12.35).
double ShownCurrentValue(float value);
