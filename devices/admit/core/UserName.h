// User names: what a name may be, and when two names are the same user.
#pragma once

#include <string>
#include <string_view>

namespace admit {

inline constexpr size_t kMaxUserNameChars = 32;

// Empty when the UTF-8 name is acceptable, otherwise what is wrong with it. A name is 1 to
// 32 characters of well-formed UTF-8 without control characters or blanks at either end.
std::string UserNameProblem(std::string_view name);
// The stricter rule for a name that is being created: also no character that shows as nothing
// or as a blank other than the space (format characters, fillers, other spaces) and none that
// changes the writing direction, so that no new name can look like another one.
std::string NewUserNameProblem(std::string_view name);
// Latin letters match regardless of case ("Admin" is "admin"); everything else must be equal.
bool SameUserName(std::string_view a, std::string_view b);
// The name without blanks at either end, as the dialogs take it.
std::string_view TrimBlanks(std::string_view text);

}  // namespace admit
