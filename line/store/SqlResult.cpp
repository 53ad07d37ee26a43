#include "line/store/SqlSession.h"

#include <cstdlib>

#include "line/store/Store.h"

namespace line {

int64_t SqlResult::Int(size_t row, size_t column) const {
  const SqlCell& cell = rows.at(row).at(column);
  if (const auto* number = std::get_if<int64_t>(&cell)) {
    return *number;
  }
  if (const auto* real = std::get_if<double>(&cell)) {
    return static_cast<int64_t>(*real);
  }
  const auto* text = std::get_if<std::string>(&cell);
  if (text == nullptr || text->empty()) {
    return 0;
  }
  try {
    return std::stoll(*text);
  } catch (const std::exception&) {
    throw StoreError("not a number in column " + std::to_string(column) + ": " + *text);
  }
}

std::optional<double> SqlResult::Real(size_t row, size_t column) const {
  const SqlCell& cell = rows.at(row).at(column);
  if (const auto* real = std::get_if<double>(&cell)) {
    return *real;
  }
  if (const auto* number = std::get_if<int64_t>(&cell)) {
    return static_cast<double>(*number);
  }
  const auto* text = std::get_if<std::string>(&cell);
  if (text == nullptr || text->empty()) {
    return std::nullopt;
  }
  char* end = nullptr;
  double value = std::strtod(text->c_str(), &end);
  if (end != text->c_str() + text->size()) {
    throw StoreError("not a number in column " + std::to_string(column) + ": " + *text);
  }
  return value;
}

const std::string& SqlResult::Text(size_t row, size_t column) const {
  static const std::string kEmpty;
  const SqlCell& cell = rows.at(row).at(column);
  if (const auto* text = std::get_if<std::string>(&cell)) {
    return *text;
  }
  if (!std::holds_alternative<std::monostate>(cell)) {
    throw StoreError("not a text in column " + std::to_string(column));
  }
  return kEmpty;
}

std::string SqlResult::TakeText(size_t row, size_t column) {
  Text(row, column);  // refuses a cell that is no text
  auto* text = std::get_if<std::string>(&rows.at(row).at(column));
  return text ? std::move(*text) : std::string();
}

void SqlSession::EachRow(Sql statement, std::span<const SqlParam> params,
                         const std::function<void(const SqlResult& row)>& visit) {
  SqlResult all = Run(statement, params);
  SqlResult one;
  one.rows.resize(1);
  for (std::vector<SqlCell>& row : all.rows) {
    one.rows[0] = std::move(row);
    visit(one);
  }
}

}  // namespace line
