#include <cstdio>

#include "station/config/CheckItemTable.h"
#include "station/config/ProfileText.h"

size_t ExpectedValueText(const CheckSettings& settings, CheckItem item, wchar_t* out,
                         size_t capacity) {
  const CheckItemInfo& info = ItemInfo(item);
  char text[160];  // room for two limits at the float range
  switch (info.form) {
    case ExpectedForm::Field: {
      std::span<const wchar_t> field = info.text(settings);
      return CopyText(field.data(), field.size(), out, capacity);
    }
    case ExpectedForm::Dashes:
      return WidenAscii("---", out, capacity);
    case ExpectedForm::One:
      return WidenAscii("1", out, capacity);
    case ExpectedForm::Limits:
      std::snprintf(text, sizeof text, "Lo Lim:%d Hi Lim: %d%s", settings.*info.low,
                    settings.*info.high, info.unit);
      return WidenAscii(text, out, capacity);
    case ExpectedForm::FloatLimits:
      std::snprintf(text, sizeof text, "Lo Lim:%.2f Hi Lim: %.2f%s",
                    static_cast<double>(settings.*info.lowFloat),
                    static_cast<double>(settings.*info.highFloat), info.unit);
      return WidenAscii(text, out, capacity);
    case ExpectedForm::Number:
      std::snprintf(text, sizeof text, "%d", settings.*info.low);
      return WidenAscii(text, out, capacity);
  }
  return WidenAscii("", out, capacity);
}
