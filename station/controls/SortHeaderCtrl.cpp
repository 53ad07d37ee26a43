#include "station/controls/SortHeaderCtrl.h"

#include <commctrl.h>

int CSortHeaderCtrl::ItemCount() const {
  return hwnd() != nullptr ? static_cast<int>(SendMessageW(hwnd(), HDM_GETITEMCOUNT, 0, 0)) : 0;
}
