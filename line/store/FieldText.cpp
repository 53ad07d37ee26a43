#include "line/store/FieldText.h"

#include <charconv>

namespace line {
namespace {

template <class Value>
void AppendNumber(std::string& text, Value value) {
  char number[32];
  auto [end, error] = std::to_chars(number, number + sizeof number, value);
  if (error == std::errc()) {
    text.append(number, end);
  }
}

template <class Value>
std::optional<Value> ParseNumber(std::string_view field) {
  Value value{};
  auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (error != std::errc() || end != field.data() + field.size()) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

void FieldWriter::Separate() {
  if (!fresh_) {
    text_ += '\t';
  }
  fresh_ = false;
}

FieldWriter& FieldWriter::Text(std::string_view text) {
  Separate();
  for (char c : text) {
    switch (c) {
      case '\\':
        text_ += "\\\\";
        break;
      case '\t':
        text_ += "\\t";
        break;
      case '\n':
        text_ += "\\n";
        break;
      default:
        text_ += c;
    }
  }
  return *this;
}

FieldWriter& FieldWriter::Int(int64_t value) {
  Separate();
  AppendNumber(text_, value);
  return *this;
}

FieldWriter& FieldWriter::Number(double value) {
  Separate();
  AppendNumber(text_, value);
  return *this;
}

FieldWriter& FieldWriter::Number(const std::optional<double>& value) {
  return value ? Number(*value) : Text("");
}

FieldWriter& FieldWriter::Int(const std::optional<int64_t>& value) {
  return value ? Int(*value) : Text("");
}

void FieldWriter::EndRecord() {
  text_ += '\n';
  fresh_ = true;
}

bool FieldReader::NextRecord() {
  if (failed_ || rest_.empty()) {
    return false;
  }
  size_t end = rest_.find('\n');
  line_ = rest_.substr(0, end);
  rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
  more_ = true;
  return true;
}

std::optional<std::string_view> FieldReader::Field() {
  if (failed_ || !more_) {
    failed_ = true;
    return std::nullopt;
  }
  size_t end = line_.find('\t');
  std::string_view field = line_.substr(0, end);
  more_ = end != std::string_view::npos;
  line_.remove_prefix(more_ ? end + 1 : line_.size());
  return field;
}

std::string FieldReader::Text() {
  std::optional<std::string_view> field = Field();
  std::string text;
  if (!field) {
    return text;
  }
  text.reserve(field->size());
  for (size_t i = 0; i < field->size(); ++i) {
    char c = (*field)[i];
    if (c == '\\' && i + 1 < field->size()) {
      char escaped = (*field)[++i];
      c = escaped == 't' ? '\t' : escaped == 'n' ? '\n' : escaped;
    }
    text += c;
  }
  return text;
}

int64_t FieldReader::Int() {
  std::optional<std::string_view> field = Field();
  std::optional<int64_t> value = field ? ParseNumber<int64_t>(*field) : std::nullopt;
  failed_ = failed_ || !value;
  return value.value_or(0);
}

double FieldReader::Number() {
  std::optional<std::string_view> field = Field();
  std::optional<double> value = field ? ParseNumber<double>(*field) : std::nullopt;
  failed_ = failed_ || !value;
  return value.value_or(0);
}

template <class Value>
std::optional<Value> FieldReader::Optional() {
  std::optional<std::string_view> field = Field();
  if (!field || field->empty()) {
    return std::nullopt;
  }
  std::optional<Value> value = ParseNumber<Value>(*field);
  failed_ = failed_ || !value;
  return value;
}

std::optional<double> FieldReader::OptionalNumber() {
  return Optional<double>();
}

std::optional<int64_t> FieldReader::OptionalInt() {
  return Optional<int64_t>();
}

}  // namespace line
