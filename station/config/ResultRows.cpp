#include "station/config/ResultRows.h"

#include "station/config/CheckItemTable.h"

std::vector<ResultRow> BuildResultRows(const CheckSettings& settings) {
  std::vector<ResultRow> rows;
  for (int i = 0; i < kCheckItemCount; ++i) {
    auto item = static_cast<CheckItem>(i);
    if (!ItemEnabled(settings, item)) {
      continue;
    }
    ResultRow row{};
    row.item = item;
    row.name = ItemNames[i];
    ExpectedValueText(settings, item, row.expected, kExpectedTextChars);
    rows.push_back(row);
  }
  return rows;
}
