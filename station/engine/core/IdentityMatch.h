// Comparison rules of the identity checks.
#pragma once

#include <cstddef>
#include <string_view>

// Compares the first `count` characters of expected and read, positions past a text's end
// counting as terminators (the checks keep both in zero-filled buffers). So a full-length
// comparison also demands equal length up to `count`, and a count of 0 always matches.
bool PrefixMatches(std::wstring_view expected, std::wstring_view read, size_t count);

// Hardware address rule. In first-few mode the expected text may occur anywhere in the address
// read. Otherwise the four placeholder addresses a blank radio reports are rejected and the rest
// must equal the expected value exactly. Case-sensitive throughout.
bool AddressMatches(std::wstring_view read, std::wstring_view expected, bool firstFew);
