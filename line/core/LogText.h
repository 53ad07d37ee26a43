// Outside text (a request's path, a record's field, a store's message) as it may appear in the
// service's log: one line that says what came in, never a line break or terminal control that
// would forge another log line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace line {

// Control characters (C0, DEL and C1) and the backslash escaped as \xNN / \\, cut after `most`
// bytes of input with "...".
std::string LogText(std::string_view text, size_t most = 2048);

}  // namespace line
