// The mode in which a USB phone is asked to come up.
#pragma once

#include <cstdint>

// 14 for "W/G" (wcdmaGsmMode 0) when WCDMA+GSM mode is on, otherwise 1 ("T/G" included).
int32_t UsbEnterMode(int32_t wcdmaGsm, int32_t wcdmaGsmMode);
