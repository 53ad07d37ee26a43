// The station program's start-up: common controls, one station per folder, the operator
// log-on (when Varnex.ini or the machine's policy asks for it), a look at what the folder will
// not let the station save, the one phone handle of the process, the modal main window, and
// the release of the handle on every way out. The main window and the message box are given as
// hooks, so that tests run the start-up in their own process.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "devices/dutlink.h"
#include "station/app/StationInstance.h"

struct StationStartHooks {
  // Varnex.ini to read "OpenAccount" from; empty: the one beside the executable.
  std::wstring configPath;
  // Shows the main window modally with the phone handle and the restricted flag (1 when the
  // operator logged on with restricted rights, else 0) and returns when it is closed: true, or
  // false when a run's worker outlived the window and still uses the phone handle (it is then
  // kept until the process ends).
  std::function<bool(KV_PHONE phone, int32_t restricted)> showMainWindow;
  // Shows a modal message with one OK button (a refused log-on, a station already running, a
  // folder the station cannot write); null: a message box without an owner.
  std::function<void(const wchar_t* text)> showMessage;
};

enum class StationEnd {
  kWindowClosed,     // the main window ran and was closed
  kAlreadyRunning,   // another station program runs from this folder
  kNoAuthority,      // the log-on did not succeed
  kNoConfiguration,  // the configuration file's path cannot be formed: the log-on is refused
  kNoPhone,          // no phone handle could be created
  kNoWindow,         // no main window was given
};

inline constexpr const wchar_t* kNoAuthorityText = L"No authority to operate it!";
inline constexpr const wchar_t* kPathTooLongText =
    L"The program's path is too long to find Varnex.ini!";

class CVarnexApp {
 public:
  explicit CVarnexApp(StationStartHooks hooks);
  // Runs the exit path when InitInstance or the main window left by an exception.
  ~CVarnexApp();
  CVarnexApp(const CVarnexApp&) = delete;
  CVarnexApp& operator=(const CVarnexApp&) = delete;

  // Everything up to and including the modal main window; the program ends afterwards.
  StationEnd InitInstance();
  // Releases the phone handle when one is open. Safe to call more than once.
  void ExitInstance();

  KV_PHONE phone() const { return phone_; }
  int32_t restricted() const { return restricted_; }

 private:
  StationEnd LogOn();
  void ShowMessage(const wchar_t* text);

  StationStartHooks hooks_;
  // Held from the start to the end of the program: one station per folder.
  std::unique_ptr<StationInstance> instance_;
  KV_PHONE phone_ = -1;
  int32_t restricted_ = 0;
};

// Start-up and exit in one call: what wWinMain runs.
StationEnd RunStation(const StationStartHooks& hooks);
