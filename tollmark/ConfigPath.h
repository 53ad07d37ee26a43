// Where Tollmark.ini lies: beside the running executable.
#pragma once

#include <cstddef>

// Cuts the executable's full path at its last backslash and appends "\Tollmark.ini". The path
// is cut while it is still wide: in a double-byte ANSI code page the second byte of a character
// may be 0x5C, so a cut after conversion could land inside the program's own name. Returns
// false when the path holds no backslash or the result does not fit in `count` characters.
bool TollmarkIniPath(const wchar_t* modulePath, wchar_t* out, size_t count);
