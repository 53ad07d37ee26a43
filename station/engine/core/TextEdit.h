// Small text edits shared by the checks' display and log forms.
#pragma once

#include <string>
#include <string_view>

// Replaces every occurrence of `from` (non-empty) by `to`, scanning left to right.
std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to);
// Case-sensitive substring test; an empty needle is always found.
bool Contains(std::wstring_view text, std::wstring_view needle);
