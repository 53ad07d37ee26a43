#include "line/core/RunRecord.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>

#include "line/core/Timestamp.h"

namespace line {
namespace {

using Json = nlohmann::json;
namespace limits = record_limits;

// Fields of the record nest three deep at most; extensions get some room, hostile nesting none.
constexpr int kMaxDepth = 16;

constexpr std::array<std::string_view, 6> kOutcomes = {"PASS",    "FAIL",        "TIMEOUT",
                                                       "STOPPED", "LINK_FAILED", "ABANDONED"};

struct Refusal {
  std::string text;
};

[[noreturn]] void Refuse(const std::string& field, std::string_view what) {
  throw Refusal{field + ": " + std::string(what)};
}

// Whether a text holds a character the record may not carry (the parser has checked that it is
// UTF-8, so the C1 controls are the two-byte sequences C2 80 to C2 9F).
bool HoldsControl(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    uint32_t codePoint = byte;
    if (byte == 0xC2 && i + 1 < text.size()) {
      codePoint = 0x80 | (static_cast<unsigned char>(text[++i]) & 0x3F);
    } else if (byte >= 0x80) {
      continue;
    }
    if (limits::IsRefusedControl(codePoint)) {
      return true;
    }
  }
  return false;
}

// A number's text whose digits before the exponent are all zero: it means 0, so reading it as 0
// is no underflow.
bool WritesZero(std::string_view lexeme) {
  for (char c : lexeme) {
    if (c == 'e' || c == 'E') {
      break;
    }
    if (c >= '1' && c <= '9') {
      return false;
    }
  }
  return true;
}

constexpr const char* kNumberRange =
    "a number out of range (0, or a magnitude from 1e-300 to 1e300)";

// Builds the tree as the library's own parser does and refuses, naming the field, what a tree
// would hide from the checks: a key given twice (readers differ in which value they take), a
// control character in any key or text, and a number that does not come out of every reader
// and store as it went in.
class CheckingReader {
 public:
  explicit CheckingReader(Json& root) : tree_(root, true) {}

  bool null() { return Scalar() && tree_.null(); }
  bool boolean(bool value) { return Scalar() && tree_.boolean(value); }
  bool number_integer(Json::number_integer_t value) {
    return Scalar() && tree_.number_integer(value);
  }
  bool number_unsigned(Json::number_unsigned_t value) {
    return Scalar() && tree_.number_unsigned(value);
  }
  bool number_float(Json::number_float_t value, const std::string& lexeme) {
    if (!limits::NumberFits(value) || (value == 0 && !WritesZero(lexeme))) {
      Refuse(Path(), kNumberRange);
    }
    return Scalar() && tree_.number_float(value, lexeme);
  }
  bool string(std::string& text) {
    if (HoldsControl(text)) {
      Refuse(Path(), "holds a control character");
    }
    return Scalar() && tree_.string(text);
  }
  bool binary(Json::binary_t& bytes) { return Scalar() && tree_.binary(bytes); }
  bool start_object(size_t count) {
    Enter(false);
    return tree_.start_object(count);
  }
  bool key(std::string& name) {
    Frame& frame = frames_[depth_ - 1];
    if (HoldsControl(name)) {
      frame.key = "(a key)";
      Refuse(Path(), "holds a control character");
    }
    frame.key = name;
    if (!frame.Add(name)) {
      Refuse(Path(), "given twice");
    }
    return tree_.key(name);
  }
  bool end_object() {
    --depth_;
    return Scalar() && tree_.end_object();
  }
  bool start_array(size_t count) {
    Enter(true);
    return tree_.start_array(count);
  }
  bool end_array() {
    --depth_;
    return Scalar() && tree_.end_array();
  }
  template <class Exception>  // the parser's own kind, so that it is thrown as such
  bool parse_error(size_t position, const std::string& token, const Exception& error) {
    if (error.id == 406) {  // a number beyond what a double holds
      Refuse(Path(), kNumberRange);
    }
    return tree_.parse_error(position, token, error);
  }

 private:
  struct Frame {
    // False when the object had the key already. A record's objects have a dozen keys: they
    // are compared one by one, a hostile object's many in a set.
    bool Add(const std::string& name) {
      if (many.empty() && few.size() < kFewKeys) {
        if (std::find(few.begin(), few.end(), name) != few.end()) {
          return false;
        }
        few.push_back(name);
        return true;
      }
      many.insert(few.begin(), few.end());
      few.clear();
      return many.insert(name).second;
    }
    static constexpr size_t kFewKeys = 32;
    bool array = false;
    size_t index = 0;
    std::string key;
    std::vector<std::string> few;
    std::set<std::string> many;
  };

  // A container begins. The frames of a record's many rows are used again, their keys'
  // room with them, rather than made anew for each.
  void Enter(bool array) {
    if (depth_ == frames_.size()) {
      frames_.emplace_back();
    }
    Frame& frame = frames_[depth_++];
    frame.array = array;
    frame.index = 0;
    frame.key.clear();
    frame.few.clear();
    frame.many.clear();
  }

  // A value is complete: the next one of an array has the next index.
  bool Scalar() {
    if (depth_ > 0 && frames_[depth_ - 1].array) {
      ++frames_[depth_ - 1].index;
    }
    return true;
  }

