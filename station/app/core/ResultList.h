// The result list's rows and the map from a row's item name to its row number, and what a cell
// report (message 11138) does to them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "station/config/CheckSettings.h"
#include "station/config/ResultRows.h"

struct RowReport;

inline constexpr int32_t kResultColumns = 4;  // item, expected value, result, test detail

struct ResultList {
  std::vector<ResultRow> rows;           // one per enabled item, in catalogue order
  std::map<std::wstring, int> rowIndex;  // item display name -> row number
};

// One row per enabled item of the catalogue with its expected-value text; the index follows.
ResultList BuildResultList(const CheckSettings& settings);

// What the window does with one cell report. Every report first clears the selection.
struct CellUpdate {
  int row = -1;  // -1: the name is not in the list, nothing else happens
  int32_t column = 0;
  std::wstring text;  // the report's text, never longer than its field
  uint32_t color = 0;
  bool setCell = false;        // the column exists (0..3)
  bool replaceDetail = false;  // column 3 also replaces the Test Detail box
};

// A cell by row name, as a report or the scan field sets it.
CellUpdate ResolveCell(const std::map<std::wstring, int>& rowIndex, const std::wstring& name,
                       int32_t column, std::wstring text, uint32_t color);

// Reads the report defensively: its texts come from another thread and are cut at their field
// size when the terminator is missing.
CellUpdate ResolveCellReport(const std::map<std::wstring, int>& rowIndex, const RowReport& report);
