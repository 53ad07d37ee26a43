#include "station/run/core/IdentityInput.h"

#include <cwchar>

#include <gtest/gtest.h>

#include "IdentityFields.h"

namespace {

CheckSettings AllIdentitiesOn() {
  CheckSettings s{};
  s.checkImei1 = s.checkImei2 = s.checkImei3 = 1;
  s.checkSn1 = s.checkSn2 = s.checkBtAddr = s.checkWifiAddr = 1;
  s.snLength1 = 14;
  s.snLength2 = 10;
  return s;
}

ScannedCodes FullScan() {
  ScannedCodes codes;
  codes[0] = L"860000000000011";
  codes[1] = L"860000000000029";
  codes[2] = L"860000000000037";
  codes[3] = L"VX202612090001";
  codes[4] = L"VX20261209";
  codes[5] = L"00A0C6123456";
  codes[6] = L"00A0C6123457";
  return codes;
}

}  // namespace

TEST(IdentityInput, PrefixesReplaceEveryExpectedValue) {
  CheckSettings s = AllIdentitiesOn();
  wcscpy(s.imei1, L"stale");
  wcscpy(s.sn2, L"stale");
  s.checkImei2Prefix = 1;
  wcscpy(s.imei2Prefix, L"8612");
  s.checkBtAddrPrefix = 1;
  wcscpy(s.btAddrPrefix, L"00A0C6");
  s.checkSn1 = 0;  // a prefix without its item stays out
  s.checkSn1Prefix = 1;
  wcscpy(s.sn1Prefix, L"VX");
  ApplyPrefixes(s);
  EXPECT_STREQ(s.imei1, L"");
  EXPECT_STREQ(s.sn2, L"");
  EXPECT_STREQ(s.imei2, L"8612");
  EXPECT_STREQ(s.btAddr, L"00A0C6");
  EXPECT_STREQ(s.sn1, L"");
}

TEST(IdentityInput, ScannedCodesFillTheirItems) {
  CheckSettings s = AllIdentitiesOn();
  std::wstring notes;
  EXPECT_EQ(ApplyScannedCodes(s, FullScan(), notes), L"");
  EXPECT_EQ(notes, L"");
  EXPECT_STREQ(s.imei1, L"860000000000011");
  EXPECT_STREQ(s.imei3, L"860000000000037");
  EXPECT_STREQ(s.sn1, L"VX202612090001");
  EXPECT_STREQ(s.sn2, L"VX20261209");
  EXPECT_STREQ(s.wifiAddr, L"00A0C6123457");
  EXPECT_EQ(FirstMissingCode(s), -1);
}

TEST(IdentityInput, ACodeMustHaveTheLengthOfAScan) {
  CheckSettings s = AllIdentitiesOn();
  std::wstring notes;
  ScannedCodes codes = FullScan();
  codes[1] = L"86000000000002";  // 14 digits
  EXPECT_EQ(ApplyScannedCodes(s, codes, notes), L"--imei2 must have 15 characters, got 14");

  s = AllIdentitiesOn();
  codes = FullScan();
  codes[4] = L"VX202612090002";  // SN2 scans at 10 here
  EXPECT_EQ(ApplyScannedCodes(s, codes, notes), L"--sn2 must have 10 characters, got 14");

  s = AllIdentitiesOn();
  codes = FullScan();
  codes[5] = L"00:A0:C6:12:34:56";
  EXPECT_EQ(ApplyScannedCodes(s, codes, notes), L"--bt must have 12 characters, got 17");
}

TEST(IdentityInput, AnSnLengthBeyondTheFieldCannotBeScanned) {
  CheckSettings s = AllIdentitiesOn();
  s.snLength1 = 70;
  ScannedCodes codes;
  codes[3] = std::wstring(70, L'A');
  std::wstring notes;
  EXPECT_EQ(ApplyScannedCodes(s, codes, notes),
            L"SN1 cannot be scanned: its configured length 70 is outside 1..65");
  EXPECT_STREQ(s.sn1, L"");

  s.snLength1 = 65;  // the longest that fits, terminator included
  codes[3] = std::wstring(65, L'B');
  EXPECT_EQ(ApplyScannedCodes(s, codes, notes), L"");
  EXPECT_EQ(std::wstring(s.sn1), std::wstring(65, L'B'));
}

TEST(IdentityInput, CodesForPrefixOrDisabledItemsAreNotedAndUnused) {
  CheckSettings s = AllIdentitiesOn();
  s.checkImei3 = 0;
  s.checkWifiAddrPrefix = 1;
  wcscpy(s.wifiAddrPrefix, L"00A0C6");
  ApplyPrefixes(s);
  std::wstring notes;
  EXPECT_EQ(ApplyScannedCodes(s, FullScan(), notes), L"");
  EXPECT_STREQ(s.imei3, L"");
  EXPECT_STREQ(s.wifiAddr, L"00A0C6");
  EXPECT_EQ(notes,
            L"--imei3 is not used: the IMEI3 check is off\n"
            L"--wifi is not used: WIFI Addr is compared with its configured prefix\n");
}

TEST(IdentityInput, TheFirstMissingCodeInScanOrderStopsTheStart) {
  CheckSettings s = AllIdentitiesOn();
  ScannedCodes codes = FullScan();
  codes[0].reset();
  codes[4].reset();
  std::wstring notes;
  ASSERT_EQ(ApplyScannedCodes(s, codes, notes), L"");
  EXPECT_EQ(FirstMissingCode(s), 0);
  EXPECT_EQ(MissingCodeMessage(FirstMissingCode(s)), L"Please input IMEI1 first!");

  s.checkImei1 = 0;
  EXPECT_EQ(MissingCodeMessage(FirstMissingCode(s)), L"Please input SN2 first!");
  s.checkSn2 = 0;
  EXPECT_EQ(FirstMissingCode(s), -1);
}

