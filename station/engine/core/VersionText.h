// Display and log forms of the phone's software version texts.
#pragma once

#include <string>
#include <string_view>

// Puts "\r\n" in front of the first "Plat", "Project", "BASE" and "HW " (in this order, each
// searched in the text as changed so far); a marker that does not occur puts its line break at
// the very start.
std::wstring BreakAtModemMarkers(std::wstring_view text);
// One log field: "\r\n" and then any remaining "\n" each become one blank.
std::wstring VersionForLog(std::wstring_view text);
// Substring test ignoring the case of letters; an empty needle is always found.
bool ContainsIgnoringCase(std::wstring_view text, std::wstring_view needle);
