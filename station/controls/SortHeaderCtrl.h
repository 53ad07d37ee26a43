// The header of a CSortListCtrl, subclassed so that the list owns it. The result list is not
// sortable: clicks on a column heading are accepted and change nothing.
#pragma once

#include <windows.h>

#include "station/ui/Control.h"

class CSortHeaderCtrl : public ui::Control {
 public:
  // The number of columns the header shows.
  int ItemCount() const;
};
