#include "station/app/core/ResultList.h"

#include <cwchar>
#include <iterator>
#include <utility>

#include "station/engine/RowReport.h"

ResultList BuildResultList(const CheckSettings& settings) {
  ResultList list;
  list.rows = BuildResultRows(settings);
  for (size_t i = 0; i < list.rows.size(); ++i) {
    list.rowIndex[list.rows[i].name] = static_cast<int>(i);
  }
  return list;
}

CellUpdate ResolveCell(const std::map<std::wstring, int>& rowIndex, const std::wstring& name,
                       int32_t column, std::wstring text, uint32_t color) {
  CellUpdate update;
  auto found = rowIndex.find(name);
  if (found == rowIndex.end()) {
    return update;
  }
  update.row = found->second;
  update.column = column;
  update.text = std::move(text);
  update.color = color;
  update.setCell = column >= 0 && column < kResultColumns;
  update.replaceDetail = column == kColumnDetail;
  return update;
}

CellUpdate ResolveCellReport(const std::map<std::wstring, int>& rowIndex, const RowReport& report) {
  return ResolveCell(
      rowIndex, std::wstring(report.itemName, wcsnlen(report.itemName, std::size(report.itemName))),
      report.column, std::wstring(report.text, wcsnlen(report.text, std::size(report.text))),
      report.color);
}
