// What a single-line list cell draws of a text that may hold line breaks (a detail meant for the
// multi-line Test Detail box).
#pragma once

#include <string>
#include <string_view>

namespace controls {

// `text` with each line break ("\r\n", a lone "\r" or a lone "\n") as one blank; everything
// else as it is.
std::wstring SingleLineText(std::wstring_view text);

}  // namespace controls
