#include "station/run/core/UsbMode.h"

int32_t UsbEnterMode(int32_t wcdmaGsm, int32_t wcdmaGsmMode) {
  return wcdmaGsm != 0 && wcdmaGsmMode == 0 ? 14 : 1;
}
