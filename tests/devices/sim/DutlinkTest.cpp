// The simulated phone as a program sees it: linked to Dutlink.dll by name, driven through
// the phone command interface, scripted through the KVSIM_ exports.
#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "SimTestSupport.h"
#include "devices/sim/dutlink_sim.h"

namespace {

std::string Imei1(KV_PHONE phone) {
  uint8_t record[140] = {19};
  EXPECT_EQ(KV_FastReadNvInfo(phone, record), 0);
  return reinterpret_cast<char*>(record + 4);
}

std::string AtReply(KV_PHONE phone, const char* command, int32_t size = 4096) {
  char reply[4096] = {};
  uint32_t count = 0;
  EXPECT_EQ(KV_SendATCommand(phone, command, 1, reply, size, &count, 3000), 0);
  EXPECT_EQ(count, std::strlen(reply));
  return reply;
}

}  // namespace

using DutlinkProfile = SimTest;

TEST_F(DutlinkProfile, LoadsEveryKindOfValueFromAFile) {
  std::string path = ProgramFolder() + "\\ProfileUnderTest.ini";
  WriteTextFile(path,
                "[Phone]\r\nIMEI1=351111111111111\r\nGsmFlags=0x08000000\r\nSecureBoot=2\r\n"
                "ModemVersion=\"  Plat: Z \"\r\n"
                "[AT]\r\nAT+CPIN?=+CME ERROR: 10\\r\\n\r\n"
                "[MMI]\r\nPcba.63=1,0\r\n"
                "[Fail]\r\nKV_ReadSN=5\r\n[Delay]\r\nKV_PowerOff=1\r\n");
  ASSERT_EQ(KVSIM_LoadProfile(path.c_str()), 0);
  DeleteFileA(path.c_str());

  EXPECT_EQ(Imei1(phone), "351111111111111");
  uint32_t word = 0;
  ASSERT_EQ(KV_gsmReadCalibrationParam(phone, 1, 1, 0, 11, 4, &word), 0);
  ASSERT_EQ(KV_DataEndianConv32(phone, &word, 4), 0);
  EXPECT_EQ(word, 0x08000000u);
  uint8_t flag = 0;
  ASSERT_EQ(KV_ReadEnableSecureBoot(phone, &flag, 1), 0);
  EXPECT_EQ(flag, 2);
  char version[300] = {};
  ASSERT_EQ(KV_GetMsVersion(phone, version, sizeof version), 0);
  EXPECT_STREQ(version, "  Plat: Z ");
  EXPECT_EQ(AtReply(phone, "AT+CPIN?"), "+CME ERROR: 10\r\n");
  uint8_t mmi[258] = {1, 0};
  ASSERT_EQ(KV_apReadMMI(phone, mmi), 0);
  EXPECT_EQ(mmi[2 + 4 * 63 + 3], 0);
  char sn[65] = {};
  EXPECT_EQ(KV_ReadSN(phone, 1, sn, 65), 5);
  EXPECT_EQ(sn[0], 0);
}

TEST_F(DutlinkProfile, MissingFileKeepsTheGoodPhoneAndResetForgetsALoadedProfile) {
  KVSIM_SetValue("Phone", "IMEI1", "111");
  EXPECT_EQ(KVSIM_LoadProfile((ProgramFolder() + "\\NoSuchProfile.ini").c_str()), 1);
  EXPECT_EQ(Imei1(phone), "860000000000011");
  KVSIM_SetValue("Phone", "IMEI1", "222");
  KVSIM_Reset();
  EXPECT_EQ(Imei1(phone), "860000000000011");
}

TEST_F(DutlinkProfile, SetValueRefusesUnknownKeysAndBadValues) {
  EXPECT_EQ(KVSIM_SetValue("Phone", "FguType", "2"), 0);
  EXPECT_EQ(KVSIM_SetValue("Phone", "FguType", "two"), 1);
  EXPECT_EQ(KVSIM_SetValue("Phone", "Nonsense", "1"), 1);
  EXPECT_EQ(KVSIM_SetValue("Fail", "KV_NoSuchCall", "1"), 1);
  EXPECT_EQ(KVSIM_SetValue("Delay", "KV_PowerOff", "-5"), 1);
  uint8_t a[48] = {}, b[48] = {};
  ASSERT_EQ(KV_apSendADC(phone, 5, a, b), 0);
  EXPECT_EQ(b[0], 2);
}

