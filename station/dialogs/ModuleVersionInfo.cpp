#include "station/dialogs/ModuleVersionInfo.h"

#include <cwchar>

ModuleVersionInfo::ModuleVersionInfo() {
  DWORD length = GetModuleFileNameW(nullptr, modulePath_, MAX_PATH);
  // A path that did not fit is cut; an unusable path is better empty.
  if (length == 0 || length >= MAX_PATH) {
    modulePath_[0] = L'\0';
  }
}

ModuleVersionInfo::~ModuleVersionInfo() {
  Unload();
}

void ModuleVersionInfo::Unload() {
  delete[] block_;
  block_ = nullptr;
  prefix_[0] = L'\0';
}

bool ModuleVersionInfo::Load(const wchar_t* path) {
  Unload();
  const wchar_t* file = path != nullptr ? path : modulePath_;
  if (file[0] == L'\0') {
    return false;
  }
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(file, &handle);
  if (size == 0) {
    return false;
  }
  block_ = new BYTE[size];
  if (!GetFileVersionInfoW(file, 0, size, block_)) {
    Unload();
    return false;
  }
  void* translation = nullptr;
  UINT translationBytes = 0;
  if (!VerQueryValueW(block_, L"\\VarFileInfo\\Translation", &translation, &translationBytes) ||
      translation == nullptr || translationBytes < 4) {
    Unload();
    return false;
  }
  const auto* words = static_cast<const WORD*>(translation);
  std::swprintf(prefix_, std::size(prefix_), L"\\StringFileInfo\\%04x%04x\\", words[0], words[1]);
  return true;
}

const wchar_t* ModuleVersionInfo::Query(const wchar_t* key) const {
  if (block_ == nullptr || key == nullptr) {
    return nullptr;
  }
  std::wstring subBlock = prefix_;
  subBlock += key;
  void* value = nullptr;
  UINT valueChars = 0;
  if (!VerQueryValueW(block_, subBlock.c_str(), &value, &valueChars) || value == nullptr) {
    return nullptr;
  }
  // A value stored without any character (not even its terminator) reads as empty.
  return valueChars == 0 ? L"" : static_cast<const wchar_t*>(value);
}

const wchar_t* ModuleVersionInfo::VersionStamp(const wchar_t* path) {
  stamp_[0] = L'\0';
  if (!Load(path)) {
    return stamp_;
  }
  const wchar_t* productVersion = Query(L"ProductVersion");
  const wchar_t* specialBuild = Query(L"SpecialBuild");
  FormatVersionStamp(productVersion != nullptr ? productVersion : L"",
                     specialBuild != nullptr ? specialBuild : L"", stamp_, std::size(stamp_));
  return stamp_;
}

std::wstring StationVersionStamp() {
  ModuleVersionInfo info;
  return info.VersionStamp();
}
