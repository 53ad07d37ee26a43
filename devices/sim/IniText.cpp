#include "IniText.h"

#include "SimText.h"

namespace sim {

namespace {

// The first '=' that is not escaped with a backslash, or npos.
size_t FindSeparator(std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\') {
      ++i;
    } else if (line[i] == '=') {
      return i;
    }
  }
  return std::string_view::npos;
}

std::string_view StripQuotes(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value.remove_prefix(1);
    value.remove_suffix(1);
  }
  return value;
}

}  // namespace

std::vector<IniEntry> ParseIni(std::string_view text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    text.remove_prefix(kByteOrderMark.size());
  }
  std::vector<IniEntry> entries;
  std::string section;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') {
      continue;
    }
    if (line.front() == '[') {
      size_t close = line.find(']');
      if (close != std::string_view::npos) {
        section = std::string(Trim(line.substr(1, close - 1)));
      }
      continue;
    }
    size_t separator = FindSeparator(line);
    if (separator == std::string_view::npos) {
      continue;
    }
    std::string key = Unescape(Trim(line.substr(0, separator)));
    if (key.empty()) {
      continue;
    }
    std::string_view value = StripQuotes(Trim(line.substr(separator + 1)));
    entries.push_back({section, std::move(key), std::string(value)});
  }
  return entries;
}

}  // namespace sim
