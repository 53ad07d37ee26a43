// Reads Tollmark.ini beside the running executable into the values a record is built from.
#pragma once

#include <cstddef>

#include "tollmark/RecordBuilder.h"

// False when the executable's path holds no backslash (the file cannot be located). A missing
// file or key gives the defaults.
bool ReadTollmarkIni(BuildConfig& config);

// The path of Tollmark.ini beside `modulePath` in the ANSI code page, for the profile
// functions. False when it cannot be located, does not fit, or cannot be written in the code
// page (a character the code page lacks would name another file).
bool TollmarkIniPathAnsi(const wchar_t* modulePath, char* out, size_t size);