TEST_F(DutlinkProfile, CreatePhoneReadsTheProfileBesideTheProgram) {
  // A fresh process reads DutlinkSim.ini beside it when it creates its phone.
  std::string folder = ProgramFolder();
  WriteTextFile(folder + "\\DutlinkSim.ini",
                "[Phone]\r\nIMEI1=490154203237518\r\nSN2=FROMPROFILE\r\n"
                "FlashFile=HelperProfile.flash\r\n");
  DeleteFileA((folder + "\\HelperProfile.flash").c_str());
  int result = RunHelper("identity");
  DeleteFileA((folder + "\\DutlinkSim.ini").c_str());
  ASSERT_EQ(result, 0);
  KVSIM_SetFlashFile((folder + "\\HelperProfile.flash").c_str());
  char text[96] = {};
  ASSERT_EQ(KV_FastReadProductInfo(phone, text, sizeof text), 0);
  EXPECT_STREQ(text, "490154203237518");
  EXPECT_STREQ(text + 16, "FROMPROFILE");
}

TEST_F(DutlinkProfile, AProfileThatFailsTheCreationFailsTheFirstCreationOfTheProcess) {
  // The station's start-up creates its one phone first thing; a profile must be able to make
  // exactly that call fail (the helper exits 100 without a handle, 101 with one).
  std::string folder = ProgramFolder();
  std::string profile = folder + "\\DutlinkSim.ini";
  WriteTextFile(profile, "[Fail]\r\nKV_CreatePhone=7\r\n");
  int failed = RunHelper("");
  WriteTextFile(profile, "[Fail]\r\nKV_CreatePhone=0\r\n");
  int created = RunHelper("");
  DeleteFileA(profile.c_str());
  EXPECT_EQ(failed, 100);
  EXPECT_EQ(created, 101);
}

using DutlinkRecords = SimTest;

TEST_F(DutlinkRecords, IdentityMasksFillOnlyTheirFields) {
  uint8_t record[140] = {};
  record[0] = 4;
  ASSERT_EQ(KV_FastReadNvInfo(phone, record), 0);
  EXPECT_EQ(record[4], 0);
  EXPECT_STREQ(reinterpret_cast<char*>(record + 68), "00A0C6123456");
  EXPECT_EQ(record[81], 0);

  std::memset(record, 0, sizeof record);
  record[0] = 64;
  ASSERT_EQ(KV_FastReadNvInfo(phone, record), 0);
  EXPECT_EQ(record[68], 0);
  EXPECT_STREQ(reinterpret_cast<char*>(record + 81), "00A0C6123457");
  EXPECT_EQ(record[94], 0);
  int32_t mask = 0;
  ASSERT_EQ(KVSIM_GetLastArgs("KV_FastReadNvInfo", &mask, 1), 1);
  EXPECT_EQ(mask, 64);
  Imei1(phone);
  ASSERT_EQ(KVSIM_GetLastArgs("KV_FastReadNvInfo", &mask, 1), 1);
  EXPECT_EQ(mask, 19);
}

TEST_F(DutlinkRecords, SerialNumbersByWhichAndCutToTheBuffer) {
  char sn[65];
  std::memset(sn, 'X', sizeof sn);
  ASSERT_EQ(KV_ReadSN(phone, 1, sn, 65), 0);
  EXPECT_STREQ(sn, "VX202612090001");
  ASSERT_EQ(KV_ReadSN(phone, 0, sn, 65), 0);
  EXPECT_STREQ(sn, "VX202612090002");
  std::memset(sn, 'X', sizeof sn);
  ASSERT_EQ(KV_ReadSN(phone, 0, sn, 5), 0);
  EXPECT_STREQ(sn, "VX20");
  EXPECT_EQ(sn[5], 'X');
  EXPECT_EQ(KV_ReadSN(phone, 2, sn, 65), 3);
  EXPECT_EQ(KV_ReadSN(phone, 1, nullptr, 65), 3);
}