TEST(IdentityInput, MessagesAndOptionsOfEveryItem) {
  const wchar_t* messages[] = {L"Please input IMEI1 first!",    L"Please input IMEI2 first!",
                               L"Please input IMEI3 first!",    L"Please input SN1 first!",
                               L"Please input SN2 first!",      L"Please input BT Addr first!",
                               L"Please input WIFI Addr first!"};
  const wchar_t* options[] = {L"--imei1", L"--imei2", L"--imei3", L"--sn1",
                              L"--sn2",   L"--bt",    L"--wifi"};
  for (int i = 0; i < kIdentityCount; ++i) {
    EXPECT_EQ(MissingCodeMessage(i), messages[i]);
    EXPECT_STREQ(IdentityOption(i), options[i]);
  }
  EXPECT_EQ(MissingCodeMessage(7), L"");
}

TEST(IdentityInput, AnEmptyPrefixLeavesItsItemMissing) {
  // The station asks for the code in that case too: an empty expected value is never taken.
  CheckSettings s{};
  s.checkBtAddr = 1;
  s.checkBtAddrPrefix = 1;
  ApplyPrefixes(s);
  EXPECT_EQ(MissingCodeMessage(FirstMissingCode(s)), L"Please input BT Addr first!");
}

// Each item against the test's own field table: its check, its prefix check, its value and
// prefix fields, its capacity and scan length, and nothing of the other six.
TEST(IdentityInput, EveryItemReadsAndWritesOnlyItsOwnFields) {
  const int lengths[] = {15, 15, 15, 14, 10, 12, 12};
  for (int i = 0; i < kIdentityCount; ++i) {
    SCOPED_TRACE(kFields[i].name);
    CheckSettings s = IdentitySettings(1u << i, 0);
    EXPECT_EQ(ExpectedValue(s, i), kFields[i].value(s));
    EXPECT_EQ(PrefixValue(s, i), kFields[i].prefix(s));
    EXPECT_STREQ(kIdentityItems[i].name, kFields[i].name);
    EXPECT_EQ(ScanLength(s, i), lengths[i]);
    for (int j = 0; j < kIdentityCount; ++j) {
      EXPECT_EQ(IdentityEnabled(s, j), i == j) << j;
      EXPECT_TRUE(IdentityScanned(s, j)) << j;
      CheckSettings prefixed = IdentitySettings(1u << i, 1u << j);
      EXPECT_EQ(IdentityScanned(prefixed, i), i != j) << j;
    }
    SetExpectedValue(s, i, std::wstring(80, L'7'));
    EXPECT_EQ(std::wstring(kFields[i].value(s)), std::wstring(kFields[i].capacity - 1, L'7'));
    for (int j = 0; j < kIdentityCount; ++j) {
      EXPECT_EQ(kFields[j].value(s)[0] == L'\0', i != j) << j;
    }
    EXPECT_EQ(FirstMissingCode(s), -1);
    kFields[i].value(s)[0] = L'\0';
    EXPECT_EQ(FirstMissingCode(s), i);

    // Only this item's code is used, and only while it is checked and scanned.
    ScannedCodes codes;
    codes[i] = kFields[i].code;
    std::wstring notes;
    CheckSettings off = IdentitySettings(0x7F & ~(1u << i), 0);
    EXPECT_EQ(ApplyScannedCodes(off, codes, notes), L"");
    EXPECT_EQ(notes, std::wstring(IdentityOption(i)) + L" is not used: the " + kFields[i].name +
                         L" check is off\n");
    notes.clear();
    CheckSettings viaPrefix = IdentitySettings(0x7F, 1u << i);
    ApplyPrefixes(viaPrefix);
    EXPECT_EQ(ApplyScannedCodes(viaPrefix, codes, notes), L"");
    EXPECT_EQ(std::wstring(kFields[i].value(viaPrefix)), std::wstring(kFields[i].code, 4));
    EXPECT_NE(notes.find(L"compared with its configured prefix"), std::wstring::npos);
    CheckSettings scanned = IdentitySettings(0x7F, 0);
    EXPECT_EQ(ApplyScannedCodes(scanned, codes, notes), L"");
    EXPECT_STREQ(kFields[i].value(scanned), kFields[i].code);
    codes[i] = std::wstring(kFields[i].code) + L"0";
    EXPECT_NE(ApplyScannedCodes(scanned, codes, notes), L"");
  }
}

TEST(IdentityInput, SnLengthsAtAndBeyondTheirBounds) {
  const int32_t lengths[][2] = {{-1, -1}, {0, -1}, {1, 1}, {64, 64}, {65, 65}, {66, -1}};
  for (const auto& [configured, scan] : lengths) {
    CheckSettings s{};
    s.snLength1 = configured;
    s.snLength2 = configured;
    EXPECT_EQ(ScanLength(s, 3), scan) << configured;
    EXPECT_EQ(ScanLength(s, 4), scan) << configured;
  }
  CheckSettings s{};
  EXPECT_EQ(ScanLength(s, -1), -1);
  EXPECT_EQ(ScanLength(s, kIdentityCount), -1);
  EXPECT_FALSE(IdentityEnabled(IdentitySettings(0x7F, 0), kIdentityCount));
}
