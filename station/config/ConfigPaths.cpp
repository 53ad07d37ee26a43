#include "station/config/ConfigPaths.h"

#include <cwchar>

namespace {

size_t BoundedLength(const wchar_t* text) {
  size_t n = 0;
  while (n < static_cast<size_t>(kPathChars) && text[n] != L'\0') {
    ++n;
  }
  return n;
}

// Appends `text` to `out` (holding `length` characters); false when it does not fit.
bool Append(wchar_t* out, size_t& length, const wchar_t* text) {
  size_t add = std::wcslen(text);
  if (length + add + 1 > static_cast<size_t>(kPathChars)) {
    return false;
  }
  std::wmemcpy(out + length, text, add);
  length += add;
  out[length] = L'\0';
  return true;
}

}  // namespace

bool FormConfigPathsFromFile(const wchar_t* configPath, ConfigPaths& paths) {
  paths = ConfigPaths{};
  if (configPath == nullptr) {
    return false;
  }
  size_t length = BoundedLength(configPath);
  if (length >= static_cast<size_t>(kPathChars)) {
    return false;
  }
  std::wmemcpy(paths.configPath, configPath, length);

  size_t directory = 0;
  for (size_t i = 0; i < length; ++i) {
    if (configPath[i] == L'\\') {
      directory = i;
    }
  }
  std::wmemcpy(paths.stationDirectory, configPath, directory);

  size_t tollmark = directory;
  std::wmemcpy(paths.tollmarkPath, configPath, directory);
  if (!Append(paths.tollmarkPath, tollmark, L"\\Tollmark.ini")) {
    paths.tollmarkPath[0] = L'\0';
    return false;
  }
  return true;
}

bool FormConfigPathsFromModule(const wchar_t* modulePath, ConfigPaths& paths) {
  paths = ConfigPaths{};
  if (modulePath == nullptr) {
    return false;
  }
  size_t length = BoundedLength(modulePath);
  if (length >= static_cast<size_t>(kPathChars)) {
    return false;
  }
  wchar_t config[kPathChars] = {};
  std::wmemcpy(config, modulePath, length);
  size_t dot = length;
  for (size_t i = 0; i < length; ++i) {
    if (modulePath[i] == L'.') {
      dot = i;
    }
  }
  // A name without any "." gets the extension appended.
  size_t kept = dot < length ? dot + 1 : length;
  config[kept] = L'\0';
  if (!Append(config, kept, dot < length ? L"ini" : L".ini")) {
    return false;
  }
  return FormConfigPathsFromFile(config, paths);
}
