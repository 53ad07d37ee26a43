#include "station/results/core/RecordJson.h"

#include <cmath>
#include <cstdint>

#include <nlohmann/json.hpp>

#include "station/results/core/RecordId.h"
#include "station/results/core/RecordTime.h"

namespace {

using Json = nlohmann::ordered_json;

// Whole numbers are written without a fraction ("3599", not "3599.0").
Json Number(double value) {
  constexpr double kExactInteger = 9007199254740992.0;  // 2^53
  if (std::isfinite(value) && std::trunc(value) == value && std::fabs(value) < kExactInteger) {
    return static_cast<int64_t>(value);
  }
  return value;
}

Json RowToJson(const RecordRow& row) {
  Json json = {{"item", row.item},
               {"expected", row.expected},
               {"result", row.result},
               {"detail", row.detail}};
  if (row.measure) {
    json["value"] = Number(row.measure->value);
    json["unit"] = row.measure->unit;
    json["low"] = Number(row.measure->low);
    json["high"] = Number(row.measure->high);
  }
  return json;
}

// Reading: each helper records the first problem and leaves the value as it is.
class Reader {
 public:
  const std::string& problem() const { return problem_; }
  bool ok() const { return problem_.empty(); }

  const Json* Field(const Json& object, const char* key, Json::value_t type, const char* name) {
    if (!ok()) {
      return nullptr;
    }
    auto found = object.find(key);
    if (found == object.end()) {
      problem_ = std::string(name) + " is missing";
      return nullptr;
    }
    const bool number = type == Json::value_t::number_float;
    if (number ? !found->is_number() : found->type() != type) {
      problem_ = std::string(name) + " has the wrong type";
      return nullptr;
    }
    return &*found;
  }

  void Text(const Json& object, const char* key, std::string& out, const char* name) {
    if (const Json* value = Field(object, key, Json::value_t::string, name)) {
      out = value->get<std::string>();
    }
  }

  void Double(const Json& object, const char* key, double& out, const char* name) {
    if (const Json* value = Field(object, key, Json::value_t::number_float, name)) {
      out = value->get<double>();
      if (!std::isfinite(out)) {
        problem_ = std::string(name) + " is out of range";
      }
    }
  }

  void Time(const Json& object, const char* key, Timestamp& out, const char* name) {
    std::string text;
    Text(object, key, text, name);
    if (!ok()) {
      return;
    }
    if (auto time = ParseTimestamp(text)) {
      out = *time;
    } else {
      problem_ = std::string(name) + " is not a time with offset";
    }
  }

  void Fail(std::string problem) {
    if (ok()) {
      problem_ = std::move(problem);
    }
  }

