// The station-record step of the check sequence: this station's outcome is written into the
// phone's record, then the selected stations of the line are verified.
#pragma once

#include <cstdint>

#include "devices/dutlink.h"
#include "tollmark/tollmark.h"

struct CheckContext;

// How the step creates and releases record objects: the library's exports unless replaced,
// so tests can stand in for a library that cannot create an object, or count the objects.
struct TollmarkObjectFunctions {
  KVPH_OBJECT (*create)(KV_PHONE phone);
  int32_t (*release)(KVPH_OBJECT object);
};

// Null members restore the library's own CreateTollmarkObject / ReleaseTollmarkObject.
void SetTollmarkObjectFunctions(const TollmarkObjectFunctions& functions);

// Releases the previous run's object, creates a new one for context.phone, records `outcome`
// (1 = passed) under the station name and verifies the selected stations. Returns the
// verification verdict; a record object that cannot be created fails the "Toll Mark" row.
int32_t UpdateAndVerifyStationRecord(CheckContext& context, int32_t outcome);

// The station name in the ANSI code page, cut to 15 bytes without splitting a double-byte
// character, in the 16-byte zeroed field the record library takes.
void StationNameField(const wchar_t* stationName, char field[16]);
