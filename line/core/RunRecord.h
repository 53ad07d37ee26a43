// The run record "varnex.run/1" that a station sends for every counted or abandoned run: read
// from its JSON text and checked field by field, so a bad record is refused with the name of
// the field and a good one is stored with everything it carries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contract/RecordLimits.h"

namespace line {

inline constexpr std::string_view kRecordSchema = "varnex.run/1";
inline constexpr size_t kMaxRecordBytes = record_limits::kMaxRecordBytes;

struct RunRow {
  std::string item;
  std::string expected;
  std::string result;  // "PASS", "FAIL" or "" (a row without a verdict)
  std::string detail;
  // Only on rows that measure a number.
  std::optional<double> value;
  std::string unit;
  std::optional<double> low;
  std::optional<double> high;
};

struct PhoneCodes {
  std::string imei1, imei2, imei3, sn1, sn2, bt, wifi;
};

struct RunRecord {
  std::string id;  // lower-case UUID
  std::string station;
  std::string line;
  std::string host;
  std::string program;
  std::string version;
  std::string operatorName;
  std::string started;  // as the station wrote it (local time with offset)
  std::string ended;
  int64_t startedMs = 0;  // UTC
  int64_t endedMs = 0;
  int64_t durationMs = 0;
  PhoneCodes codes;
  std::string outcome;
  bool counted = false;
  std::vector<RunRow> rows;
  std::string testLog;
  // The whole record as it was sent, without the whitespace between its tokens: what the store
  // keeps and answers with, fields this service does not know included. Exactly what was
  // checked: a key given twice is refused, so no reader can take another value than the check.
  std::string document;
};

struct RecordCheck {
  std::optional<RunRecord> record;
  std::string error;  // "<field>: <what is wrong>" when record is empty
};

// Reads and checks one record against the limits both sides share (contract/RecordLimits.h);
// `nowMs` is the service's clock, which a run may not start more than a day after. Never throws;
// hostile input of any size or nesting is refused.
RecordCheck ReadRunRecord(std::string_view json, int64_t nowMs);

}  // namespace line
