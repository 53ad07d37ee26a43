// The scanned identity codes of a run without the window: the codes given on VarnexCli's
// command line in place of the scan field.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "station/config/CheckSettings.h"
#include "station/run/core/IdentityItems.h"

// The seven codes in their scan order: IMEI1, IMEI2, IMEI3, SN1, SN2, BT, WIFI.
using ScannedCodes = std::array<std::optional<std::wstring>, kIdentityCount>;

// Puts the given codes into the expected values of the enabled items that are scanned (prefix
// check off). A code must have the length a scan of that item needs. Returns an empty text, or
// what was wrong. `notes` receives remarks on codes that were not used.
std::wstring ApplyScannedCodes(CheckSettings& settings, const ScannedCodes& codes,
                               std::wstring& notes);

// The command-line option that supplies item `index` (0..6), e.g. "--imei1".
const wchar_t* IdentityOption(int index);
