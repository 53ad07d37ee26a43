// Wide texts (UTF-16 on Windows) to UTF-8 for console pipes and files.
#pragma once

#include <string>
#include <string_view>

// Broken surrogates and values outside Unicode become U+FFFD instead of being passed on.
std::string WideToUtf8(std::wstring_view text);
