// A station record as readable text for line engineers (TollmarkTool show).
#pragma once

#include <string>

#include "tollmark/StationRecord.h"

// Several lines: version, mode, texts, every station with its status, last message. Control
// characters in stored texts are shown as '?'.
std::string DescribeRecord(const StationRecord& record);
const char* StatusName(StationStatus status);
