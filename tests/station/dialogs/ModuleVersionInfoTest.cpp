// Version resources read from this test program (17,0,0,1), from modules beside it with and
// without one, and from the station's own version resource.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "station/dialogs/ModuleVersionInfo.h"
#include "station/dialogs/core/VersionText.h"

namespace {

std::wstring BesideTest(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.rfind(L'\\') + 1) + name;
}

std::wstring Text(const wchar_t* value) {
  return value != nullptr ? value : L"(null)";
}

TEST(ModuleVersionInfo, ReadsTheRunningProgram) {
  ModuleVersionInfo info;
  EXPECT_EQ(std::wstring(info.modulePath()), BesideTest(L"station_dialogs_tests.exe"));
  ASSERT_TRUE(info.Load());
  EXPECT_STREQ(info.prefix(), L"\\StringFileInfo\\040904b0\\");
  EXPECT_EQ(Text(info.Query(L"ProductVersion")), L"17,0,0,1");
  EXPECT_EQ(Text(info.Query(L"ProductName")), L"Check Station Test");
  EXPECT_EQ(info.Query(L"SpecialBuild"), nullptr);
  EXPECT_EQ(info.Query(nullptr), nullptr);

  EXPECT_STREQ(info.VersionStamp(), L"17.0.0001");
  EXPECT_EQ(StationVersionStamp(), L"17.0.0001");
  EXPECT_EQ(FormatWindowTitle(StationVersionStamp()), L"Varnex (17.0.0001)");
}

TEST(ModuleVersionInfo, TranslationAndSpecialBuildOfAnotherModule) {
  std::wstring path = BesideTest(L"VersionedModule.dll");
  ModuleVersionInfo info;
  ASSERT_TRUE(info.Load(path.c_str()));
  // Language and code page in four lower-case hexadecimal digits each.
  EXPECT_STREQ(info.prefix(), L"\\StringFileInfo\\040704e4\\");
  EXPECT_EQ(Text(info.Query(L"SpecialBuild")), L" 7 ");
  EXPECT_STREQ(info.VersionStamp(path.c_str()), L"2.1.3045_P7");
}

TEST(ModuleVersionInfo, NoVersionResourceGivesAnEmptyStamp) {
  std::wstring path = BesideTest(L"UnversionedModule.dll");
  ModuleVersionInfo info;
  ASSERT_TRUE(info.Load());
  EXPECT_FALSE(info.Load(path.c_str()));
  // What the earlier load left is gone.
  EXPECT_EQ(info.Query(L"ProductName"), nullptr);
  EXPECT_STREQ(info.prefix(), L"");

  ASSERT_STREQ(info.VersionStamp(), L"17.0.0001");
  EXPECT_STREQ(info.VersionStamp(path.c_str()), L"");
  EXPECT_EQ(FormatWindowTitle(info.VersionStamp(path.c_str())), L"Varnex ()");
  std::wstring missing = BesideTest(L"NoSuchModule.dll");
  EXPECT_STREQ(info.VersionStamp(missing.c_str()), L"");
}

TEST(ModuleVersionInfo, StationVersionResource) {
  std::wstring path = BesideTest(L"StationVersionModule.dll");
  ModuleVersionInfo info;
  ASSERT_TRUE(info.Load(path.c_str()));
  EXPECT_EQ(Text(info.Query(L"ProductName")), L"Varnex");
  EXPECT_EQ(Text(info.Query(L"ProductVersion")), L"1, 0, 0, 1");
  EXPECT_EQ(Text(info.Query(L"FileVersion")), L"1, 0, 0, 1");
  EXPECT_EQ(Text(info.Query(L"FileDescription")), L"Version resource test module");
  EXPECT_NE(Text(info.Query(L"CompanyName")), L"(null)");
  EXPECT_NE(Text(info.Query(L"LegalCopyright")), L"(null)");
  EXPECT_STREQ(info.VersionStamp(path.c_str()), L"1.0.0001");

  // The numeric file version agrees with the texts.
  ASSERT_TRUE(info.Load(path.c_str()));
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  std::string block(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedBytes = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedBytes));
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
}

}  // namespace