TEST_F(DutlinkRecords, FlagWordsTravelInPhoneOrderAndConvertBack) {
  uint32_t gsm = 0;
  ASSERT_EQ(KV_gsmReadCalibrationParam(phone, 1, 1, 0, 11, 4, &gsm), 0);
  EXPECT_EQ(gsm, 0xFFFF3708u);
  ASSERT_EQ(KV_DataEndianConv32(phone, &gsm, 4), 0);
  EXPECT_EQ(gsm, 0x0837FFFFu);
  EXPECT_EQ(KV_DataEndianConv32(phone, &gsm, 2), 3);
  EXPECT_EQ(gsm, 0x0837FFFFu);

  uint16_t wcdma = 0;
  ASSERT_EQ(KV_wcdmaLoadTestFlag(phone, &wcdma), 0);
  EXPECT_EQ(wcdma, 0x0F10);
  ASSERT_EQ(KV_DataEndianConv16(phone, &wcdma, 2), 0);
  EXPECT_EQ(wcdma, 0x100F);
  EXPECT_EQ(KV_DataEndianConv16(phone, &wcdma, 4), 3);

  int32_t args[8] = {};
  ASSERT_EQ(KVSIM_GetLastArgs("KV_gsmReadCalibrationParam", args, 8), 5);
  EXPECT_EQ(args[3], 11);
  EXPECT_EQ(args[4], 4);
}

TEST_F(DutlinkRecords, LteRecordGetsOnlyItsWordAtOffsetSix) {
  uint8_t record[16];
  std::memset(record, 0xAA, sizeof record);
  record[0] = 1;
  record[4] = 1;
  KVSIM_SetValue("Phone", "LteFlags", "0x1234");
  ASSERT_EQ(KV_LTEReadCalibrationParam(phone, record), 0);
  EXPECT_EQ(record[6], 0x34);
  EXPECT_EQ(record[7], 0x12);
  EXPECT_EQ(record[0], 1);
  EXPECT_EQ(record[4], 1);
  EXPECT_EQ(record[5], 0xAA);
  EXPECT_EQ(record[8], 0xAA);

  // What the caller asked for is visible to tests of the caller.
  int32_t args[2] = {};
  ASSERT_EQ(KVSIM_GetLastArgs("KV_LTEReadCalibrationParam", args, 2), 2);
  EXPECT_EQ(args[0], static_cast<int32_t>(0xAAAAAA01u));
  EXPECT_EQ(args[1], 0xAA01);
  std::memset(record, 0, sizeof record);
  record[0] = 1;
  record[4] = 1;
  ASSERT_EQ(KV_LTEReadCalibrationParam(phone, record), 0);
  ASSERT_EQ(KVSIM_GetLastArgs("KV_LTEReadCalibrationParam", args, 2), 2);
  EXPECT_EQ(args[0], 1);
  EXPECT_EQ(args[1], 1);
}

TEST_F(DutlinkRecords, AdcRepliesFillTheFirstFieldOfTheSecondRecordOnly) {
  uint8_t a[48], b[48];
  std::memset(a, 0x55, sizeof a);
  std::memset(b, 0x55, sizeof b);
  ASSERT_EQ(KV_apSendADC(phone, 6, a, b), 0);
  int32_t mv = 0;
  std::memcpy(&mv, b, 4);
  EXPECT_EQ(mv, 3800);  // no supply known yet: the idle reading
  EXPECT_EQ(b[4], 0x55);
  EXPECT_EQ(a[0], 0x55);
  KVSIM_NotifyBatteryVoltage(4.2f);
  ASSERT_EQ(KV_apSendADC(phone, 6, a, b), 0);
  std::memcpy(&mv, b, 4);
  EXPECT_EQ(mv, 4200);
  KVSIM_SetValue("Phone", "FguVoltage", "-12");
  ASSERT_EQ(KV_apSendADC(phone, 6, a, b), 0);
  std::memcpy(&mv, b, 4);
  EXPECT_EQ(mv, -12);
  EXPECT_EQ(KV_apSendADC(phone, 7, a, b), 3);
}

