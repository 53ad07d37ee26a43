// The commands of TollmarkTool over Tollmark.dll and the phone library beside it. Each prints
// what it did and returns the process exit code: 0 when the library answered 0, else 1.
#pragma once

#include <cstdio>

#include "devices/dutlink.h"
#include "tollmark/tool/ToolOptions.h"

int RunToolCommand(KV_PHONE phone, const ToolOptions& options, std::FILE* out);
