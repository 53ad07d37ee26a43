// The open record that a supply object takes: bus settings at fixed little-endian offsets.
#include "station/engine/SupplyControl.h"

#include <cstring>

namespace {

constexpr int kRecordSize = 76;
constexpr int kBusTypeOffset = 52;
constexpr int kBusCardOffset = 60;
constexpr int kBusAddressOffset = 64;

void PutInt32(unsigned char* at, int32_t value) {
  const uint32_t bits = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) {
    at[i] = static_cast<unsigned char>(bits >> (8 * i));
  }
}

}  // namespace

void BuildOpenRecord(int32_t busType, int32_t busCard, int32_t busAddress,
                     unsigned char record[76]) {
  std::memset(record, 0, kRecordSize);
  PutInt32(record + kBusTypeOffset, busType);
  PutInt32(record + kBusCardOffset, busCard);
  PutInt32(record + kBusAddressOffset, busAddress);
}
