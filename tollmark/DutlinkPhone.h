// The record operations' phone calls through Dutlink.dll: the four product-information
// functions and nothing else.
#pragma once

#include "tollmark/RecordObject.h"

class DutlinkPhone : public RecordPhone {
 public:
  explicit DutlinkPhone(KV_PHONE phone) : phone_(phone) {}
  int32_t ReadFlash(void* buffer, int32_t count) override;
  int32_t WriteFlash(const void* buffer, int32_t count) override;
  int32_t FastRead(void* buffer, int32_t count) override;
  int32_t FastWrite(const void* buffer, int32_t count) override;

 private:
  KV_PHONE phone_;
};
