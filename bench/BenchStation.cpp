#include "BenchStation.h"

#include <cstdio>
#include <cwchar>
#include <string>

#include "devices/dutlink.h"
#include "devices/sim/dutlink_sim.h"
#include "station/run/core/IdentityInput.h"
#include "station/config/ConfigFile.h"
#include "station/config/ConfigPaths.h"
#include "station/config/WindowSettings.h"
#include "station/engine/RowReport.h"
#include "tollmark/tollmark.h"

namespace {

LRESULT CALLBACK CountReports(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRowReportMessage) {
    auto* station = reinterpret_cast<BenchStation*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (station != nullptr) {
      ++station->reports;
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool PrepareRecord() {
  KVSIM_ClearFlash();
  KV_PHONE phone = KV_CreatePhone(0);
  KVPH_OBJECT record = CreateTollmarkObject(phone);
  bool ok =
      record != nullptr && InitPhase(record, nullptr, nullptr, nullptr, 0, nullptr, nullptr) == 0;
  for (const char* station : {"MMI", "CAL", "FT"}) {
    ok = ok && UpdatePhase(record, station, 1, nullptr, nullptr, nullptr) == 0;
  }
  if (record != nullptr) {
    ReleaseTollmarkObject(record);
  }
  KV_ReleasePhone(phone);
  return ok;
}

}  // namespace

bool PrepareBenchStation(BenchStation& station) {
  wchar_t module[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  ConfigPaths paths{};
  if (!FormConfigPathsFromModule(module, paths)) {
    std::fprintf(stderr, "the bench's path is too long\n");
    return false;
  }
  std::wstring config = std::wstring(paths.stationDirectory) + L"\\Varnex.ini";
  wcsncpy(paths.configPath, config.c_str(), kPathChars - 1);
  WindowSettings window{};
  LoadConfigurationFrom(paths, window, station.settings, station.stations);

  // The codes the default simulated phone reports, as an operator would scan them.
  ScannedCodes codes;
  codes[0] = L"860000000000011";
  codes[1] = L"860000000000029";
  codes[2] = L"860000000000037";
  codes[3] = L"VX202612090001";
  codes[4] = L"VX202612090002";
  codes[5] = L"00A0C6123456";
  codes[6] = L"00A0C6123457";
  ApplyPrefixes(station.settings);
  std::wstring notes;
  if (!ApplyScannedCodes(station.settings, codes, notes).empty() ||
      FirstMissingCode(station.settings) >= 0) {
    std::fprintf(stderr, "the demo configuration does not take the phone's codes\n");
    return false;
  }
  if (!PrepareRecord()) {
    std::fprintf(stderr, "cannot write the phone's station record\n");
    return false;
  }

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = CountReports;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"VarnexBenchRows";
  RegisterClassExW(&windowClass);
  station.window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                   nullptr, windowClass.hInstance, nullptr);
  if (station.window == nullptr) {
    std::fprintf(stderr, "cannot create the report window\n");
    return false;
  }
  SetWindowLongPtrW(station.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&station));
  return true;
}
