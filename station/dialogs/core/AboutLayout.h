// What the about box draws and where: platform-neutral, so that the painting code only loops
// over the items and tests can check every text, place, font and colour.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The texts of the about box, as taken from the version resource.
struct AboutTexts {
  std::wstring versionHead;  // the product version without its last component
  std::wstring buildText;    // the last component, "%02d"
  std::wstring legalNotice;
  std::wstring productName;
  std::wstring specialBuild;  // trimmed
  std::wstring extraLine;     // optional line above the version; adds kAboutExtraLineHeight
};

inline constexpr int32_t kAboutExtraLineHeight = 20;
inline constexpr int32_t kAboutTextAreaHeight = 100;      // above the picture
inline constexpr int32_t kAboutPictureWidth = 380;        // of the embedded picture
inline constexpr uint32_t kAboutBackground = 0x00E8E8E8;  // RGB(232, 232, 232)
inline constexpr uint32_t kAboutNameColour = 0x00A56E3A;  // RGB(58, 110, 165)
inline constexpr uint32_t kAboutTextColour = 0x00505050;  // RGB(80, 80, 80)
inline constexpr int32_t kAboutIconX = 20;
inline constexpr int32_t kAboutIconY = 35;

enum class AboutFont {
  kProductName,  // height 30, weight 700
  kText,         // height 12, weight 400
};

struct AboutFontSpec {
  int32_t height;
  int32_t weight;
  const wchar_t* face;
};

AboutFontSpec AboutFontOf(AboutFont font);

struct AboutTextItem {
  int32_t x = 0;
  int32_t y = 0;
  AboutFont font = AboutFont::kText;
  uint32_t colour = 0;  // 0x00BBGGRR
  std::wstring text;
};

// 20 when an extra line is given, else 0.
int32_t AboutExtraHeight(const AboutTexts& texts);

// The window: the picture's width, and its height plus the extra height plus the text area; the
// text area alone, 380 pixels wide, when the picture is missing.
struct AboutSize {
  int32_t width;
  int32_t height;
};
AboutSize AboutWindowSize(int32_t pictureWidth, int32_t pictureHeight, const AboutTexts& texts);

// Where the picture's top left corner goes.
int32_t AboutPictureTop(const AboutTexts& texts);

// The texts in drawing order: product name (when not empty), extra line (when given), version
// line, legal notice.
std::vector<AboutTextItem> LayOutAboutTexts(const AboutTexts& texts);
