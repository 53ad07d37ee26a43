// Test double for the four product-information calls: a flash area in memory, call counts and
// scripted failures.
#pragma once

#include <array>
#include <cstring>

#include "tollmark/RecordObject.h"

class FakeRecordPhone : public RecordPhone {
 public:
  enum Call { kRead, kWrite, kFastRead, kFastWrite, kCallKinds };

  std::array<uint8_t, 4096> flash{};
  int calls[kCallKinds] = {};
  int32_t failWith[kCallKinds] = {};
  int32_t lastCount[kCallKinds] = {};
  // A read fails only when its count equals this (0 = any count), so the magic read and the
  // record read can fail separately.
  int32_t failOnlyCount[kCallKinds] = {};

  int32_t ReadFlash(void* buffer, int32_t count) override { return Read(kRead, buffer, count); }
  int32_t WriteFlash(const void* buffer, int32_t count) override {
    return Write(kWrite, buffer, count);
  }
  int32_t FastRead(void* buffer, int32_t count) override { return Read(kFastRead, buffer, count); }
  int32_t FastWrite(const void* buffer, int32_t count) override {
    return Write(kFastWrite, buffer, count);
  }

  int Writes() const { return calls[kWrite] + calls[kFastWrite]; }

 private:
  bool Fails(Call call, int32_t count) const {
    return failWith[call] != 0 && (failOnlyCount[call] == 0 || failOnlyCount[call] == count);
  }
  int32_t Read(Call call, void* buffer, int32_t count) {
    ++calls[call];
    lastCount[call] = count;
    if (Fails(call, count)) {
      return failWith[call];
    }
    std::memcpy(buffer, flash.data(), static_cast<size_t>(count));
    return 0;
  }
  int32_t Write(Call call, const void* buffer, int32_t count) {
    ++calls[call];
    lastCount[call] = count;
    if (Fails(call, count)) {
      return failWith[call];
    }
    std::memcpy(flash.data(), buffer, static_cast<size_t>(count));
    return 0;
  }
};
