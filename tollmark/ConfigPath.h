// Where Tollmark.ini lies: beside the running executable.
#pragma once

#include <cstddef>

// Cuts the executable's full path at its last backslash and appends "\Tollmark.ini". Returns
// false when the path holds no backslash or the result does not fit in `size` bytes.
bool TollmarkIniPath(const char* modulePath, char* out, size_t size);
