#include "station/dialogs/core/AboutLayout.h"

#include "station/dialogs/core/VersionText.h"

AboutFontSpec AboutFontOf(AboutFont font) {
  if (font == AboutFont::kProductName) {
    return {30, 700, L"MS sans serif"};
  }
  return {12, 400, L"MS sans serif"};
}

int32_t AboutExtraHeight(const AboutTexts& texts) {
  return texts.extraLine.empty() ? 0 : kAboutExtraLineHeight;
}

AboutSize AboutWindowSize(int32_t pictureWidth, int32_t pictureHeight, const AboutTexts& texts) {
  // Without its picture the box keeps the picture's width, so that its texts still fit and a
  // click can close it.
  if (pictureWidth <= 0 || pictureHeight <= 0) {
    pictureWidth = kAboutPictureWidth;
    pictureHeight = 0;
  }
  return {pictureWidth, pictureHeight + AboutExtraHeight(texts) + kAboutTextAreaHeight};
}

int32_t AboutPictureTop(const AboutTexts& texts) {
  return AboutExtraHeight(texts) + kAboutTextAreaHeight;
}

std::vector<AboutTextItem> LayOutAboutTexts(const AboutTexts& texts) {
  int32_t extra = AboutExtraHeight(texts);
  std::vector<AboutTextItem> items;
  if (!texts.productName.empty()) {
    items.push_back({70, 20, AboutFont::kProductName, kAboutNameColour, texts.productName});
  }
  if (!texts.extraLine.empty()) {
    items.push_back(
        {75, 60, AboutFont::kText, kAboutTextColour, L"MS Version:  " + texts.extraLine});
  }
  items.push_back({75, extra + 60, AboutFont::kText, kAboutTextColour,
                   FormatAboutVersionLine(texts.versionHead, texts.buildText, texts.specialBuild)});
  items.push_back({75, extra + 80, AboutFont::kText, kAboutTextColour, texts.legalNotice});
  return items;
}
