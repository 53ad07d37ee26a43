#include "line/core/RunRows.h"

#include <nlohmann/json.hpp>

namespace line {
namespace {

using Json = nlohmann::json;

// Follows the depth of the document: the record is depth 1, "rows" its array at 2, each row an
// object at 3; anything deeper is passed over.
class RowsReader : public nlohmann::json_sax<Json> {
 public:
  std::vector<RunRow> rows;

  bool null() override { return Clear(); }
  bool boolean(bool) override { return Clear(); }
  bool number_integer(number_integer_t value) override {
    return Number(static_cast<double>(value));
  }
  bool number_unsigned(number_unsigned_t value) override {
    return Number(static_cast<double>(value));
  }
  bool number_float(number_float_t value, const string_t&) override { return Number(value); }
  bool string(string_t& value) override {
    if (InRow()) {
      RunRow& row = rows.back();
      if (key_ == "item") {
        row.item = std::move(value);
      } else if (key_ == "expected") {
        row.expected = std::move(value);
      } else if (key_ == "result") {
        row.result = std::move(value);
      } else if (key_ == "unit") {
        row.unit = std::move(value);
      }
    }
    return Clear();
  }
  bool binary(binary_t&) override { return Clear(); }
  bool start_object(std::size_t) override {
    ++depth_;
    if (depth_ == 3 && inRows_) {
      rows.emplace_back();
    }
    key_.clear();
    return true;
  }
  bool key(string_t& name) override {
    if (depth_ <= 3) {
      key_ = std::move(name);
    }
    return true;
  }
  bool end_object() override {
    --depth_;
    return Clear();
  }
  bool start_array(std::size_t) override {
    ++depth_;
    if (depth_ == 2 && key_ == "rows") {
      inRows_ = true;
    }
    return true;
  }
  bool end_array() override {
    --depth_;
    if (depth_ == 1) {
      inRows_ = false;
    }
    return Clear();
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  bool InRow() const { return inRows_ && depth_ == 3 && !rows.empty(); }
  bool Number(double value) {
    if (InRow()) {
      RunRow& row = rows.back();
      if (key_ == "value") {
        row.value = value;
      } else if (key_ == "low") {
        row.low = value;
      } else if (key_ == "high") {
        row.high = value;
      }
    }
    return Clear();
  }
  bool Clear() {
    if (depth_ <= 3) {
      key_.clear();
    }
    return true;
  }

  int depth_ = 0;
  bool inRows_ = false;
  std::string key_;
};

}  // namespace

std::optional<std::vector<RunRow>> ReadRunRows(std::string_view document) {
  RowsReader reader;
  if (!Json::sax_parse(document, &reader, Json::input_format_t::json, true)) {
    return std::nullopt;
  }
  return std::move(reader.rows);
}

}  // namespace line
