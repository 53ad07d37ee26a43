#include <cstring>

#include <gtest/gtest.h>

#include "station/engine/SupplyControl.h"

namespace {

int32_t ReadLittleEndian(const unsigned char* at) {
  return static_cast<int32_t>(static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
                              static_cast<uint32_t>(at[2]) << 16 |
                              static_cast<uint32_t>(at[3]) << 24);
}

}  // namespace

TEST(OpenRecord, BusSettingsSitAtTheirOffsets) {
  unsigned char record[80];
  std::memset(record, 0xAA, sizeof record);
  BuildOpenRecord(0x01020304, 3, 0x0A0B0C0D, record);
  EXPECT_EQ(ReadLittleEndian(record + 52), 0x01020304);
  EXPECT_EQ(ReadLittleEndian(record + 60), 3);
  EXPECT_EQ(ReadLittleEndian(record + 64), 0x0A0B0C0D);
  EXPECT_EQ(record[52], 0x04);  // least significant byte first
  for (int i = 0; i < 76; ++i) {
    if ((i >= 52 && i < 56) || (i >= 60 && i < 68)) {
      continue;
    }
    EXPECT_EQ(record[i], 0) << "byte " << i;
  }
  // Nothing past the 76 bytes is touched.
  EXPECT_EQ(record[76], 0xAA);
  EXPECT_EQ(record[79], 0xAA);
}

TEST(OpenRecord, NegativeValuesKeepAllBits) {
  unsigned char record[76];
  BuildOpenRecord(-1, -2, INT32_MIN, record);
  EXPECT_EQ(ReadLittleEndian(record + 52), -1);
  EXPECT_EQ(ReadLittleEndian(record + 60), -2);
  EXPECT_EQ(ReadLittleEndian(record + 64), INT32_MIN);
  EXPECT_EQ(ReadLittleEndian(record + 56), 0);
  EXPECT_EQ(ReadLittleEndian(record + 68), 0);
}
