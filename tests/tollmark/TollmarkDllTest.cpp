#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/tollmark/DllFixture.h"
#include "tests/tollmark/Gbk.h"

TEST(TollmarkDllHandles, NullObjectIsRefusedByEveryExport) {
  char text[16] = "untouched";
  int32_t size = -1;
  uint8_t buffer[256] = {};
  EXPECT_EQ(InitPhase(nullptr, "a", "b", buffer, 256, &size, "S"), 2);
  EXPECT_EQ(size, -1);
  EXPECT_EQ(CheckPhase(nullptr, "A", "B"), 2);
  EXPECT_EQ(UpdatePhase(nullptr, "A", 1, "m", "a", "b"), 2);
  EXPECT_EQ(PutProperty(nullptr, 1, 1), 2);
  EXPECT_EQ(GetProperty(nullptr, 1, &size), 2);
  EXPECT_EQ(KVPH_GetLastError(nullptr), 2);
  EXPECT_EQ(KVPH_GetLastErrorMessage(nullptr, text, sizeof(text), 0), 2);
  EXPECT_STREQ(text, "untouched");
  EXPECT_EQ(ReleaseTollmarkObject(nullptr), 0);
}

TEST_F(TollmarkDll, NewObjectReportsPass) {
  EXPECT_EQ(KVPH_GetLastError(object), 0);
  EXPECT_EQ(Message(0), "PASS");
  EXPECT_EQ(GbkToUtf8(Message(1)), "成功");
  EXPECT_EQ(KVPH_GetLastErrorMessage(object, nullptr, 10, 0), 1);
}

TEST_F(TollmarkDll, InitWithoutIniWritesTheDefaultRecord) {
  int32_t size = 0;
  uint8_t buffer[300];
  ASSERT_EQ(InitPhase(object, "text one", nullptr, buffer, sizeof(buffer), &size, nullptr), 0);
  EXPECT_EQ(size, 256);
  const std::vector<uint8_t> flash = Flash(260);
  EXPECT_EQ(0, std::memcmp(buffer, flash.data(), 256));
  const uint8_t magic[] = {0x39, 0x30, 0x56, 0x4B};
  EXPECT_EQ(0, std::memcmp(flash.data(), magic, 4));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&flash[4])), "text one");
  EXPECT_EQ(flash[52], 5);
  EXPECT_EQ(flash[219], 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&flash[220])), "PASS");
  EXPECT_EQ(flash[252], 0xFF);
  EXPECT_EQ(flash[253], 0xFF);
  EXPECT_EQ(flash[254], 0xFF);
  EXPECT_EQ(flash[255], 0x7F);
  EXPECT_EQ(flash[256], 0);
  EXPECT_EQ(Calls("KV_FastWriteProductInfo"), 1);
  int32_t args[4] = {};
  ASSERT_GE(KVSIM_GetLastArgs("KV_FastWriteProductInfo", args, 4), 1);
  EXPECT_EQ(args[0], 256);
}

TEST_F(TollmarkDll, InitReadsTheIniAnewEachCall) {
  WriteTollmarkIni(
      "[VERSION]\r\nMAGIC NUMBER=kv15\r\n[STATION]\r\nSTATION NUMBER=261\r\n"
      "STATION 1=ABCDEFGHIJK\r\n");
  int32_t size = 0;
  uint8_t buffer[1752];
  ASSERT_EQ(InitPhase(object, nullptr, nullptr, buffer, sizeof(buffer), &size, nullptr), 0);
  EXPECT_EQ(size, 492);
  std::vector<uint8_t> flash = Flash(492);
  EXPECT_EQ(flash[0], 0x35);
  EXPECT_EQ(flash[132], 5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&flash[136])), "ABCDEFGHIJK");

  WriteTollmarkIni(
      "[VERSION]\r\nMAGIC NUMBER=KV05\r\n[STATION]\r\nSTATION NUMBER=2\r\n"
      "STATION 1=DOWNLOAD\r\nSTATION 2=MMI\r\n");
  ASSERT_EQ(InitPhase(object, nullptr, nullptr, buffer, sizeof(buffer), &size, "ZZ"), 0);
  EXPECT_EQ(size, 1752);
  EXPECT_EQ(Calls("KV_WriteProductFlash"), 1);
  flash = Flash(1752);
  EXPECT_EQ(flash[5], 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&flash[216 + 24])), "PASS");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&flash[216 + 128 + 24])), "");
}