TEST_F(DutlinkRecords, BatteryWordTracksTheSupplyVoltage) {
  uint32_t word = 0;
  ASSERT_EQ(KV_GetMsVoltage(phone, &word), 0);
  EXPECT_EQ(word, (1u << 24) | 3800u);
  KVSIM_NotifyBatteryVoltage(3.6f);
  ASSERT_EQ(KV_GetMsVoltage(phone, &word), 0);
  EXPECT_EQ(word, (1u << 24) | 3600u);
  KVSIM_SetValue("Phone", "BatteryUnit", "0");
  KVSIM_SetValue("Phone", "BatteryValue", "375");
  ASSERT_EQ(KV_GetMsVoltage(phone, &word), 0);
  EXPECT_EQ(word, 375u);
}

TEST_F(DutlinkRecords, MmiBlocksBySelector) {
  KVSIM_SetValue("MMI", "Whole.0", "1,2");
  KVSIM_SetValue("MMI", "Pcba.63", "0,0");
  uint8_t record[258] = {};
  ASSERT_EQ(KV_apReadMMI(phone, record), 0);
  EXPECT_EQ(record[2 + 2], 1);
  EXPECT_EQ(record[2 + 3], 2);
  EXPECT_EQ(record[2 + 4 * 63 + 2], 1);
  std::memset(record, 0, sizeof record);
  record[0] = 1;
  ASSERT_EQ(KV_apReadMMI(phone, record), 0);
  EXPECT_EQ(record[2 + 3], 1);
  EXPECT_EQ(record[2 + 4 * 63 + 2], 0);
  int32_t selector = -1;
  ASSERT_EQ(KVSIM_GetLastArgs("KV_apReadMMI", &selector, 1), 1);
  EXPECT_EQ(selector, 1);
  record[0] = 2;
  EXPECT_EQ(KV_apReadMMI(phone, record), 3);
}

TEST_F(DutlinkRecords, VersionsAndUsbPort) {
  char version[4096] = {};
  ASSERT_EQ(KV_GetMsVersion(phone, version, 300), 0);
  EXPECT_STREQ(version, "Plat: VX8910 Project: VARNEX_W1.0 BASE: B20261201 HW V1.0");
  ASSERT_EQ(KV_GetAPVersion(phone, version, 4096), 0);
  EXPECT_STREQ(version, "VARNEX_AP_W1.0_20261201");
  ASSERT_EQ(KV_GetAPVersion(phone, version, 7), 0);
  EXPECT_STREQ(version, "VARNEX");
  EXPECT_EQ(KV_GetUsbPort(phone), 5);
  KVSIM_SetValue("Phone", "UsbPort", "12");
  EXPECT_EQ(KV_GetUsbPort(phone), 12);
}

using DutlinkAt = SimTest;

TEST_F(DutlinkAt, RepliesByExactCommandAndRecordsTheLastOne) {
  EXPECT_EQ(AtReply(phone, "AT+CPIN?"), "+CPIN: READY\r\n\r\nOK\r\n");
  EXPECT_EQ(AtReply(phone, "AT+TFSTAT?"), "+TFSTAT: 1\r\n\r\nOK\r\n");
  EXPECT_EQ(AtReply(phone, "AT+KVDIAG=\"AT+ETSRESET\""), "OK\r\n");
  char last[64] = {};
  EXPECT_EQ(KVSIM_GetLastATCommand(last, sizeof last), 23);
  EXPECT_STREQ(last, "AT+KVDIAG=\"AT+ETSRESET\"");
  EXPECT_EQ(KVSIM_GetLastATCommand(last, 5), 23);
  EXPECT_STREQ(last, "AT+K");
  int32_t args[3] = {};
  ASSERT_EQ(KVSIM_GetLastArgs("KV_SendATCommand", args, 3), 3);
  EXPECT_EQ(args[0], 1);
  EXPECT_EQ(args[1], 4096);
  EXPECT_EQ(args[2], 3000);
}

