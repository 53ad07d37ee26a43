// One running station per station folder: a named mutex of the folder, seen by every session
// of the PC. The installer and uninstaller look for the same name and refuse to change the
// folder while the station runs (packaging/Varnex.nsi forms it the same way).
#pragma once

#include <windows.h>

class StationInstance {
 public:
  // Takes the folder's name; Claimed() tells whether no other program holds it.
  explicit StationInstance(const wchar_t* stationDirectory);
  ~StationInstance();
  StationInstance(const StationInstance&) = delete;
  StationInstance& operator=(const StationInstance&) = delete;

  // False only when another station program runs from this folder. A folder that cannot be
  // opened gives no name to claim; the station starts as before.
  bool Claimed() const { return claimed_; }

 private:
  HANDLE mutex_ = nullptr;
  bool claimed_ = true;
};

inline constexpr const wchar_t* kAlreadyRunningText =
    L"Varnex is already running from this station folder.";
