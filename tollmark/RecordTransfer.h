// Moving a station record between the phone and memory with the four product-information calls.
// Results are the library's codes.
#pragma once

#include <cstdint>

#include "tollmark/RecordLayout.h"
#include "tollmark/RecordObject.h"
#include "tollmark/StationRecord.h"

// The version of the record on the phone: from the record-version property (1 KV05, 2 KV09,
// other non-zero KV15), or, when it is 0, from the 4-byte magic. Returns 0 with the layout set,
// 12 when the magic cannot be read, 13 when it names no version.
int32_t LearnRecordLayout(int32_t recordVersion, RecordPhone& phone, const RecordLayout*& layout);
// Reads the whole record into a zeroed buffer: 0, 10 when the read fails, 3 when the station
// count is out of range (the bytes are still there to look at).
int32_t ReadRecord(RecordPhone& phone, StationRecord& record);
// Writes the whole record: 0 or 9.
int32_t WriteRecord(RecordPhone& phone, const StationRecord& record);
