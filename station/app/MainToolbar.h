// The flat toolbar docked above the main window's controls, made from toolbar resource 129
// (button size and commands) and the button bitmap 141.
#pragma once

#include <windows.h>

#include <vector>

class MainToolbar {
 public:
  MainToolbar() = default;
  MainToolbar(const MainToolbar&) = delete;
  MainToolbar& operator=(const MainToolbar&) = delete;

  // Creates the toolbar at the top of `parent`; false when the resource or the window is
  // missing.
  bool Create(HWND parent, HINSTANCE instance);
  // The toolbar's height in pixels, 0 before Create.
  int Height() const;
  void EnableCommand(int command, bool enable);
  bool CommandEnabled(int command) const;

  HWND hwnd() const { return hwnd_; }
  const std::vector<int>& commands() const { return commands_; }

 private:
  HWND hwnd_ = nullptr;
  std::vector<int> commands_;
};
