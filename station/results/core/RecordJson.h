// The run record as JSON text (UTF-8), and read back from a spooled file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "station/results/core/RunRecord.h"

// The spooled file is read by people too: two blanks per level. It is also what is sent.
inline constexpr int kSpoolIndent = 2;

// The record with its fields in the order of the contract. indent < 0: one line; otherwise
// that many blanks per level, for a file a person reads.
std::string RecordToJson(const RunRecord& record, int indent = -1);

struct RecordReading {
  std::optional<RunRecord> record;
  std::string problem;  // why the text is not a record, naming the field
};

// Reads a record back. Every field the station writes must be there with its type; fields a
// later schema adds are passed over. Never throws, whatever the text.
RecordReading RecordFromJson(std::string_view text);
