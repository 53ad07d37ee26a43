#include "station/app/core/ResultList.h"

#include <cwchar>
#include <iterator>

#include "station/engine/RowReport.h"

ResultList BuildResultList(const CheckSettings& settings) {
  ResultList list;
  list.rows = BuildResultRows(settings);
  for (size_t i = 0; i < list.rows.size(); ++i) {
    list.rowIndex[list.rows[i].name] = static_cast<int>(i);
  }
  return list;
}

CellUpdate ResolveCellReport(const std::map<std::wstring, int>& rowIndex, const RowReport& report) {
  CellUpdate update;
  const std::wstring name(report.itemName, wcsnlen(report.itemName, std::size(report.itemName)));
  auto found = rowIndex.find(name);
  if (found == rowIndex.end()) {
    return update;
  }
  update.row = found->second;
  update.column = report.column;
  update.text.assign(report.text, wcsnlen(report.text, std::size(report.text)));
  update.color = report.color;
  update.setCell = report.column >= 0 && report.column < kResultColumns;
  update.replaceDetail = report.column == kColumnDetail;
  return update;
}
