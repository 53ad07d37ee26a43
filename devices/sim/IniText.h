// Reads the text of a profile file: [Section] lines, key = value lines, comments starting
// with ';' or '#'. Keys may contain '=' written as "\=" (AT commands do); a value in double
// quotes keeps its outer blanks. Escapes in values are left to the key that reads them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct IniEntry {
  std::string section;
  std::string key;
  std::string value;
};

std::vector<IniEntry> ParseIni(std::string_view text);

}  // namespace sim
