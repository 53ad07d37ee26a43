// The line service reads run records from any client on the network: any bytes must be read
// without harm; a refusal names a field; an accepted record's stored document reads back as the
// same record, and its times format back to themselves; the statistics' fast reading of its
// rows gives the rows the check read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "line/core/LogText.h"
#include "line/core/RunRecord.h"
#include "line/core/RunRows.h"
#include "line/core/Timestamp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::optional<int64_t> time = line::ParseTimestamp(text);
  if (time && line::ParseTimestamp(line::FormatUtc(*time)) != time) {
    std::abort();
  }
  constexpr int64_t kNowMs = 1797379200000;  // the service's clock: 2026-12-16T00:00:00Z
  std::optional<std::vector<line::RunRow>> rows = line::ReadRunRows(text);
  line::RecordCheck check = line::ReadRunRecord(text, kNowMs);
  if (!check.record) {
    if (check.error.find(": ") == std::string::npos) {
      std::abort();
    }
    // A refusal goes to the log as one line.
    std::string logged = line::LogText(check.error);
    if (logged.find('\n') != std::string::npos || logged.find('\r') != std::string::npos) {
      std::abort();
    }
    return 0;
  }
  const line::RunRecord& first = *check.record;
  line::RecordCheck again = line::ReadRunRecord(first.document, kNowMs);
  if (!again.record || again.record->document != first.document || again.record->id != first.id ||
      again.record->startedMs != first.startedMs ||
      again.record->rows.size() != first.rows.size()) {
    std::abort();
  }
  if (!rows || rows->size() != first.rows.size()) {
    std::abort();
  }
  for (size_t i = 0; i < rows->size(); ++i) {
    const line::RunRow& a = (*rows)[i];
    const line::RunRow& b = first.rows[i];
    if (a.item != b.item || a.expected != b.expected || a.result != b.result ||
        a.unit != b.unit || a.value != b.value || a.low != b.low || a.high != b.high) {
      std::abort();
    }
  }
  if (line::ParseTimestamp(line::FormatLocal(first.startedMs, 480)) != first.startedMs) {
    std::abort();
  }
  return 0;
}
