// The scanned identity codes of a run without the window: the prefixes, the codes given on the
// command line and the station's check that every required code is present.
#pragma once

#include <string>

#include "station/cli/core/CliOptions.h"
#include "station/config/CheckSettings.h"

// Empties the seven expected values and copies each prefix whose item and prefix check are on.
void ApplyPrefixes(CheckSettings& settings);

// Puts the given codes into the expected values of the enabled items that are scanned (prefix
// check off). A code must have the length a scan of that item needs. Returns an empty text, or
// what was wrong. `notes` receives remarks on codes that were not used.
std::wstring ApplyScannedCodes(CheckSettings& settings, const ScannedCodes& codes,
                               std::wstring& notes);

// The station's start check: the first item (0..6) that is enabled and has no expected value,
// or -1 when every code is there.
int FirstMissingCode(const CheckSettings& settings);
// The station's message for a missing code, "Please input IMEI1 first!".
std::wstring MissingCodeMessage(int index);

// The command-line option that supplies item `index` (0..6), e.g. "--imei1".
const wchar_t* IdentityOption(int index);
