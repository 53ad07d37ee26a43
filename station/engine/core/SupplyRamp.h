// The steps by which the battery supply is brought up, so the phone never sees a jump to its
// full voltage.
#pragma once

#include <cstdint>
#include <vector>

inline constexpr float kRampStep = 0.4f;
inline constexpr uint32_t kRampStepWaitMs = 40;
// A limit the loop cannot pass: a target beyond reach of 0.4 V float steps (a huge or infinite
// value from a hand-edited profile) would otherwise ramp forever.
inline constexpr int kMaxRampSteps = 250;

// The voltages set before the target itself: 0.4 V, then 0.4 V more each step, the sum held as
// a 32-bit float, while it stays below the target. The 0.4 V step is always made, even when the
// target is lower.
std::vector<float> RampSteps(float target);
