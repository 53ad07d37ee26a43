#include "line/store/SqlSession.h"

#include "line/store/Store.h"

namespace line {

int64_t SqlResult::Int(size_t row, size_t column) const {
  const std::optional<std::string>& cell = rows.at(row).at(column);
  if (!cell || cell->empty()) {
    return 0;
  }
  try {
    return std::stoll(*cell);
  } catch (const std::exception&) {
    throw StoreError("not a number in column " + std::to_string(column) + ": " + *cell);
  }
}

const std::string& SqlResult::Text(size_t row, size_t column) const {
  static const std::string kEmpty;
  const std::optional<std::string>& cell = rows.at(row).at(column);
  return cell ? *cell : kEmpty;
}

}  // namespace line
