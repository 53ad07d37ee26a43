// The inside of a KVPH_OBJECT: what a record object keeps from call to call, and the phone
// calls the operations make. Platform-neutral; the DLL supplies the phone calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "devices/dutlink.h"
#include "tollmark/tollmark.h"

inline constexpr size_t kErrorTextSize = 300;
inline constexpr size_t kErrorStationChars = 30;

struct KVPH_OBJECT_T {
  KV_PHONE phone = -1;
  int32_t recordVersion = 0;  // property 1: 0 = read the magic from the phone
  int32_t errorCode = 0;
  char errorText[kErrorTextSize] = {};
  char errorStation[kErrorStationChars + 1] = {};
};

// The four product-information calls of the phone library, bound to one phone. Each returns the
// library's result: 0 = success.
class RecordPhone {
 public:
  virtual ~RecordPhone() = default;
  virtual int32_t ReadFlash(void* buffer, int32_t count) = 0;         // from offset 0
  virtual int32_t WriteFlash(const void* buffer, int32_t count) = 0;  // at offset 0
  virtual int32_t FastRead(void* buffer, int32_t count) = 0;
  virtual int32_t FastWrite(const void* buffer, int32_t count) = 0;
};
