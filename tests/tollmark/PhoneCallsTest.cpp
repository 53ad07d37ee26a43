// What Tollmark.dll asks of the phone library: the four product-information functions only,
// with the counts and offsets each record version needs, and never a second try.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/tollmark/DllFixture.h"

namespace {

// Every product-information call with its recorded integer arguments (count, offset,
// reserved for the plain read; count, offset for the plain write; count for the fast ones).
struct ArgsSeen {
  int calls;
  int32_t args[3];
};

ArgsSeen Seen(const char* function) {
  ArgsSeen seen{KVSIM_GetCallCount(function), {-99, -99, -99}};
  KVSIM_GetLastArgs(function, seen.args, 3);
  return seen;
}

// The functions a loaded module imports from one DLL, read from its import table.
std::set<std::string> ImportsFrom(HMODULE module, const char* dll) {
  std::set<std::string> names;
  const auto* base = reinterpret_cast<const uint8_t*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0) {
    return names;
  }
  for (const auto* entry =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       entry->Name != 0; ++entry) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) {
      continue;
    }
    const DWORD lookup = entry->OriginalFirstThunk ? entry->OriginalFirstThunk : entry->FirstThunk;
    for (const auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + lookup);
         thunk->u1.AddressOfData != 0; ++thunk) {
      if (IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal)) {
        names.insert("#ordinal");
        continue;
      }
      const auto* byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + thunk->u1.AddressOfData);
      names.insert(reinterpret_cast<const char*>(byName->Name));
    }
  }
  return names;
}

}  // namespace

TEST(TollmarkImports, OnlyTheFourProductInformationFunctions) {
  const HMODULE library = GetModuleHandleA("Tollmark.dll");
  ASSERT_NE(library, nullptr);
  const std::set<std::string> expected = {"KV_FastReadProductInfo", "KV_FastWriteProductInfo",
                                          "KV_ReadProductFlash", "KV_WriteProductFlash"};
  EXPECT_EQ(ImportsFrom(library, "Dutlink.dll"), expected);
}

TEST_F(TollmarkDll, MaskRecordsUseTheMagicReadAndTheFastCalls) {
  InitialiseDemo();
  EXPECT_EQ(UpdatePhase(object, "MMI", 1, nullptr, nullptr, nullptr), 0);
  const ArgsSeen magic = Seen("KV_ReadProductFlash");
  EXPECT_EQ(magic.calls, 1);
  EXPECT_EQ(magic.args[0], 4);
  EXPECT_EQ(magic.args[1], 0);
  EXPECT_EQ(magic.args[2], 0);
  EXPECT_EQ(Seen("KV_FastReadProductInfo").args[0], 256);
  EXPECT_EQ(Seen("KV_FastWriteProductInfo").args[0], 256);
  EXPECT_EQ(Calls("KV_WriteProductFlash"), 0);
}

TEST_F(TollmarkDll, EntryRecordsTravelWholeThroughThePlainCalls) {
  WriteTollmarkIni(
      "[VERSION]\r\nMAGIC NUMBER=KV05\r\n[STATION]\r\nSTATION NUMBER=3\r\n"
      "STATION 1=MMI\r\nSTATION 2=CAL\r\nSTATION 3=FT\r\n");
  ASSERT_EQ(InitPhase(object, nullptr, nullptr, nullptr, 0, nullptr, nullptr), 0);
  ArgsSeen write = Seen("KV_WriteProductFlash");
  EXPECT_EQ(write.calls, 1);
  EXPECT_EQ(write.args[0], 1752);
  EXPECT_EQ(write.args[1], 0);
  ForgetCalls();

  // Something another station left in a reserved byte of an entry goes back unchanged.
  const uint8_t reserved = 0x5A;
  KVSIM_PokeFlash(&reserved, 1, 216 + 128 + 100);
  EXPECT_EQ(UpdatePhase(object, "cal", 0, "Flag missing", "T1", nullptr), 0);
  const ArgsSeen read = Seen("KV_ReadProductFlash");
  EXPECT_EQ(read.calls, 2);  // the magic, then the record
  EXPECT_EQ(read.args[0], 1752);
  EXPECT_EQ(read.args[1], 0);
  EXPECT_EQ(read.args[2], 0);
  write = Seen("KV_WriteProductFlash");
  EXPECT_EQ(write.calls, 1);
  EXPECT_EQ(write.args[0], 1752);
  EXPECT_EQ(write.args[1], 0);
  EXPECT_EQ(Calls("KV_FastReadProductInfo") + Calls("KV_FastWriteProductInfo"), 0);

  const std::vector<uint8_t> flash = Flash(1752);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&flash[8])), "T1");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&flash[216 + 128 + 24])), "FAIL");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&flash[216 + 128 + 40])), "Flag missing");
  EXPECT_EQ(flash[216 + 128 + 100], 0x5A);
  EXPECT_EQ(CheckPhase(object, nullptr, "CAL"), 6);
  EXPECT_EQ(CheckPhase(object, nullptr, "MMI"), 7);
}

TEST_F(TollmarkDll, FailedPhoneCallsAreNeverRetried) {
  InitialiseDemo();
  KVSIM_SetFailure("KV_FastReadProductInfo", 4);
  EXPECT_EQ(UpdatePhase(object, "MMI", 1, nullptr, nullptr, nullptr), 10);
  EXPECT_EQ(Calls("KV_FastReadProductInfo"), 1);
  EXPECT_EQ(Writes(), 0);
  KVSIM_SetFailure("KV_FastReadProductInfo", 0);

  ForgetCalls();
  KVSIM_SetFailure("KV_FastWriteProductInfo", 4);
  EXPECT_EQ(UpdatePhase(object, "MMI", 1, nullptr, nullptr, nullptr), 9);
  EXPECT_EQ(Calls("KV_FastWriteProductInfo"), 1);
  EXPECT_EQ(CheckPhase(object, "CAL", "NULL"), 9);
  EXPECT_EQ(Calls("KV_FastWriteProductInfo"), 2);
  KVSIM_SetFailure("KV_FastWriteProductInfo", 0);

  ForgetCalls();
  KVSIM_SetFailure("KV_ReadProductFlash", 4);
  EXPECT_EQ(UpdatePhase(object, "MMI", 1, nullptr, nullptr, nullptr), 12);
  EXPECT_EQ(Calls("KV_ReadProductFlash"), 1);
  EXPECT_EQ(Calls("KV_FastReadProductInfo"), 0);
}
