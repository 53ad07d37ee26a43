// Reads Tollmark.ini beside the running executable into the values a record is built from.
#pragma once

#include "tollmark/RecordBuilder.h"

// False when the executable's path holds no backslash (the file cannot be located). A missing
// file or key gives the defaults.
bool ReadTollmarkIni(BuildConfig& config);
