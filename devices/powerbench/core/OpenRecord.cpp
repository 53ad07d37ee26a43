#include "OpenRecord.h"

namespace bench {

namespace {

constexpr int kBusTypeOffset = 52;
constexpr int kBusCardOffset = 60;
constexpr int kBusAddressOffset = 64;

int32_t LoadLe32(const unsigned char* bytes) {
  return static_cast<int32_t>(
      static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
      static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
}

}  // namespace

std::optional<BusAddress> ReadOpenRecord(const void* record76) {
  if (record76 == nullptr) {
    return std::nullopt;
  }
  const auto* record = static_cast<const unsigned char*>(record76);
  BusAddress address;
  address.busType = LoadLe32(record + kBusTypeOffset);
  address.card = LoadLe32(record + kBusCardOffset);
  address.address = LoadLe32(record + kBusAddressOffset);
  const bool knownBus = address.busType == kNi4882Bus || address.busType == kVisaBus;
  if (!knownBus || address.card < 0 || address.card > 3 || address.address < 0 ||
      address.address > 30) {
    return std::nullopt;
  }
  return address;
}

std::string VisaResourceName(const BusAddress& address) {
  return "GPIB" + std::to_string(address.card) + "::" + std::to_string(address.address) + "::INSTR";
}

}  // namespace bench
