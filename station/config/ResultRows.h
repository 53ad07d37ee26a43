// The rows of the result list: one per enabled check item, in catalogue order, with the item's
// display name and the expected value the list shows before a run.
#pragma once

#include <vector>

#include "station/config/CheckCatalogue.h"
#include "station/config/CheckSettings.h"

inline constexpr int kExpectedTextChars = 512;  // the longest expected value is a version

struct ResultRow {
  CheckItem item;
  const wchar_t* name;  // entry of ItemNames
  wchar_t expected[kExpectedTextChars];
};

std::vector<ResultRow> BuildResultRows(const CheckSettings& settings);
