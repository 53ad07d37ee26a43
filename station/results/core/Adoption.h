// Records spooled before VarnexLine.ini named the station carry the computer's name as the
// station's (name equal to host). Once the file names the station they are adopted: rewritten
// under its name (and its line, where they have none), the name they were spooled under kept
// as station.formerName, so that they reach the service with the station's token.
#pragma once

#include "station/results/core/RecordQueue.h"
#include "station/results/core/RunRecord.h"

// Whether the record is such an early record of another name; if so it is adopted in place.
bool AdoptRecord(RunRecord& record, const StationInfo& station);

// Every early record of the queue rewritten, each keeping its place in the order. Returns how
// many were adopted; records that cannot be read or rewritten are left as they are.
int AdoptEarlyRecords(const RecordQueue& queue, const StationInfo& station);
