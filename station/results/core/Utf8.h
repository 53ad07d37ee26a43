// Wide texts (UTF-16 on Windows) to UTF-8: the run record, console pipes and files.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Broken surrogates and values outside Unicode become U+FFFD instead of being passed on.
std::string WideToUtf8(std::wstring_view text);

// Text known to be ASCII (record ids, file names, addresses, the service's messages) as wide
// text, byte for byte.
std::wstring AsciiToWide(std::string_view ascii);

// The end of a slice of `text` that starts at `from` and holds at most `most` units (at least
// one), moved back by one when it would part a surrogate pair: a console write of each half
// shows two broken characters.
size_t SliceEnd(std::wstring_view text, size_t from, size_t most);
