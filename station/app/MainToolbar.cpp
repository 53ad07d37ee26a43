#include "station/app/MainToolbar.h"

#include <commctrl.h>

#include <cstdint>

#include "station/app/resource.h"

namespace {

// The layout of a toolbar resource: version 1, button width and height, count, then one
// command per button (0 = separator).
constexpr WORD kToolbarResourceType = 241;

struct ToolbarLayout {
  int width = 0;
  int height = 0;
  std::vector<int> commands;
};

bool ReadToolbarLayout(HINSTANCE instance, ToolbarLayout& layout) {
  HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDR_TOOLBAR),
                              MAKEINTRESOURCEW(kToolbarResourceType));
  if (found == nullptr) {
    return false;
  }
  DWORD size = SizeofResource(instance, found);
  HGLOBAL loaded = LoadResource(instance, found);
  const auto* words =
      static_cast<const uint16_t*>(loaded != nullptr ? LockResource(loaded) : nullptr);
  if (words == nullptr || size < 4 * sizeof(uint16_t) || words[0] != 1) {
    return false;
  }
  const size_t count = words[3];
  if (size < (4 + count) * sizeof(uint16_t)) {
    return false;
  }
  layout.width = words[1];
  layout.height = words[2];
  for (size_t i = 0; i < count; ++i) {
    layout.commands.push_back(words[4 + i]);
  }
  return true;
}

}  // namespace

bool MainToolbar::Create(HWND parent, HINSTANCE instance) {
  ToolbarLayout layout;
  if (!ReadToolbarLayout(instance, layout)) {
    return false;
  }
  hwnd_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                          WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, 0, 0,
                          0, 0, parent, reinterpret_cast<HMENU>(IDR_TOOLBAR), instance, nullptr);
  if (hwnd_ == nullptr) {
    return false;
  }
  SendMessageW(hwnd_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(hwnd_, TB_SETBITMAPSIZE, 0, MAKELPARAM(layout.width, layout.height));
  int images = 0;
  for (int command : layout.commands) {
    images += command != 0 ? 1 : 0;
  }
  TBADDBITMAP bitmap{instance, IDB_TOOLBAR};
  SendMessageW(hwnd_, TB_ADDBITMAP, images, reinterpret_cast<LPARAM>(&bitmap));
  std::vector<TBBUTTON> buttons;
  int image = 0;
  for (int command : layout.commands) {
    TBBUTTON button{};
    if (command == 0) {
      button.fsStyle = BTNS_SEP;
    } else {
      button.iBitmap = image++;
      button.idCommand = command;
      button.fsState = TBSTATE_ENABLED;
      button.fsStyle = BTNS_BUTTON;
      commands_.push_back(command);
    }
    buttons.push_back(button);
  }
  SendMessageW(hwnd_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
  SendMessageW(hwnd_, TB_AUTOSIZE, 0, 0);
  return true;
}

int MainToolbar::Height() const {
  if (hwnd_ == nullptr) {
    return 0;
  }
  RECT rect{};
  GetWindowRect(hwnd_, &rect);
  return rect.bottom - rect.top;
}

void MainToolbar::EnableCommand(int command, bool enable) {
  if (hwnd_ != nullptr) {
    SendMessageW(hwnd_, TB_ENABLEBUTTON, command, MAKELPARAM(enable ? TRUE : FALSE, 0));
  }
}

bool MainToolbar::CommandEnabled(int command) const {
  return hwnd_ != nullptr && SendMessageW(hwnd_, TB_ISBUTTONENABLED, command, 0) != 0;
}
