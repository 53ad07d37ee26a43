// The rows of a stored record read fast: a stored record was checked when it arrived, so the
// statistics read only what they need of it (item, expected text, result, value, unit and
// limits of each row) in one pass, without building the whole document.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "line/core/RunRecord.h"

namespace line {

// None when the text is no JSON object.
std::optional<std::vector<RunRow>> ReadRunRows(std::string_view document);

}  // namespace line
