// Hand-edited configuration values and whatever a careless copy leaves in a settings record:
// the conversions, the loader and the writers must stay inside their buffers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "station/config/CheckItemTable.h"
#include "station/config/ConfigKeys.h"
#include "station/config/ConfigStore.h"
#include "station/config/ProfileText.h"

namespace {

// Every key answers with a slice of the input; texts are cut like the profile functions do.
class InputProfile final : public ProfileReader, public ProfileWriter {
 public:
  InputProfile(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  int32_t ReadInt(const wchar_t*, const wchar_t*, int32_t defaultValue) override {
    std::wstring text = Next();
    return text.empty() ? defaultValue : TextToInt(text.c_str());
  }

  void ReadText(const wchar_t*, const wchar_t*, const wchar_t* defaultText, wchar_t* buffer,
                int32_t capacity) override {
    std::wstring text = Next();
    if (text.empty()) {
      text = defaultText;
    }
    CopyText(text.c_str(), text.size(), buffer, static_cast<size_t>(capacity));
  }

  void WriteText(const wchar_t*, const wchar_t*, const wchar_t* value) override {
    written_ += std::wcslen(value);
  }

 private:
  std::wstring Next() {
    std::wstring text;
    while (position_ < size_ && data_[position_] != '\n') {
      text += static_cast<wchar_t>(data_[position_++]);
    }
    ++position_;
    return text;
  }

  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
  size_t written_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring whole(data, data + size);
  (void)TextToInt(whole.c_str());
  float value = TextToFloat(whole.c_str());
  wchar_t text[64];
  FormatFloat(value, text, 64);
  FormatFloatTwo(value, text, 64);

  InputProfile config(data, size);
  InputProfile tollmark(data, size);
  WindowSettings window{};
  CheckSettings settings{};
  StationList stations;
  ReadConfiguration(config, tollmark, window, settings, stations);
  WriteConfiguration(config, window, settings);

  // A record with arbitrary bytes (no terminators, any floats) must still be shown and saved.
  CheckSettings raw{};
  std::memcpy(&raw, data, size < sizeof raw ? size : sizeof raw);
  wchar_t expected[600];
  for (int i = 0; i < kCheckItemCount; ++i) {
    ExpectedValueText(raw, static_cast<CheckItem>(i), expected, 600);
  }
  WriteConfiguration(config, window, raw);
  return 0;
}
