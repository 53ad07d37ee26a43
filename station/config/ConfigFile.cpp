#include "station/config/ConfigFile.h"

#include <windows.h>

#include "station/config/ConfigStore.h"

namespace {

// One profile file through the wide profile functions. An empty path (one that did not fit)
// reads every default and writes nothing, rather than reaching the Windows folder's files.
class ProfileFile final : public ProfileReader, public ProfileWriter {
 public:
  explicit ProfileFile(const wchar_t* path) : path_(path) {}

  int32_t ReadInt(const wchar_t* section, const wchar_t* key, int32_t defaultValue) override {
    if (path_[0] == L'\0') {
      return defaultValue;
    }
    return static_cast<int32_t>(GetPrivateProfileIntW(section, key, defaultValue, path_));
  }

  void ReadText(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText,
                wchar_t* buffer, int32_t capacity) override {
    if (capacity <= 0) {
      return;
    }
    if (path_[0] == L'\0') {
      lstrcpynW(buffer, defaultText, capacity);
      return;
    }
    GetPrivateProfileStringW(section, key, defaultText, buffer, static_cast<DWORD>(capacity),
                             path_);
    buffer[capacity - 1] = L'\0';
  }

  void WriteText(const wchar_t* section, const wchar_t* key, const wchar_t* value) override {
    if (path_[0] == L'\0' || !WritePrivateProfileStringW(section, key, value, path_)) {
      writeFailed_ = true;
    }
  }

  bool WriteFailed() const { return writeFailed_; }

 private:
  const wchar_t* path_;
  bool writeFailed_ = false;
};

}  // namespace

bool FormConfigPaths(ConfigPaths& paths) {
  wchar_t module[kPathChars + 1] = {};
  DWORD length = GetModuleFileNameW(nullptr, module, kPathChars);
  if (length == 0 || length >= static_cast<DWORD>(kPathChars)) {
    // Failed, or cut short: no file of the station is where a cut path points.
    paths = ConfigPaths{};
    return false;
  }
  return FormConfigPathsFromModule(module, paths);
}

void LoadConfiguration(ConfigPaths& paths, WindowSettings& window, CheckSettings& settings,
                       StationList& stations) {
  FormConfigPaths(paths);
  LoadConfigurationFrom(paths, window, settings, stations);
}

void LoadConfigurationFrom(const ConfigPaths& paths, WindowSettings& window,
                           CheckSettings& settings, StationList& stations) {
  ProfileFile config(paths.configPath);
  ProfileFile tollmark(paths.tollmarkPath);
  ReadConfiguration(config, tollmark, window, settings, stations);
}

bool SaveConfiguration(const ConfigPaths& paths, const WindowSettings& window,
                       const CheckSettings& settings) {
  ProfileFile config(paths.configPath);
  WriteConfiguration(config, window, settings);
  return !config.WriteFailed();
}

int32_t ReadOpenAccount(const ConfigPaths& paths) {
  return ReadConfigInt(paths, L"CONTROL", L"OpenAccount", 0);
}

int32_t ReadConfigInt(const ConfigPaths& paths, const wchar_t* section, const wchar_t* key,
                      int32_t defaultValue) {
  ProfileFile config(paths.configPath);
  return config.ReadInt(section, key, defaultValue);
}
