#include "station/run/core/ScanInput.h"

#include <string>

#include "station/engine/RowReport.h"
#include "station/run/core/IdentityItems.h"

namespace {

constexpr uint32_t kScanColor = 0x000000;  // a scanned code is shown in black

bool Contains(std::wstring_view text, const wchar_t* part) {
  return text.find(part) != std::wstring_view::npos;
}

// Moves the selection from row `from` down to the next row of a scanned item. Rows of other
// items are passed over; past the last row nothing stays selected.
void Advance(ScanView& view, const CheckSettings& settings, int from) {
  for (int row = from;; ++row) {
    const int next = row + 1;
    const std::wstring name = next < view.RowCount() ? view.RowName(next) : std::wstring();
    view.DeselectRow(row);
    view.SelectRow(next);
    if (next >= view.RowCount()) {
      break;
    }
    if (FindScannedItem(settings, name) >= 0) {
      view.SetLabel(name);
      view.DeselectAll();
      view.SelectRow(next);
      break;
    }
  }
  view.ClearScanText();
  view.FocusScanField();
}

int RowNamed(const ScanView& view, std::wstring_view name) {
  for (int row = 0; row < view.RowCount(); ++row) {
    if (view.RowName(row) == name) {
      return row;
    }
  }
  return -1;
}

}  // namespace

int FindScannedItem(const CheckSettings& settings, std::wstring_view name) {
  for (int item = 0; item < kIdentityCount; ++item) {
    if (Contains(name, kIdentityItems[item].keyText) && IdentityScanned(settings, item)) {
      return item;
    }
  }
  return -1;
}

int CompletedScanItem(const CheckSettings& settings, std::wstring_view label,
                      std::wstring_view scan) {
  const int item = FindScannedItem(settings, label);
  if (item < 0) {
    return -1;
  }
  const int length = ScanLength(settings, item);
  return length > 0 && scan.size() == static_cast<size_t>(length) ? item : -1;
}

void ApplyScanPrefixes(ScanView& view, CheckSettings& settings) {
  view.EnableScanField(ApplyPrefixes(settings));
}

void SelectFirstScannableItem(ScanView& view, const CheckSettings& settings) {
  for (int row = 0; row < view.RowCount(); ++row) {
    const std::wstring name = view.RowName(row);
    if (FindScannedItem(settings, name) >= 0) {
      view.SetLabel(name);
      view.DeselectAll();
      view.SelectRow(row);
      view.FocusScanField();
      return;
    }
  }
}

void OnScanChanged(ScanView& view, CheckSettings& settings) {
  const std::wstring scan = view.ScanText();
  const std::wstring label = view.Label();
  const int item = CompletedScanItem(settings, label, scan);
  if (item < 0) {
    return;  // the field keeps collecting characters
  }
  view.ShowCell(label, kColumnExpected, scan, kScanColor);
  SetExpectedValue(settings, item, scan);
  Advance(view, settings, view.SelectedRow());
}

bool CheckScannedCodes(ScanView& view, const CheckSettings& settings) {
  const int item = FirstMissingCode(settings);
  if (item < 0) {
    return true;
  }
  const wchar_t* name = kIdentityItems[item].name;
  view.ShowMessage(MissingCodeMessage(item), kColorFail);
  view.SetLabel(name);
  view.DeselectAll();
  view.SelectRow(RowNamed(view, name));
  view.FocusScanField();
  return false;
}

void PrepareForNextPhone(ScanView& view, CheckSettings& settings) {
  for (int item = 0; item < kIdentityCount; ++item) {
    if (IdentityEnabled(settings, item) && IdentityScanned(settings, item)) {
      view.SetLabel(kIdentityItems[item].name);
      break;
    }
  }
  ApplyPrefixes(settings);
  view.DeselectRow(view.RowCount() - 1);
  view.SelectRow(0);
  view.FocusScanField();
}

void OnRowClicked(ScanView& view, int row) {
  if (row < 0 || row >= view.RowCount()) {
    return;
  }
  const std::wstring detail = view.RowDetail(row);
  if (!detail.empty()) {
    view.ShowDetail(detail);
  }
  const std::wstring name = view.RowName(row);
  if (Contains(name, L"IMEI")) {
    view.SetLabel(name);
  }
}
