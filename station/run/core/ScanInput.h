// The scanned identity input of the main window: which code the scan field expects, when a scan
// is complete, where the selection goes next, and the start check of the codes. Works on the
// window's CheckSettings through a ScanView.
#pragma once

#include <string_view>

#include "station/config/CheckSettings.h"
#include "station/run/core/ScanView.h"

// The identity item (0..6) a label or row name stands for: the first item in table order whose
// key text it contains and that is scanned (prefix check off). A name that contains the key of
// a prefix-checked item goes on to the next items. -1 when none.
int FindScannedItem(const CheckSettings& settings, std::wstring_view name);

// Whether `scan` completes the code of the item the label names: the item is scanned and the
// scan has exactly the item's scan length. Returns the item, or -1.
int CompletedScanItem(const CheckSettings& settings, std::wstring_view label,
                      std::wstring_view scan);

// Start-up and after the settings dialog: the expected values of prefix-checked items become
// their prefixes, the others are emptied; the scan field is disabled when nothing is left to
// scan.
void ApplyScanPrefixes(ScanView& view, CheckSettings& settings);

// The first row (from the top) of a scanned item gets the label, the selection and the focus.
// Nothing changes when no row is one.
void SelectFirstScannableItem(ScanView& view, const CheckSettings& settings);

// The scan field changed (after every character). A complete code goes into its row's
// "Expected Value" cell and the settings, then the label moves on to the next row of a scanned
// item; past the last row no row stays selected.
void OnScanChanged(ScanView& view, CheckSettings& settings);

// The start check. False after showing the first missing code's "Please input ... first!" in red
// and moving the label and the selection to its row.
bool CheckScannedCodes(ScanView& view, const CheckSettings& settings);

// After a phone (scanner mode): the label back to the first scanned item, the scanned codes
// emptied (prefixes kept), the selection back to the first row.
void PrepareForNextPhone(ScanView& view, CheckSettings& settings);

// A click on a row: its detail goes into the Test Detail box when there is one; a row of an
// IMEI gets the label, so that the next scan replaces that IMEI.
void OnRowClicked(ScanView& view, int row);