TEST_F(TollmarkDll, PassValueOtherThanZeroBuildsPassValueOneRecords) {
  WriteTollmarkIni(
      "[STATE FLAG]\r\nPASS VALUE=3\r\n[STATION]\r\nSTATION NUMBER=3\r\n"
      "STATION 1=MMI\r\nSTATION 2=CAL\r\nSTATION 3=FT\r\n");
  ASSERT_EQ(InitPhase(object, nullptr, nullptr, nullptr, 0, nullptr, "MMI"), 0);
  std::vector<uint8_t> flash = Flash(256);
  EXPECT_EQ(flash[219], 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&flash[220])), "PASS");
  EXPECT_EQ(flash[252] | flash[253] << 8, 0x0000);
  EXPECT_EQ(flash[254] | flash[255] << 8, 0x0001);

  // Never-run stations read as not passed, and entering one writes nothing.
  ForgetCalls();
  EXPECT_EQ(CheckPhase(object, "CAL", "MMI"), 0);
  EXPECT_EQ(CheckPhase(object, nullptr, "FT"), 6);
  EXPECT_EQ(Writes(), 0);
  EXPECT_EQ(UpdatePhase(object, "FT", 1, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(CheckPhase(object, nullptr, "FT"), 0);
  EXPECT_EQ(UpdatePhase(object, "MMI", 0, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(CheckPhase(object, nullptr, "MMI"), 6);
  flash = Flash(256);
  EXPECT_EQ(flash[252] | flash[253] << 8, 0x0000);
  EXPECT_EQ(flash[254] | flash[255] << 8, 0x0004);
}

TEST_F(TollmarkDll, InitFailuresWriteNothing) {
  WriteTollmarkIni("[VERSION]\r\nMAGIC NUMBER=KV10\r\n");
  int32_t size = -1;
  EXPECT_EQ(InitPhase(object, nullptr, nullptr, nullptr, 0, &size, nullptr), 8);
  WriteTollmarkIni("[STATION]\r\nSTATION NUMBER=16\r\n");
  EXPECT_EQ(InitPhase(object, nullptr, nullptr, nullptr, 0, &size, nullptr), 8);
  EXPECT_EQ(Writes(), 0);
  EXPECT_EQ(Message(), "Initialize Tollmark buffer failed!");
  EXPECT_EQ(GbkToUtf8(Message(1)), "初始化Tollmark缓存数据失败!");

  // A small buffer gets the first bytes and the size; the phone is left as it was.
  RemoveTollmarkIni();
  uint8_t buffer[256];
  std::memset(buffer, 0xEE, sizeof(buffer));
  EXPECT_EQ(InitPhase(object, nullptr, nullptr, buffer, 100, &size, nullptr), 11);
  EXPECT_EQ(size, 256);
  EXPECT_EQ(buffer[0], 0x39);
  EXPECT_EQ(buffer[99], 0);
  EXPECT_EQ(buffer[100], 0xEE);
  EXPECT_EQ(Writes(), 0);
  EXPECT_EQ(Flash(4)[0], 0);
  EXPECT_EQ(Message(), "Input buffer too small!");
  EXPECT_EQ(GbkToUtf8(Message(1)), "输入缓存太小!");

  size = -1;
  EXPECT_EQ(InitPhase(object, nullptr, nullptr, buffer, -1, &size, nullptr), 11);
  EXPECT_EQ(size, 256);
  EXPECT_EQ(Writes(), 0);

  KVSIM_SetFailure("KV_FastWriteProductInfo", 21);
  EXPECT_EQ(InitPhase(object, nullptr, nullptr, nullptr, 0, nullptr, nullptr), 9);
  EXPECT_EQ(Calls("KV_FastWriteProductInfo"), 1);
  EXPECT_EQ(Message(), "Write Tollmark into FLASH failed!");
  EXPECT_EQ(GbkToUtf8(Message(1)), "将Tollmark数据写入FLASH失败!");
}

TEST_F(TollmarkDll, CheckWithACurrentStationWritesOnceOnly) {
  InitialiseDemo("MMI");
  EXPECT_EQ(CheckPhase(object, "CAL", "MMI"), 0);
  EXPECT_EQ(Calls("KV_FastWriteProductInfo"), 1);
  EXPECT_EQ(Calls("KV_ReadProductFlash"), 1);
  EXPECT_EQ(Calls("KV_FastReadProductInfo"), 1);
  const std::vector<uint8_t> flash = Flash(256);
  EXPECT_EQ(flash[252] | flash[253] << 8, 0xFFFC);

  EXPECT_EQ(CheckPhase(object, "cal", "MMI"), 0);
  EXPECT_EQ(Calls("KV_FastWriteProductInfo"), 1);

  // Entering a station and requiring it in one call: the mark is written, the answer is
  // "not tested" from the record as read.
  EXPECT_EQ(CheckPhase(object, "FT", "ft"), 7);
  EXPECT_EQ(Calls("KV_FastWriteProductInfo"), 2);
  EXPECT_EQ(Message(), "Station has ft not been tested yet!");  // the name as given
  EXPECT_EQ(GbkToUtf8(Message(1)), "测试站 ft 未经过测试!");
  EXPECT_EQ(CheckPhase(object, nullptr, "FT"), 6);
  EXPECT_EQ(Message(), "Station FT not pass!");
  EXPECT_EQ(GbkToUtf8(Message(1)), "测试站 FT 未PASS!");
}

TEST_F(TollmarkDll, CheckNamesAndNullStations) {
  InitialiseDemo();
  EXPECT_EQ(CheckPhase(object, nullptr, nullptr), 4);
  EXPECT_EQ(Message(), "Invalid station name: ");
  EXPECT_EQ(CheckPhase(object, nullptr, "ABCDEFGHIJK"), 4);
  EXPECT_EQ(Message(), "Invalid station name: ABCDEFGHIJK");
  EXPECT_EQ(GbkToUtf8(Message(1)), "无效的测试站名: ABCDEFGHIJK");
  EXPECT_EQ(CheckPhase(object, nullptr, "Nullified"), 0);
  EXPECT_EQ(CheckPhase(object, nullptr, "OTHER"), 5);
  EXPECT_EQ(Message(), "Station OTHER not exist!");
  EXPECT_EQ(GbkToUtf8(Message(1)), "测试站 OTHER 不存在!");
  // Any language but 1 is English.
  EXPECT_EQ(Message(2), "Station OTHER not exist!");

  ForgetCalls();
  KVSIM_SetFailure("KV_FastReadProductInfo", 4);
  EXPECT_EQ(CheckPhase(object, nullptr, "NULL"), 10);
  EXPECT_EQ(Calls("KV_FastReadProductInfo"), 1);
  EXPECT_EQ(Message(), "Read Tollmark from FLASH failed!");
  EXPECT_EQ(GbkToUtf8(Message(1)), "从FLASH中读取Tollmark数据失败!");
}

TEST_F(TollmarkDll, MagicAndCountFailures) {
  KVSIM_SetFailure("KV_ReadProductFlash", 6);
  EXPECT_EQ(CheckPhase(object, nullptr, "MMI"), 12);
  EXPECT_EQ(KVPH_GetLastError(object), 12);
  EXPECT_EQ(Message(), "Read magic number of Tollmark from FLASH failed!");
  EXPECT_EQ(GbkToUtf8(Message(1)), "从FLASH中读取Tollmark版本号失败!");
  EXPECT_EQ(Calls("KV_ReadProductFlash"), 1);
  KVSIM_SetFailure("KV_ReadProductFlash", 0);

  EXPECT_EQ(UpdatePhase(object, "MMI", 1, nullptr, nullptr, nullptr), 13);  // blank flash
  EXPECT_EQ(Message(), "Invalid magic number of Tollmark!");
  EXPECT_EQ(GbkToUtf8(Message(1)), "无效的Tollmark版本!");

  InitialiseDemo();
  const uint8_t badCount[4] = {16, 0, 0, 0};
  KVSIM_PokeFlash(badCount, 4, 52);
  EXPECT_EQ(CheckPhase(object, nullptr, "MMI"), 3);
  EXPECT_EQ(Message(), "Invalid Tollmark, please initialize first!");
  EXPECT_EQ(GbkToUtf8(Message(1)), "无效的Tollmark数据, 请首先初始化Tollmark!");
  EXPECT_EQ(Writes(), 0);
}

TEST_F(TollmarkDll, CodeThirteenInAThirdLanguageHasNoTextOfItsOwn) {
  EXPECT_EQ(CheckPhase(object, nullptr, "MMI"), 13);
  EXPECT_EQ(Message(2), "");
  // The text composed last time stays.
  EXPECT_EQ(Message(0), "Invalid magic number of Tollmark!");
  EXPECT_EQ(Message(2), "Invalid magic number of Tollmark!");
}

TEST_F(TollmarkDll, UpdateRecordsTheOutcome) {
  InitialiseDemo();
  EXPECT_EQ(UpdatePhase(object, "varnex", 1, "All checks passed", "IMEI 1234", nullptr), 0);
  std::vector<uint8_t> flash = Flash(256);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&flash[220])), "All checks passed");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&flash[4])), "IMEI 1234");
  EXPECT_EQ(flash[252] | flash[253] << 8, 0xFFF7);
  EXPECT_EQ(flash[254] | flash[255] << 8, 0x7FF7);
  EXPECT_EQ(CheckPhase(object, nullptr, "VARNEX"), 0);

  EXPECT_EQ(UpdatePhase(object, "VARNEX", 2, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(CheckPhase(object, nullptr, "VARNEX"), 6);
  EXPECT_EQ(Calls("KV_FastReadProductInfo"), 4);
  EXPECT_EQ(Calls("KV_FastWriteProductInfo"), 2);
}

TEST_F(TollmarkDll, UpdateFailureNamesAreCutToThirtyCharacters) {
  InitialiseDemo();
  const std::string forty(40, 'Q');
  EXPECT_EQ(UpdatePhase(object, forty.c_str(), 1, nullptr, nullptr, nullptr), 5);
  EXPECT_EQ(Message(), "Station " + std::string(30, 'Q') + " not exist!");
  EXPECT_EQ(UpdatePhase(object, "XYZ", 1, nullptr, nullptr, nullptr), 5);
  EXPECT_EQ(Message(), "Station XYZ not exist!");
  EXPECT_EQ(UpdatePhase(object, nullptr, 1, nullptr, nullptr, nullptr), 4);
  EXPECT_EQ(Message(), "Invalid station name: ");
  EXPECT_EQ(Writes(), 0);
}

TEST_F(TollmarkDll, PropertiesChooseTheVersionWithoutReadingTheMagic) {
  InitialiseDemo();
  EXPECT_EQ(PutProperty(object, 1, 7), 0);
  EXPECT_EQ(CheckPhase(object, nullptr, "MMI"), 5);  // read as KV15: count 0 at offset 132
  EXPECT_EQ(Calls("KV_ReadProductFlash"), 0);
  int32_t args[2] = {};
  ASSERT_GE(KVSIM_GetLastArgs("KV_FastReadProductInfo", args, 2), 1);
  EXPECT_EQ(args[0], 492);

  EXPECT_EQ(PutProperty(object, 1, 2), 0);
  EXPECT_EQ(CheckPhase(object, nullptr, "MMI"), 7);
  EXPECT_EQ(PutProperty(object, 5, 1), 0);  // other ids change nothing
  EXPECT_EQ(CheckPhase(object, nullptr, "MMI"), 7);
  EXPECT_EQ(Calls("KV_ReadProductFlash"), 0);

  int32_t value = 1234;
  EXPECT_EQ(GetProperty(object, 1, &value), 0);
  EXPECT_EQ(value, 1234);
  EXPECT_EQ(KVPH_GetLastError(object), 0);
}

TEST_F(TollmarkDll, MessageBufferIsZeroFilledAndCut) {
  InitialiseDemo();
  EXPECT_EQ(CheckPhase(object, nullptr, "MISSING"), 5);
  char text[12];
  std::memset(text, '#', sizeof(text));
  EXPECT_EQ(KVPH_GetLastErrorMessage(object, text, 0, 0), 1);
  EXPECT_EQ(text[0], '#');
  EXPECT_EQ(KVPH_GetLastErrorMessage(object, text, 10, 0), 0);
  EXPECT_EQ(std::string(text), "Station M");
  EXPECT_EQ(text[9], '\0');
  EXPECT_EQ(text[10], '#');
  EXPECT_EQ(KVPH_GetLastError(object), 5);
}

TEST_F(TollmarkDll, ObjectsOnOnePhoneSeeEachOthersWrites) {
  InitialiseDemo();
  KVPH_OBJECT other = CreateTollmarkObject(phone);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(UpdatePhase(other, "MMI", 1, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(CheckPhase(object, nullptr, "MMI"), 0);
  EXPECT_EQ(CheckPhase(other, nullptr, "CAL"), 7);
  EXPECT_EQ(KVPH_GetLastError(object), 0);  // codes are per object
  EXPECT_EQ(ReleaseTollmarkObject(other), 0);
}
