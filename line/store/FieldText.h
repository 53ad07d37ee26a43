// The compact texts of a station's row of measure_stations, rewritten with every delivery:
// records of fields, a line per record, the fields apart by tabs. A text field escapes the
// backslash, the tab and the line feed; a number is the shortest text that reads back as the
// same double (inf and nan as well); an absent value is an empty field.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace line {

class FieldWriter {
 public:
  FieldWriter& Text(std::string_view text);
  FieldWriter& Int(int64_t value);
  FieldWriter& Number(double value);
  FieldWriter& Number(const std::optional<double>& value);
  FieldWriter& Int(const std::optional<int64_t>& value);
  void EndRecord();
  std::string Take() && { return std::move(text_); }

 private:
  void Separate();
  std::string text_;
  bool fresh_ = true;  // no field in the record yet
};

// Reads records in turn; a field missing or not of its kind makes the reader failed, and from
// then on every field reads as empty or zero.
class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : rest_(text) {}
  // Moves to the next record; false at the end of the text.
  bool NextRecord();
  std::string Text();
  int64_t Int();
  double Number();
  std::optional<double> OptionalNumber();
  std::optional<int64_t> OptionalInt();
  bool Failed() const { return failed_; }

 private:
  std::optional<std::string_view> Field();
  template <class Value>
  std::optional<Value> Optional();  // an empty field is none
  std::string_view rest_;
  std::string_view line_;
  bool more_ = false;  // a field remains in the record (the last one may be empty)
  bool failed_ = false;
};

}  // namespace line