 private:
  std::string problem_;
};

RecordRow ReadRow(Reader& reader, const Json& json, const std::string& name) {
  RecordRow row;
  if (!json.is_object()) {
    reader.Fail(name + " is not an object");
    return row;
  }
  reader.Text(json, "item", row.item, (name + ".item").c_str());
  reader.Text(json, "expected", row.expected, (name + ".expected").c_str());
  reader.Text(json, "result", row.result, (name + ".result").c_str());
  reader.Text(json, "detail", row.detail, (name + ".detail").c_str());
  if (json.contains("value")) {
    RowMeasure measure;
    reader.Double(json, "value", measure.value, (name + ".value").c_str());
    reader.Text(json, "unit", measure.unit, (name + ".unit").c_str());
    reader.Double(json, "low", measure.low, (name + ".low").c_str());
    reader.Double(json, "high", measure.high, (name + ".high").c_str());
    row.measure = measure;
  }
  return row;
}

void ReadRecord(Reader& reader, const Json& json, RunRecord& record) {
  std::string schema;
  reader.Text(json, "schema", schema, "schema");
  if (reader.ok() && schema != kRecordSchema) {
    reader.Fail("schema is not " + std::string(kRecordSchema));
  }
  reader.Text(json, "id", record.id, "id");
  if (reader.ok() && !IsRecordId(record.id)) {
    reader.Fail("id is not a UUID");
  }
  if (const Json* station = reader.Field(json, "station", Json::value_t::object, "station")) {
    reader.Text(*station, "name", record.station.name, "station.name");
    reader.Text(*station, "line", record.station.line, "station.line");
    reader.Text(*station, "host", record.station.host, "station.host");
    reader.Text(*station, "program", record.station.program, "station.program");
    reader.Text(*station, "version", record.station.version, "station.version");
    if (station->contains("formerName")) {
      reader.Text(*station, "formerName", record.formerStationName, "station.formerName");
    }
  }
  reader.Text(json, "operator", record.operatorName, "operator");
  reader.Time(json, "started", record.started, "started");
  reader.Time(json, "ended", record.ended, "ended");
  if (const Json* duration =
          reader.Field(json, "durationMs", Json::value_t::number_unsigned, "durationMs")) {
    record.durationMs = static_cast<int64_t>(duration->get<uint64_t>() & INT64_MAX);
  }
  if (const Json* codes = reader.Field(json, "codes", Json::value_t::object, "codes")) {
    for (int i = 0; i < kRecordCodeCount; ++i) {
      const std::string name = std::string("codes.") + kRecordCodeKeys[i];
      reader.Text(*codes, kRecordCodeKeys[i], record.codes[i], name.c_str());
    }
  }
  std::string outcome;
  reader.Text(json, "outcome", outcome, "outcome");
  if (reader.ok()) {
    if (auto known = OutcomeFromName(outcome)) {
      record.outcome = *known;
    } else {
      reader.Fail("outcome is not one of the outcomes");
    }
  }
  if (const Json* counted = reader.Field(json, "counted", Json::value_t::boolean, "counted")) {
    record.counted = counted->get<bool>();
  }
  if (const Json* rows = reader.Field(json, "rows", Json::value_t::array, "rows")) {
    for (size_t i = 0; i < rows->size() && reader.ok(); ++i) {
      record.rows.push_back(ReadRow(reader, (*rows)[i], "rows[" + std::to_string(i) + "]"));
    }
  }
  if (json.contains("testLog")) {
    reader.Text(json, "testLog", record.testLog, "testLog");
  }
}

}  // namespace

std::string RecordToJson(const RunRecord& record, int indent) {
  Json codes = Json::object();
  for (int i = 0; i < kRecordCodeCount; ++i) {
    codes[kRecordCodeKeys[i]] = record.codes[i];
  }
  Json rows = Json::array();
  for (const RecordRow& row : record.rows) {
    rows.push_back(RowToJson(row));
  }
  Json station = {{"name", record.station.name},
                  {"line", record.station.line},
                  {"host", record.station.host},
                  {"program", record.station.program},
                  {"version", record.station.version}};
  if (!record.formerStationName.empty()) {
    station["formerName"] = record.formerStationName;
  }
  Json json = {{"schema", kRecordSchema},
               {"id", record.id},
               {"station", station},
               {"operator", record.operatorName},
               {"started", FormatTimestamp(record.started)},
               {"ended", FormatTimestamp(record.ended)},
               {"durationMs", record.durationMs < 0 ? 0 : record.durationMs},
               {"codes", codes},
               {"outcome", OutcomeName(record.outcome)},
               {"counted", record.counted},
               {"rows", rows}};
  if (!record.testLog.empty()) {
    json["testLog"] = record.testLog;
  }
  // Texts are UTF-8 already; a broken sequence becomes U+FFFD rather than an exception.
  return json.dump(indent, ' ', false, Json::error_handler_t::replace);
}

RecordReading RecordFromJson(std::string_view text) {
  RecordReading reading;
  const Json json = Json::parse(text.begin(), text.end(), nullptr, false);
  if (json.is_discarded()) {
    reading.problem = "not JSON";
    return reading;
  }
  if (!json.is_object()) {
    reading.problem = "not a JSON object";
    return reading;
  }
  Reader reader;
  RunRecord record;
  ReadRecord(reader, json, record);
  if (!reader.ok()) {
    reading.problem = reader.problem();
    return reading;
  }
  reading.record = std::move(record);
  return reading;
}
