// The run record (schema "varnex.run/1"): one finished run as the line's tools read it. Every
// text is UTF-8. The JSON form is RecordJson.h; BuildRunRecord (RecordBuilder.h) fills it from a
// run.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char kRecordSchema[] = "varnex.run/1";

// How a run ended. PASS, FAIL and TIMEOUT are counted by the station; the others are not.
enum class Outcome { Pass, Fail, Timeout, Stopped, LinkFailed, Abandoned };

// "PASS", "FAIL", "TIMEOUT", "STOPPED", "LINK_FAILED", "ABANDONED".
const char* OutcomeName(Outcome outcome);
std::optional<Outcome> OutcomeFromName(std::string_view name);
// Whether the station's pass and fail counters count a run that ended so.
bool OutcomeCounted(Outcome outcome);

// A local time with its offset from UTC, to the millisecond.
struct Timestamp {
  int year = 1970, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  int offsetMinutes = 0;  // local time minus UTC, e.g. +480 for UTC+08:00

  bool operator==(const Timestamp&) const = default;
};

// The number a measuring row judged, its unit and its inclusive limits.
struct RowMeasure {
  double value = 0;
  std::string unit;
  double low = 0;
  double high = 0;

  bool operator==(const RowMeasure&) const = default;
};

// One row of the result list as the window showed it at the run's end.
struct RecordRow {
  std::string item;
  std::string expected;
  std::string result;  // "PASS", "FAIL" or empty (the row was not reached)
  std::string detail;
  std::optional<RowMeasure> measure;

  bool operator==(const RecordRow&) const = default;
};

// The station as its records name it: the one identity type of the station side, filled once
// when a program starts and copied into every record.
struct StationInfo {
  std::string name;
  std::string line;
  std::string host;
  std::string program;  // "Varnex" or "VarnexCli"
  std::string version;  // "1.0.0.1"

  bool operator==(const StationInfo&) const = default;
};

// The identity codes in scan order, under their record keys.
inline constexpr int kRecordCodeCount = 7;
inline constexpr std::array<const char*, kRecordCodeCount> kRecordCodeKeys = {
    "imei1", "imei2", "imei3", "sn1", "sn2", "bt", "wifi"};

struct RunRecord {
  std::string id;  // UUID v4, lower-case
  StationInfo station;
  // station.formerName: only in a record spooled under the computer's name before
  // VarnexLine.ini named the station, and adopted under that name since (Adoption.h): the name
  // it was spooled under. Empty otherwise.
  std::string formerStationName;
  std::string operatorName;  // empty without a log-on
  Timestamp started;
  Timestamp ended;
  int64_t durationMs = 0;
  std::array<std::string, kRecordCodeCount> codes;  // as scanned; empty when not scanned
  Outcome outcome = Outcome::Abandoned;
  bool counted = false;
  std::vector<RecordRow> rows;
  std::string testLog;  // empty when no test log was written

  bool operator==(const RunRecord&) const = default;
};
