// The pass and fail counters of the main window: the texts, and when the operator is told that
// the fail ratio has reached 0.5 %.
#pragma once

#include <cstdint>
#include <string>

// The counter state the refresh reads and changes. Each block of 1000 runs has its own count of
// failures and shows its notice at most once.
struct CounterState {
  uint32_t passCount = 0;
  uint32_t failCount = 0;
  uint32_t blockFailCount = 0;
  int32_t noticeShown = 0;
};

struct CounterRefresh {
  // Show "Notice: Fail ratio is bigger than 0.5%!!": at the end of a block whose fail ratio
  // reached 5 in 1000, or when a block counts its fifth failure (once per block).
  bool notice = false;
  // The block ended: blockFailCount and noticeShown went back to 0 (the window resets its own
  // failure count, which a worker may be incrementing, only when this is set).
  bool blockReset = false;
  int32_t ratioPercent = 0;  // passes * 100 / all runs, in integers (0 without runs)
};

inline constexpr wchar_t kFailRatioNotice[] = L"Notice: Fail ratio is bigger than 0.5%!!";

// Steps of the refresh at start-up, after Clear and at the end of every run. Updates
// blockFailCount and noticeShown in `state`.
CounterRefresh RefreshCounters(CounterState& state);

// The fail ratio of `total` runs in thousandths, as the station computes it: a 32-bit float
// ratio times 1000, cut toward zero (5 failures in 1000 give 4, 6 give 6).
int32_t FailPerMille(uint32_t failCount, uint64_t total);

// The counter texts: a format of the string table ("Pass: %d", "Fail: %d", "Pass Ratio: %d%%")
// with one integer. A format that is not exactly one %d (and %%) gives the format's text alone,
// so a damaged string table cannot read what is not there.
std::wstring FormatCounterText(const std::wstring& format, int64_t value);

// Outside the end of a run (start-up, Clear): whether the refresh empties the scanned codes for
// the next phone. Never while a run is active or a series of `testCounts` runs is under way:
// the codes belong to the series' phone until its last run has ended.
bool PrepareOutsideRun(bool scanner, bool running, int32_t repeatsLeft, int32_t testCounts);
