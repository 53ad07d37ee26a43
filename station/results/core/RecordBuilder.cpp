#include "station/results/core/RecordBuilder.h"

#include <cwchar>

#include "station/config/ResultRows.h"
#include "station/results/core/RecordFit.h"
#include "station/results/core/Utf8.h"
#include "station/run/core/IdentityItems.h"

static_assert(kRecordCodeCount == kIdentityCount, "one record code per identity item");

namespace {

// A cell as shown: the newest report of that column, else what the list was built with.
std::string Shown(const CapturedRow* captured, int32_t column, std::wstring_view built) {
  if (captured != nullptr && captured->cells[static_cast<size_t>(column)]) {
    return WideToUtf8(*captured->cells[static_cast<size_t>(column)]);
  }
  return WideToUtf8(built);
}

RecordRow BuildRow(const ResultRow& listRow, const CapturedRun& captured) {
  auto found = captured.rows.find(listRow.name);
  const CapturedRow* row = found != captured.rows.end() ? &found->second : nullptr;
  RecordRow record;
  record.item = Shown(row, 0, listRow.name);
  if (record.item.empty()) {
    record.item = WideToUtf8(listRow.name);  // a row always has a name
  }
  record.expected = Shown(
      row, 1, std::wstring_view(listRow.expected, wcsnlen(listRow.expected, kExpectedTextChars)));
  record.result = Shown(row, 2, L"");
  record.detail = Shown(row, 3, L"");
  if (row != nullptr && row->measurement) {
    const Measurement& m = *row->measurement;
    record.measure = RowMeasure{m.value, m.unit != nullptr ? m.unit : "", m.low, m.high};
  }
  return record;
}

// Only codes that were scanned: a prefix-checked item's expected value is its prefix.
std::string ScannedCode(const CheckSettings& settings, int item) {
  if (!IdentityScanned(settings, item)) {
    return {};
  }
  const wchar_t* code = ExpectedValue(settings, item);
  return WideToUtf8(std::wstring_view(code, wcsnlen(code, kIdentityItems[item].capacity)));
}

}  // namespace

RunRecord BuildRunRecord(const RunFacts& facts, const AnsiDecoder& decodeAnsi) {
  RunRecord record;
  record.id = facts.id;
  record.station = facts.station;
  record.operatorName = WideToUtf8(facts.operatorName);
  record.started = facts.started;
  record.ended = facts.ended;
  record.durationMs = facts.durationMs < 0 ? 0 : facts.durationMs;
  for (int i = 0; i < kRecordCodeCount; ++i) {
    record.codes[i] = ScannedCode(facts.settings, i);
  }
  record.outcome = facts.outcome;
  record.counted = OutcomeCounted(facts.outcome);
  for (const ResultRow& row : BuildResultRows(facts.settings)) {
    record.rows.push_back(BuildRow(row, facts.captured));
  }
  if (!facts.captured.testLogAnsi.empty() && decodeAnsi) {
    record.testLog = WideToUtf8(decodeAnsi(facts.captured.testLogAnsi));
  }
  FitRecordToLimits(record);
  return record;
}
