// Reads string values of a program's version resource: by default the running executable's
// own, whose product version becomes the version stamp in the main window's title.
//
//   ModuleVersionInfo info;
//   if (info.Load()) { const wchar_t* name = info.Query(L"ProductName"); ... }
#pragma once

#include <windows.h>

#include <string>

#include "station/dialogs/core/VersionText.h"

class ModuleVersionInfo {
 public:
  ModuleVersionInfo();
  ~ModuleVersionInfo();
  ModuleVersionInfo(const ModuleVersionInfo&) = delete;
  ModuleVersionInfo& operator=(const ModuleVersionInfo&) = delete;

  // Reads the version information of `path`, or of the running executable when null. False
  // when the file has no version resource or no translation table; nothing stays loaded then.
  bool Load(const wchar_t* path = nullptr);

  // The resource's own text of a string value ("ProductVersion", "ProductName",
  // "LegalCopyright", "SpecialBuild"), valid while this object lives and nothing else is
  // loaded; null when nothing is loaded or the value is missing.
  const wchar_t* Query(const wchar_t* key) const;

  // The version stamp of `path` (null: the running executable): "17.0.0001" for a product
  // version of 17,0,0,1; empty when the version information cannot be loaded.
  const wchar_t* VersionStamp(const wchar_t* path = nullptr);

  const wchar_t* prefix() const { return prefix_; }
  const wchar_t* modulePath() const { return modulePath_; }

 private:
  void Unload();

  BYTE* block_ = nullptr;
  wchar_t prefix_[64] = {};  // "\StringFileInfo\%04x%04x\"
  wchar_t modulePath_[MAX_PATH] = {};
  wchar_t stamp_[kVersionStampChars] = {};
};

// The stamp of the running executable, for the main window's title.
std::wstring StationVersionStamp();
