#include "line/core/RunRecord.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <nlohmann/json.hpp>

#include "line/core/Timestamp.h"

namespace line {
namespace {

using Json = nlohmann::json;

// Fields of the record nest three deep at most; extensions get some room, hostile nesting none.
constexpr int kMaxDepth = 16;
constexpr size_t kMaxRows = 512;
constexpr size_t kMaxNameBytes = 128;
constexpr size_t kMaxCodeBytes = 64;
constexpr size_t kMaxTextBytes = 16 * 1024;

constexpr std::array<std::string_view, 6> kOutcomes = {"PASS",    "FAIL",        "TIMEOUT",
                                                       "STOPPED", "LINK_FAILED", "ABANDONED"};

struct Refusal {
  std::string text;
};

[[noreturn]] void Refuse(const std::string& field, std::string_view what) {
  throw Refusal{field + ": " + std::string(what)};
}

const Json& Member(const Json& object, const std::string& path, const char* key) {
  auto it = object.find(key);
  if (it == object.end()) {
    Refuse(path + key, "missing");
  }
  return *it;
}

std::string Text(const Json& object, const std::string& path, const char* key, size_t maxBytes,
                 bool required = true) {
  auto it = object.find(key);
  if (it == object.end()) {
    if (required) {
      Refuse(path + key, "missing");
    }
    return {};
  }
  if (!it->is_string()) {
    Refuse(path + key, "not a string");
  }
  const std::string& text = it->get_ref<const std::string&>();
  if (text.size() > maxBytes) {
    Refuse(path + key, "longer than " + std::to_string(maxBytes) + " bytes");
  }
  return text;
}

std::optional<double> Number(const Json& object, const std::string& path, const char* key) {
  auto it = object.find(key);
  if (it == object.end() || it->is_null()) {
    return std::nullopt;
  }
  if (!it->is_number() || !std::isfinite(it->get<double>())) {
    Refuse(path + key, "not a number");
  }
  return it->get<double>();
}

const Json& Object(const Json& object, const std::string& path, const char* key) {
  const Json& value = Member(object, path, key);
  if (!value.is_object()) {
    Refuse(path + key, "not an object");
  }
  return value;
}

std::string Time(const Json& object, const char* key, int64_t& epochMs) {
  std::string text = Text(object, "", key, kMaxNameBytes);
  std::optional<int64_t> parsed = ParseTimestamp(text);
  if (!parsed) {
    Refuse(key, "not a local time with offset like 2026-12-09T10:15:02.123+08:00");
  }
  epochMs = *parsed;
  return text;
}

bool IsUuidV4(std::string_view id) {
  if (id.size() != 36) {
    return false;
  }
  for (size_t i = 0; i < id.size(); ++i) {
    bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash != (id[i] == '-') || (!dash && !std::isxdigit(static_cast<unsigned char>(id[i])))) {
      return false;
    }
  }
  char variant = static_cast<char>(std::tolower(static_cast<unsigned char>(id[19])));
  return id[14] == '4' && (variant == '8' || variant == '9' || variant == 'a' || variant == 'b');
}

// One pass over the text before it is parsed: how deep containers nest (hostile nesting is refused
// before a tree is built for it) and the text without the whitespace between tokens, which is
// what the store keeps. Exact for valid JSON; the parser refuses anything else afterwards.
struct Shape {
  int depth = 0;
  std::string compact;
};

Shape Scan(std::string_view json) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (json.substr(0, kBom.size()) == kBom) {
    json.remove_prefix(kBom.size());
  }
  Shape shape;
  shape.compact.resize(json.size());
  char* out = shape.compact.data();
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < json.size(); ++i) {
    char c = json[i];
    if (inString) {
      *out++ = c;
      if (c == '\\' && i + 1 < json.size()) {
        *out++ = json[++i];
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    switch (c) {
      case ' ':
      case '\t':
      case '\n':
      case '\r':
        continue;
      case '"':
        inString = true;
        break;
      case '{':
      case '[':
        shape.depth = std::max(shape.depth, ++depth);
        break;
      case '}':
      case ']':
        --depth;
        break;
      default:
        break;
    }
    *out++ = c;
  }
  shape.compact.resize(static_cast<size_t>(out - shape.compact.data()));
  return shape;
}

RunRow ReadRow(const Json& row, const std::string& path) {
  if (!row.is_object()) {
    Refuse(path.substr(0, path.size() - 1), "not an object");
  }
  RunRow out;
  out.item = Text(row, path, "item", kMaxNameBytes);
  if (out.item.empty()) {
    Refuse(path + "item", "empty");
  }
  out.expected = Text(row, path, "expected", kMaxTextBytes);
  out.result = Text(row, path, "result", kMaxNameBytes);
  if (out.result != "PASS" && out.result != "FAIL" && !out.result.empty()) {
    Refuse(path + "result", "not PASS, FAIL or empty");
  }
  out.detail = Text(row, path, "detail", kMaxTextBytes);
  out.value = Number(row, path, "value");
  out.unit = Text(row, path, "unit", kMaxNameBytes, false);
  out.low = Number(row, path, "low");
  out.high = Number(row, path, "high");
  return out;
}

RunRecord ReadRecord(const Json& doc) {
  if (!doc.is_object()) {
    Refuse("body", "not a JSON object");
  }
  RunRecord record;
  if (Text(doc, "", "schema", kMaxNameBytes) != kRecordSchema) {
    Refuse("schema", "not " + std::string(kRecordSchema));
  }
  record.id = Text(doc, "", "id", kMaxNameBytes);
  if (!IsUuidV4(record.id)) {
    Refuse("id", "not a UUID v4");
  }
  for (char& c : record.id) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }

  const Json& station = Object(doc, "", "station");
  record.station = Text(station, "station.", "name", kMaxNameBytes);
  if (record.station.empty()) {
    Refuse("station.name", "empty");
  }
  record.line = Text(station, "station.", "line", kMaxNameBytes);
  record.host = Text(station, "station.", "host", kMaxNameBytes);
  record.program = Text(station, "station.", "program", kMaxNameBytes);
  if (record.program != "Varnex" && record.program != "VarnexCli") {
    Refuse("station.program", "not Varnex or VarnexCli");
  }
  record.version = Text(station, "station.", "version", kMaxNameBytes);
  record.operatorName = Text(doc, "", "operator", kMaxNameBytes);

  record.started = Time(doc, "started", record.startedMs);
  record.ended = Time(doc, "ended", record.endedMs);
  const Json& duration = Member(doc, "", "durationMs");
  if (!duration.is_number_integer() || duration.get<int64_t>() < 0) {
    Refuse("durationMs", "not a whole number of milliseconds");
  }
  record.durationMs = duration.get<int64_t>();

  const Json& codes = Object(doc, "", "codes");
  PhoneCodes& c = record.codes;
  c.imei1 = Text(codes, "codes.", "imei1", kMaxCodeBytes, false);
  c.imei2 = Text(codes, "codes.", "imei2", kMaxCodeBytes, false);
  c.imei3 = Text(codes, "codes.", "imei3", kMaxCodeBytes, false);
  c.sn1 = Text(codes, "codes.", "sn1", kMaxCodeBytes, false);
  c.sn2 = Text(codes, "codes.", "sn2", kMaxCodeBytes, false);
  c.bt = Text(codes, "codes.", "bt", kMaxCodeBytes, false);
  c.wifi = Text(codes, "codes.", "wifi", kMaxCodeBytes, false);

  record.outcome = Text(doc, "", "outcome", kMaxNameBytes);
  bool known = false;
  for (std::string_view outcome : kOutcomes) {
    known = known || record.outcome == outcome;
  }
  if (!known) {
    Refuse("outcome", "not PASS, FAIL, TIMEOUT, STOPPED, LINK_FAILED or ABANDONED");
  }
  const Json& counted = Member(doc, "", "counted");
  if (!counted.is_boolean()) {
    Refuse("counted", "not true or false");
  }
  record.counted = counted.get<bool>();

  const Json& rows = Member(doc, "", "rows");
  if (!rows.is_array()) {
    Refuse("rows", "not an array");
  }
  if (rows.size() > kMaxRows) {
    Refuse("rows", "more than " + std::to_string(kMaxRows) + " rows");
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    record.rows.push_back(ReadRow(rows[i], "rows[" + std::to_string(i) + "]."));
  }
  record.testLog = Text(doc, "", "testLog", kMaxTextBytes, false);
  return record;
}

}  // namespace

RecordCheck ReadRunRecord(std::string_view json) {
  RecordCheck check;
  if (json.size() > kMaxRecordBytes) {
    check.error = "body: larger than " + std::to_string(kMaxRecordBytes) + " bytes";
    return check;
  }
  Shape shape = Scan(json);
  if (shape.depth > kMaxDepth) {
    check.error = "body: nested deeper than " + std::to_string(kMaxDepth) + " levels";
    return check;
  }
  try {
    // The text as sent is parsed: only its compact form is known to mean the same once it is
    // valid JSON.
    Json doc = Json::parse(json);
    check.record = ReadRecord(doc);
    check.record->document = std::move(shape.compact);
  } catch (const Json::parse_error& e) {
    check.error = "body: not valid JSON (byte " + std::to_string(e.byte) + ")";
  } catch (const Refusal& refusal) {
    check.error = refusal.text;
  } catch (const std::exception& e) {
    check.error = std::string("body: ") + e.what();
  }
  return check;
}

}  // namespace line
