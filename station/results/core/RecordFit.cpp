#include "station/results/core/RecordFit.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string_view>

#include "station/results/core/RecordJson.h"
#include "station/results/core/Utf8.h"

namespace {

using record_limits::kMaxCodeBytes;
using record_limits::kMaxNameBytes;
using record_limits::kMaxTextBytes;

// A number the service takes as it is, 0 for one too small to matter, nothing for the rest.
std::optional<double> FittingNumber(double value) {
  if (!std::isfinite(value) || std::fabs(value) > record_limits::kLargestMagnitude) {
    return std::nullopt;
  }
  return record_limits::NumberFits(value) ? value : 0.0;
}

void FitMeasure(std::optional<RowMeasure>& measure) {
  if (!measure) {
    return;
  }
  const auto value = FittingNumber(measure->value);
  const auto low = FittingNumber(measure->low);
  const auto high = FittingNumber(measure->high);
  if (!value || !low || !high) {
    measure.reset();
    return;
  }
  measure->value = *value;
  measure->low = *low;
  measure->high = *high;
  FitText(measure->unit, kMaxNameBytes);
}

void FitFields(RunRecord& record) {
  for (std::string* name :
       {&record.station.name, &record.station.line, &record.station.host, &record.station.program,
        &record.station.version, &record.formerStationName, &record.operatorName}) {
    FitText(*name, kMaxNameBytes);
  }
  for (std::string& code : record.codes) {
    FitText(code, kMaxCodeBytes);
  }
  record.durationMs = std::clamp<int64_t>(record.durationMs, 0, record_limits::kMaxDurationMs);
  if (record.rows.size() > record_limits::kMaxRows) {
    record.rows.resize(record_limits::kMaxRows);
  }
  for (RecordRow& row : record.rows) {
    FitText(row.item, kMaxNameBytes);
    FitText(row.result, kMaxNameBytes);
    FitText(row.expected, kMaxTextBytes);
    FitText(row.detail, kMaxTextBytes);
    FitMeasure(row.measure);
  }
  FitText(record.testLog, kMaxTextBytes);
}

bool WithinBudget(const RunRecord& record) {
  return RecordToJson(record, kSpoolIndent).size() <= kRecordBudgetBytes;
}

// The largest n in [0, most] for which fits(n) holds, fits being monotonic; 0 when none does.
size_t LargestFitting(size_t most, const std::function<bool(size_t)>& fits) {
  size_t low = 0;
  size_t high = most;
  while (low < high) {
    const size_t middle = low + (high - low + 1) / 2;
    if (fits(middle)) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

// The bytes the text, cut to at most `mostBytes` where a character ends, takes inside its JSON
// string: a quote, a backslash and the allowed controls are escaped with two bytes, any other
// control with six; UTF-8 is written as it is.
size_t EscapedSize(std::string_view text, size_t mostBytes) {
  size_t end = std::min(mostBytes, text.size());
  while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
    --end;
  }
  size_t size = 0;
  for (const char c : text.substr(0, end)) {
    const auto byte = static_cast<unsigned char>(c);
    size += byte == '"' || byte == '\\' || byte == '\b' || byte == '\f' || byte == '\n' ||
                    byte == '\r' || byte == '\t'
                ? 2
                : (byte < 0x20 ? 6 : 1);
  }
  return size;
}

RunRecord WithTextsCut(const RunRecord& record, size_t mostBytes) {
  RunRecord cut = record;
  for (RecordRow& row : cut.rows) {
    FitText(row.expected, mostBytes);
    FitText(row.detail, mostBytes);
  }
  FitText(cut.testLog, mostBytes);
  return cut;
}

}  // namespace

void FitRecordToLimits(RunRecord& record) {
  FitFields(record);
  if (WithinBudget(record)) {
    return;
  }
  // The longest common length of the free texts at which the file fits, from the size of the
  // rest and what each text takes escaped: one JSON text per record, not one per length tried.
  const size_t rest = RecordToJson(WithTextsCut(record, 0), kSpoolIndent).size();
  const size_t textBytes = LargestFitting(kMaxTextBytes, [&](size_t most) {
    size_t size = rest + EscapedSize(record.testLog, most);
    for (const RecordRow& row : record.rows) {
      size += EscapedSize(row.expected, most) + EscapedSize(row.detail, most);
    }
    return size <= kRecordBudgetBytes;
  });
  record = WithTextsCut(record, textBytes);
  if (WithinBudget(record)) {
    return;
  }
  const size_t rows = LargestFitting(record.rows.size(), [&](size_t count) {
    RunRecord fewer = record;
    fewer.rows.resize(count);
    return WithinBudget(fewer);
  });
  record.rows.resize(rows);
}
