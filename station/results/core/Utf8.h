// Texts of the run record: wide texts (UTF-16 on Windows) to UTF-8, and UTF-8 texts fitted to
// the record's limits. The record is built here, in the platform-neutral core, so that the
// native tests and the fuzzer see the very bytes the station writes; everywhere else the
// station converts with the platform's converters (StationFacts.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Broken surrogates and values outside Unicode become U+FFFD instead of being passed on.
std::string WideToUtf8(std::wstring_view text);

// Replaces every control character a record may not hold (record_limits::IsRefusedControl) by
// U+FFFD, then cuts the text to at most `mostBytes` on a character boundary.
void FitText(std::string& text, size_t mostBytes);

// The end of a slice of `text` that starts at `from` and holds at most `most` units (at least
// one), moved back by one when it would part a surrogate pair: a console write of each half
// shows two broken characters.
size_t SliceEnd(std::wstring_view text, size_t from, size_t most);
