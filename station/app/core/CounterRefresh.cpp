#include "station/app/core/CounterRefresh.h"

#include "station/config/WindowSettings.h"

namespace {

constexpr uint64_t kBlockRuns = 1000;
constexpr int32_t kNoticePerMille = 5;
constexpr uint32_t kNoticeBlockFailures = 5;

}  // namespace

int32_t FailPerMille(uint32_t failCount, uint64_t total) {
  if (total == 0) {
    return 0;
  }
  // The ratio is a float: 5 / 1000 is stored just below 0.005, and the product, taken without
  // rounding it back to a float, stays below 5.
  const float ratio = static_cast<float>(failCount) / static_cast<float>(total);
  return static_cast<int32_t>(static_cast<double>(ratio) * 1000.0);
}

CounterRefresh RefreshCounters(CounterState& state) {
  CounterRefresh result;
  const uint64_t total = static_cast<uint64_t>(state.passCount) + state.failCount;
  if (total != 0 && total % kBlockRuns == 0 &&
      FailPerMille(state.failCount, total) >= kNoticePerMille) {
    result.notice = true;
  }
  if (total % kBlockRuns == 0) {
    state.blockFailCount = 0;
    state.noticeShown = 0;
    result.blockReset = true;
  }
  if (state.blockFailCount >= kNoticeBlockFailures && state.noticeShown == 0) {
    result.notice = true;
    state.noticeShown = 1;
  }
  // In integers: a float ratio times 100 shows 7 passes of 10 as 69 %.
  result.ratioPercent =
      total == 0 ? 0 : static_cast<int32_t>(static_cast<uint64_t>(state.passCount) * 100 / total);
  return result;
}

std::wstring FormatCounterText(const std::wstring& format, int64_t value) {
  std::wstring text;
  bool used = false;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != L'%') {
      text += format[i];
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == L'%') {
      text += L'%';
      ++i;
    } else if (i + 1 < format.size() && format[i + 1] == L'd' && !used) {
      text += std::to_wstring(value);
      used = true;
      ++i;
    } else {
      return format;
    }
  }
  return used ? text : format;
}

bool PrepareOutsideRun(bool scanner, bool running, int32_t repeatsLeft, int32_t testCounts) {
  return scanner && !running && repeatsLeft == RepeatsForSeries(testCounts);
}