  // "rows[3].item", as the record's other refusals name fields.
  std::string Path() const {
    std::string path;
    for (size_t i = 0; i < depth_; ++i) {
      const Frame& frame = frames_[i];
      if (frame.array) {
        path.append("[").append(std::to_string(frame.index)).append("]");
      } else {
        path.append(path.empty() ? "" : ".").append(frame.key);
      }
    }
    return path.empty() ? "body" : path;
  }

  nlohmann::detail::json_sax_dom_parser<Json> tree_;
  std::vector<Frame> frames_;
  size_t depth_ = 0;  // frames_ beyond it are kept for use again
};

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

// Their range the reader has checked.
std::optional<double> Number(const Json& object, const std::string& path, const char* key) {
  auto it = object.find(key);
  if (it == object.end() || it->is_null()) {
    return std::nullopt;
  }
  if (!it->is_number()) {
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
  std::string text = Text(object, "", key, limits::kMaxNameBytes);
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
  out.item = Text(row, path, "item", limits::kMaxNameBytes);
  if (out.item.empty()) {
    Refuse(path + "item", "empty");
  }
  out.expected = Text(row, path, "expected", limits::kMaxTextBytes);
  out.result = Text(row, path, "result", limits::kMaxNameBytes);
  if (out.result != "PASS" && out.result != "FAIL" && !out.result.empty()) {
    Refuse(path + "result", "not PASS, FAIL or empty");
  }
  out.detail = Text(row, path, "detail", limits::kMaxTextBytes);
  out.value = Number(row, path, "value");
  out.unit = Text(row, path, "unit", limits::kMaxNameBytes, false);
  out.low = Number(row, path, "low");
  out.high = Number(row, path, "high");
  return out;
}

RunRecord ReadRecord(const Json& doc, int64_t nowMs) {
  if (!doc.is_object()) {
    Refuse("body", "not a JSON object");
  }
  RunRecord record;
  if (Text(doc, "", "schema", limits::kMaxNameBytes) != kRecordSchema) {
    Refuse("schema", "not " + std::string(kRecordSchema));
  }
  record.id = Text(doc, "", "id", limits::kMaxNameBytes);
  if (!IsUuidV4(record.id)) {
    Refuse("id", "not a UUID v4");
  }
  for (char& c : record.id) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }

  const Json& station = Object(doc, "", "station");
  record.station = Text(station, "station.", "name", limits::kMaxNameBytes);
  if (record.station.empty()) {
    Refuse("station.name", "empty");
  }
  record.line = Text(station, "station.", "line", limits::kMaxNameBytes);
  record.host = Text(station, "station.", "host", limits::kMaxNameBytes);
  record.program = Text(station, "station.", "program", limits::kMaxNameBytes);
  if (record.program != "Varnex" && record.program != "VarnexCli") {
    Refuse("station.program", "not Varnex or VarnexCli");
  }
  record.version = Text(station, "station.", "version", limits::kMaxNameBytes);
  record.operatorName = Text(doc, "", "operator", limits::kMaxNameBytes);

  record.started = Time(doc, "started", record.startedMs);
  if (record.startedMs - nowMs > limits::kMostAheadMs) {
    Refuse("started", "more than 24 hours after the service's clock (" + FormatUtc(nowMs) +
                          "): the station's clock is wrong");
  }
  record.ended = Time(doc, "ended", record.endedMs);
  const Json& duration = Member(doc, "", "durationMs");
  if (!duration.is_number_integer() || (!duration.is_number_unsigned() && duration < 0)) {
    Refuse("durationMs", "not a whole number of milliseconds");
  }
  if (duration.get<uint64_t>() > static_cast<uint64_t>(limits::kMaxDurationMs)) {
    Refuse("durationMs", "more than 2^53 milliseconds");
  }
  record.durationMs = duration.get<int64_t>();

  const Json& codes = Object(doc, "", "codes");
  PhoneCodes& c = record.codes;
  c.imei1 = Text(codes, "codes.", "imei1", limits::kMaxCodeBytes, false);
  c.imei2 = Text(codes, "codes.", "imei2", limits::kMaxCodeBytes, false);
  c.imei3 = Text(codes, "codes.", "imei3", limits::kMaxCodeBytes, false);
  c.sn1 = Text(codes, "codes.", "sn1", limits::kMaxCodeBytes, false);
  c.sn2 = Text(codes, "codes.", "sn2", limits::kMaxCodeBytes, false);
  c.bt = Text(codes, "codes.", "bt", limits::kMaxCodeBytes, false);
  c.wifi = Text(codes, "codes.", "wifi", limits::kMaxCodeBytes, false);

  record.outcome = Text(doc, "", "outcome", limits::kMaxNameBytes);
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
  if (rows.size() > limits::kMaxRows) {
    Refuse("rows", "more than " + std::to_string(limits::kMaxRows) + " rows");
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    record.rows.push_back(ReadRow(rows[i], "rows[" + std::to_string(i) + "]."));
  }
  record.testLog = Text(doc, "", "testLog", limits::kMaxTextBytes, false);
  return record;
}

}  // namespace

RecordCheck ReadRunRecord(std::string_view json, int64_t nowMs) {
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
    Json doc;
    CheckingReader reader(doc);
    Json::sax_parse(json, &reader);
    check.record = ReadRecord(doc, nowMs);
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
