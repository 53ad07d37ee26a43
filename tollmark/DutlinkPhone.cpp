#include "tollmark/DutlinkPhone.h"

#include "devices/dutlink.h"

int32_t DutlinkPhone::ReadFlash(void* buffer, int32_t count) {
  return KV_ReadProductFlash(phone_, buffer, count, 0, 0);
}

int32_t DutlinkPhone::WriteFlash(const void* buffer, int32_t count) {
  return KV_WriteProductFlash(phone_, buffer, count, 0);
}

int32_t DutlinkPhone::FastRead(void* buffer, int32_t count) {
  return KV_FastReadProductInfo(phone_, buffer, count);
}

int32_t DutlinkPhone::FastWrite(const void* buffer, int32_t count) {
  return KV_FastWriteProductInfo(phone_, buffer, count);
}