TEST_F(DutlinkAt, ReplyIsCutToTheBufferAndCountsWhatWasCopied) {
  char reply[16];
  std::memset(reply, 'X', sizeof reply);
  uint32_t count = 99;
  ASSERT_EQ(KV_SendATCommand(phone, "AT+CPIN?", 1, reply, 6, &count, 3000), 0);
  EXPECT_STREQ(reply, "+CPIN");
  EXPECT_EQ(count, 5u);
  EXPECT_EQ(reply[6], 'X');
  EXPECT_EQ(KV_SendATCommand(phone, "AT", 1, reply, 0, &count, 3000), 3);
}

using DutlinkScripting = SimTest;

TEST_F(DutlinkScripting, EveryFunctionNameCanBeScripted) {
  const char* names[] = {"KV_CreatePhone",
                         "KV_ReleasePhone",
                         "KV_BeginPhoneTest",
                         "KV_EnterModeProcess",
                         "KV_StopModeProcess",
                         "KV_EndPhoneTest",
                         "KV_GetUsbPort",
                         "KV_SetProperty",
                         "KV_GetMsVersion",
                         "KV_GetAPVersion",
                         "KV_FastReadNvInfo",
                         "KV_ReadSN",
                         "KV_gsmReadCalibrationParam",
                         "KV_wcdmaLoadTestFlag",
                         "KV_LTEReadCalibrationParam",
                         "KV_DataEndianConv32",
                         "KV_DataEndianConv16",
                         "KV_SendATCommand",
                         "KV_GetMsVoltage",
                         "KV_apSendADC",
                         "KV_apChargeCmd",
                         "KV_EnterDeepSleepMode",
                         "KV_PowerOff",
                         "KV_ReadEnableSecureBoot",
                         "KV_apReadMMI",
                         "KV_ReadProductFlash",
                         "KV_WriteProductFlash",
                         "KV_FastReadProductInfo",
                         "KV_FastWriteProductInfo"};
  for (const char* name : names) {
    EXPECT_EQ(KVSIM_SetFailure(name, 0), 0) << name;
    EXPECT_EQ(KVSIM_SetDelay(name, 0), 0) << name;
    EXPECT_EQ(KVSIM_GetCallCount(name), name == std::string("KV_CreatePhone") ? 1 : 0) << name;
  }
  EXPECT_EQ(KVSIM_SetFailure("KV_readsn", 1), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_Nothing"), -1);
}

TEST_F(DutlinkScripting, FailureLeavesTheCallersBufferAlone) {
  ASSERT_EQ(KVSIM_SetFailure("KV_FastReadNvInfo", 7), 0);
  uint8_t record[140] = {19};
  EXPECT_EQ(KV_FastReadNvInfo(phone, record), 7);
  EXPECT_EQ(record[4], 0);
  KVSIM_SetFailure("KV_FastReadNvInfo", 0);
  EXPECT_EQ(KV_FastReadNvInfo(phone, record), 0);
  EXPECT_EQ(KVSIM_GetCallCount("KV_FastReadNvInfo"), 2);
}

TEST_F(DutlinkScripting, ShortReadHandsOverOnlyTheFirstBytesAndSucceeds) {
  ASSERT_EQ(KVSIM_SetShortRead("KV_ReadSN", 4), 0);
  char sn[65];
  std::memset(sn, 'X', sizeof sn);
  ASSERT_EQ(KV_ReadSN(phone, 1, sn, 65), 0);
  EXPECT_EQ(std::string(sn, 6), "VX20XX") << "the rest of the buffer stays as it was";

  // From a profile, for a record and a reply with its count.
  std::string path = ProgramFolder() + "\\ShortProfile.ini";
  WriteTextFile(path, "[Short]\nKV_FastReadNvInfo=10\nKV_SendATCommand=3\nKV_GetMsVoltage=0\n");
  ASSERT_EQ(KVSIM_LoadProfile(path.c_str()), 0);
  DeleteFileA(path.c_str());
  uint8_t record[140] = {19};
  ASSERT_EQ(KV_FastReadNvInfo(phone, record), 0);
  EXPECT_STREQ(reinterpret_cast<char*>(record + 4), "860000");
  EXPECT_EQ(record[36], 0);
  char reply[64] = {};
  uint32_t count = 99;
  ASSERT_EQ(KV_SendATCommand(phone, "AT+CPIN?", 1, reply, sizeof reply, &count, 3000), 0);
  EXPECT_STREQ(reply, "+CP");
  EXPECT_EQ(count, 3u);
  uint32_t word = 0x12345678;
  ASSERT_EQ(KV_GetMsVoltage(phone, &word), 0);
  EXPECT_EQ(word, 0x12345678u) << "nothing handed over";

  // -1 hands over everything again; a failing call stays a failure.
  ASSERT_EQ(KVSIM_SetShortRead("KV_ReadSN", -1), 0);
  ASSERT_EQ(KV_ReadSN(phone, 1, sn, 65), 0);
  EXPECT_STREQ(sn, "VX202612090001");
  EXPECT_EQ(KVSIM_SetShortRead("KV_NoSuchCall", 1), 1);
}

TEST_F(DutlinkScripting, CallSerialsGiveTheOrderOfCalls) {
  EXPECT_EQ(KVSIM_GetLastCallSerial("KV_PowerOff"), 0);
  EXPECT_EQ(KVSIM_GetLastCallSerial("KV_Nothing"), -1);
  uint8_t flag = 0;
  KV_PowerOff(phone);
  KV_ReadEnableSecureBoot(phone, &flag, 1);
  KV_PowerOff(phone);  // a failed call counts in the order too
  KVSIM_SetFailure("KV_ReadEnableSecureBoot", 3);
  KV_ReadEnableSecureBoot(phone, &flag, 1);
  const int32_t powerOff = KVSIM_GetLastCallSerial("KV_PowerOff");
  const int32_t secureBoot = KVSIM_GetLastCallSerial("KV_ReadEnableSecureBoot");
  EXPECT_GT(powerOff, 0);
  EXPECT_EQ(secureBoot, powerOff + 1);
  KVSIM_Reset();
  EXPECT_EQ(KVSIM_GetLastCallSerial("KV_PowerOff"), 0);
}

TEST_F(DutlinkScripting, FailNextFailsOnlyThatManyCalls) {
  ASSERT_EQ(KVSIM_FailNext("KV_GetMsVersion", 9, 2), 0);
  char version[300] = {};
  EXPECT_EQ(KV_GetMsVersion(phone, version, 300), 9);
  EXPECT_EQ(KV_GetMsVersion(phone, version, 300), 9);
  EXPECT_EQ(KV_GetMsVersion(phone, version, 300), 0);
}

TEST_F(DutlinkScripting, FailedCreationAndPortQueryReturnMinusOne) {
  KVSIM_SetFailure("KV_GetUsbPort", 4);
  EXPECT_EQ(KV_GetUsbPort(phone), -1);
  KVSIM_SetFailure("KV_CreatePhone", 4);
  EXPECT_EQ(KV_CreatePhone(0), -1);
}

TEST_F(DutlinkScripting, AnotherHandleIsRefused) {
  uint32_t word = 0;
  EXPECT_EQ(KV_GetMsVoltage(phone + 1, &word), 2);
  EXPECT_EQ(KV_PowerOff(-1), 2);
  EXPECT_EQ(word, 0u);
}

TEST_F(DutlinkScripting, DelayMakesTheCallTakeItsTime) {
  KVSIM_SetDelay("KV_EnterDeepSleepMode", 250);
  Stopwatch watch;
  EXPECT_EQ(KV_EnterDeepSleepMode(phone), 0);
  EXPECT_GE(watch.Milliseconds(), 230);
}

TEST_F(DutlinkScripting, ProfileScriptsFailuresAndDelays) {
  std::string path = ProgramFolder() + "\\ScriptedProfile.ini";
  WriteTextFile(path, "[Fail]\nKV_PowerOff=6\n[Delay]\nKV_SetProperty=200\n");
  ASSERT_EQ(KVSIM_LoadProfile(path.c_str()), 0);
  DeleteFileA(path.c_str());
  EXPECT_EQ(KV_PowerOff(phone), 6);
  Stopwatch watch;
  EXPECT_EQ(KV_SetProperty(phone, 3, 0, 2), 0);
  EXPECT_GE(watch.Milliseconds(), 180);
}

TEST_F(DutlinkScripting, UartSilenceLastsTheGivenAttemptsAfterEachLink) {
  KVSIM_SetValue("Phone", "UartSilentAttempts", "2");
  KV_LINK uart = {0, 7, 115200};
  ASSERT_EQ(KV_BeginPhoneTest(phone, &uart), 0);
  char version[16384] = {};
  EXPECT_EQ(KV_GetMsVersion(phone, version, sizeof version), 1);
  EXPECT_EQ(KV_GetMsVersion(phone, version, sizeof version), 1);
  EXPECT_EQ(KV_GetMsVersion(phone, version, sizeof version), 0);
  ASSERT_EQ(KV_BeginPhoneTest(phone, &uart), 0);
  EXPECT_EQ(KV_GetMsVersion(phone, version, sizeof version), 1);
  KV_LINK usb = {3, 0, 0};
  ASSERT_EQ(KV_BeginPhoneTest(phone, &usb), 0);
  EXPECT_EQ(KV_GetMsVersion(phone, version, sizeof version), 0);
  ASSERT_EQ(KV_BeginPhoneTest(phone, &uart), 0);
  int32_t args[3] = {};
  ASSERT_EQ(KVSIM_GetLastArgs("KV_BeginPhoneTest", args, 3), 3);
  EXPECT_EQ(args[1], 7);
  EXPECT_EQ(args[2], 115200);
}

TEST_F(DutlinkScripting, SlowCallDoesNotBlockAnotherThread) {
  KVSIM_SetDelay("KV_GetAPVersion", 1500);
  std::atomic<bool> slowDone{false};
  std::thread slow([&] {
    char version[64];
    KV_GetAPVersion(phone, version, sizeof version);
    slowDone = true;
  });
  Sleep(100);
  char sn[65] = {};
  EXPECT_EQ(KV_ReadSN(phone, 1, sn, 65), 0);
  EXPECT_FALSE(slowDone.load());
  slow.join();
  EXPECT_TRUE(slowDone.load());
}

TEST_F(DutlinkScripting, ConcurrentCallsAreAllCounted) {
  constexpr int kCalls = 2000;
  auto work = [this] {
    for (int i = 0; i < kCalls; ++i) {
      KV_EndPhoneTest(phone);
      char reply[64];
      uint32_t count = 0;
      KV_SendATCommand(phone, i % 2 ? "AT+CPIN?" : "AT+TFSTAT?", 1, reply, 64, &count, 3000);
      KVSIM_NotifyBatteryVoltage(3.8f);
    }
  };
  std::thread other(work);
  work();
  other.join();
  EXPECT_EQ(KVSIM_GetCallCount("KV_EndPhoneTest"), 2 * kCalls);
  EXPECT_EQ(KVSIM_GetCallCount("KV_SendATCommand"), 2 * kCalls);
}

using DutlinkUsb = SimTest;

TEST_F(DutlinkUsb, ConnectedEventIsSetAfterTheConfiguredTime) {
  KVSIM_SetValue("Phone", "UsbConnectMs", "300");
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  Stopwatch watch;
  ASSERT_EQ(KV_EnterModeProcess(phone, 1, -1, 14, event, 0), 0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(event, 10000), WAIT_OBJECT_0);
  EXPECT_GE(watch.Milliseconds(), 280);
  EXPECT_EQ(KVSIM_GetLastMode(), 14);
  CloseHandle(event);
}

TEST_F(DutlinkUsb, NeverConnectsWithMinusOne) {
  KVSIM_SetValue("Phone", "UsbConnectMs", "-1");
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_EQ(KV_EnterModeProcess(phone, 1, -1, 1, event, 0), 0);
  EXPECT_EQ(WaitForSingleObject(event, 600), WAIT_TIMEOUT);
  CloseHandle(event);
}

TEST_F(DutlinkUsb, StopModeProcessCancelsAPendingConnection) {
  KVSIM_SetValue("Phone", "UsbConnectMs", "300");
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_EQ(KV_EnterModeProcess(phone, 1, -1, 1, event, 0), 0);
  ASSERT_EQ(KV_StopModeProcess(phone), 0);
  EXPECT_EQ(WaitForSingleObject(event, 800), WAIT_TIMEOUT);
  // The caller may close its event at once; a later connection uses a new one.
  CloseHandle(event);
  HANDLE next = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  KVSIM_SetValue("Phone", "UsbConnectMs", "0");
  ASSERT_EQ(KV_EnterModeProcess(phone, 1, -1, 1, next, 0), 0);
  EXPECT_EQ(WaitForSingleObject(next, 10000), WAIT_OBJECT_0);
  CloseHandle(next);
  EXPECT_EQ(KV_EnterModeProcess(phone, 1, -1, 1, nullptr, 0), 3);
}

using DutlinkFlash = SimTest;

TEST_F(DutlinkFlash, StartsZeroAndHonoursCountAndOffset) {
  uint8_t bytes[8];
  std::memset(bytes, 0x77, sizeof bytes);
  ASSERT_EQ(KV_ReadProductFlash(phone, bytes, 8, 0, 0), 0);
  for (uint8_t byte : bytes) {
    EXPECT_EQ(byte, 0);
  }
  ASSERT_EQ(KV_WriteProductFlash(phone, "KV15", 4, 0), 0);
  ASSERT_EQ(KV_WriteProductFlash(phone, "xyz", 3, 4093), 0);
  char text[5] = {};
  ASSERT_EQ(KV_FastReadProductInfo(phone, text, 4), 0);
  EXPECT_STREQ(text, "KV15");
  std::memset(text, 0, sizeof text);
  ASSERT_EQ(KV_ReadProductFlash(phone, text, 3, 4093, 0), 0);
  EXPECT_STREQ(text, "xyz");
  ASSERT_EQ(KV_FastWriteProductInfo(phone, "KV09", 4), 0);
  ASSERT_EQ(KVSIM_PeekFlash(text, 4, 0), 0);
  EXPECT_STREQ(text, "KV09");
}

TEST_F(DutlinkFlash, OutOfAreaFailsWithoutTouchingTheBuffer) {
  uint8_t big[4100];
  std::memset(big, 0x33, sizeof big);
  EXPECT_EQ(KV_ReadProductFlash(phone, big, 4097, 0, 0), 3);
  EXPECT_EQ(KV_ReadProductFlash(phone, big, 2, 4095, 0), 3);
  EXPECT_EQ(KV_ReadProductFlash(phone, big, 4, -1, 0), 3);
  EXPECT_EQ(KV_WriteProductFlash(phone, big, -4, 0), 3);
  EXPECT_EQ(KV_FastReadProductInfo(phone, big, 5000), 3);
  EXPECT_EQ(big[0], 0x33);
  ASSERT_EQ(KV_ReadProductFlash(phone, big, 4096, 0, 0), 0);
  EXPECT_EQ(big[4095], 0);
  EXPECT_EQ(big[4096], 0x33);
}

TEST_F(DutlinkFlash, WhatAnotherProcessWritesIsReadHere) {
  std::string folder = ProgramFolder();
  KVSIM_SetFlashFile((folder + "\\DutlinkSim.flash").c_str());
  ASSERT_EQ(KVSIM_ClearFlash(), 0);
  ASSERT_EQ(KV_WriteProductFlash(phone, "here", 4, 0), 0);
  ASSERT_EQ(RunHelper("write 100 written-elsewhere"), 0);
  char text[32] = {};
  ASSERT_EQ(KV_ReadProductFlash(phone, text, 15, 100, 0), 0);
  EXPECT_EQ(std::string(text), "written-elsewhe");
  // The other process kept what this one wrote before it.
  ASSERT_EQ(KV_FastReadProductInfo(phone, text, 4), 0);
  text[4] = 0;
  EXPECT_STREQ(text, "here");
  EXPECT_EQ(RunHelper("write 4095 xy"), 3);
}

TEST_F(DutlinkFlash, ClearFlashZeroesTheFile) {
  ASSERT_EQ(KVSIM_PokeFlash("abc", 3, 10), 0);
  ASSERT_EQ(KVSIM_ClearFlash(), 0);
  char text[4] = {1, 1, 1, 1};
  ASSERT_EQ(KV_ReadProductFlash(phone, text, 3, 10, 0), 0);
  EXPECT_EQ(text[0], 0);
  EXPECT_EQ(text[2], 0);
  EXPECT_EQ(text[3], 1);
}
