#include "tollmark/RecordDescription.h"

#include <cstdio>

namespace {

std::string Printable(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      c = '?';
    }
  }
  return text;
}

std::string Line(const char* label, const std::string& value) {
  return std::string(label) + value + "\n";
}

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%0*X", digits, value);
  return text;
}

}  // namespace

const char* StatusName(StationStatus status) {
  switch (status) {
    case StationStatus::kPassed:
      return "passed";
    case StationStatus::kNotPassed:
      return "not passed";
    case StationStatus::kNotTested:
      break;
  }
  return "not tested";
}

std::string DescribeRecord(const StationRecord& record) {
  const RecordLayout& layout = record.Layout();
  std::string out;
  out += Line("Version:      ",
              std::string(layout.name) + " (" + std::to_string(layout.size) + " bytes)");
  if (record.HasMasks()) {
    const int digits = static_cast<int>(layout.maskBytes * 2);
    out += Line("Mode:         ",
                record.StateFlag() == 1
                    ? "pass value 0 (state flag 1)"
                    : "pass value 1 (state flag " + std::to_string(record.StateFlag()) + ")");
    out += Line("Masks:        ", "untested " + Hex(record.UntestedMask(), digits) + ", result " +
                                      Hex(record.ResultMask(), digits));
  } else {
    out += Line("Mode:         ", "result texts");
  }
  out += Line("Text1:        ", Printable(record.Text1()));
  out += Line("Text2:        ", Printable(record.Text2()));
  const int32_t count = record.StationCount();
  out += Line("Stations:     ", std::to_string(count));
  if (!record.CountInRange()) {
    out += "  (station count out of range: the record needs initializing)\n";
    return out;
  }
  for (int32_t i = 0; i < count; ++i) {
    char row[160];
    std::snprintf(row, sizeof(row), "  %2d  %-16s  %s", i + 1,
                  Printable(record.StationName(i)).c_str(), StatusName(record.Status(i)));
    out += row;
    if (!record.HasMasks() && !record.EntryMessage(i).empty()) {
      out += "  \"" + Printable(record.EntryMessage(i)) + "\"";
    }
    out += "\n";
  }
  if (record.HasMasks()) {
    out += Line("Last message: ", Printable(record.LastMessage()));
  }
  return out;
}
