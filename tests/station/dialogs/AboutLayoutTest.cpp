// What the about box draws: size, places, fonts and colours of every text, with and without
// the extra line, and the checks on the embedded picture before it is copied.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "station/dialogs/core/AboutLayout.h"
#include "station/dialogs/core/BitmapImage.h"

namespace {

TEST(AboutLayout, PlacesFontsAndColoursWithAndWithoutExtraLine) {
  AboutTexts texts;
  texts.versionHead = L"1.0.0";
  texts.buildText = L"01";
  texts.legalNotice = L"Copyright (C) 2026";
  texts.productName = L"Varnex";
  EXPECT_EQ(AboutWindowSize(380, 110, texts).width, 380);
  EXPECT_EQ(AboutWindowSize(380, 110, texts).height, 210);
  // A missing picture (0 x 0) still leaves a box the texts fit in and a click can reach.
  EXPECT_EQ(AboutWindowSize(0, 0, texts).width, 380);
  EXPECT_EQ(AboutWindowSize(0, 0, texts).height, 100);
  EXPECT_EQ(AboutPictureTop(texts), 100);
  std::vector<AboutTextItem> items = LayOutAboutTexts(texts);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].text, L"Varnex");
  EXPECT_EQ(items[0].x, 70);
  EXPECT_EQ(items[0].y, 20);
  EXPECT_EQ(items[0].colour, 0x00A56E3Au);
  AboutFontSpec name = AboutFontOf(items[0].font);
  EXPECT_EQ(name.height, 30);
  EXPECT_EQ(name.weight, 700);
  EXPECT_STREQ(name.face, L"MS sans serif");
  for (size_t i = 1; i < items.size(); ++i) {
    EXPECT_EQ(items[i].x, 75);
    EXPECT_EQ(items[i].colour, 0x00505050u);
    AboutFontSpec text = AboutFontOf(items[i].font);
    EXPECT_EQ(text.height, 12);
    EXPECT_EQ(text.weight, 400);
    EXPECT_STREQ(text.face, L"MS sans serif");
  }
  EXPECT_EQ(items[1].text, L"Version:        1.0.001");
  EXPECT_EQ(items[2].y, 80);

  // The extra line takes the version's place; everything below moves down by 20.
  texts.extraLine = L"W21.3";
  texts.specialBuild = L"7";
  texts.productName.clear();
  EXPECT_EQ(AboutWindowSize(380, 110, texts).height, 230);
  EXPECT_EQ(AboutPictureTop(texts), 120);
  items = LayOutAboutTexts(texts);
  ASSERT_EQ(items.size(), 3u);  // no product name
  EXPECT_EQ(items[0].text, L"MS Version:  W21.3");
  EXPECT_EQ(items[0].y, 60);
  EXPECT_EQ(items[1].text, L"Version:        1.0.001_P7");
  EXPECT_EQ(items[1].y, 80);
  EXPECT_EQ(items[2].y, 100);
}

// A bitmap file image as the about box embeds it.
std::vector<uint8_t> Image(int32_t width, int32_t height, uint16_t bits = 24,
                           uint32_t infoSize = 40, uint32_t offset = 54) {
  size_t rows = static_cast<size_t>(height < 0 ? -height : height);
  size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  std::vector<uint8_t> image(54 + rowBytes * rows, 0);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(image.data() + at, &v, 4); };
  auto put16 = [&](size_t at, uint16_t v) { std::memcpy(image.data() + at, &v, 2); };
  image[0] = 'B';
  image[1] = 'M';
  put32(2, static_cast<uint32_t>(image.size()));
  put32(10, offset);
  put32(14, infoSize);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  put16(26, 1);
  put16(28, bits);
  return image;
}

TEST(AboutPicture, GoodImageRowsArePaddedToFourBytes) {
  std::vector<uint8_t> image = Image(380, 110);
  BitmapImageLayout layout;
  ASSERT_TRUE(ReadBitmapImageLayout(image.data(), image.size(), layout));
  EXPECT_EQ(layout.width, 380);
  EXPECT_EQ(layout.height, 110);
  EXPECT_TRUE(layout.bottomUp);
  EXPECT_EQ(layout.pixelOffset, 54u);
  EXPECT_EQ(layout.rowBytes, 1140u);

  std::vector<uint8_t> odd = Image(5, -3);
  ASSERT_TRUE(ReadBitmapImageLayout(odd.data(), odd.size(), layout));
  EXPECT_EQ(layout.rowBytes, 16u);  // 15 bytes of pixels and one of padding
  EXPECT_EQ(layout.height, 3);
  EXPECT_FALSE(layout.bottomUp);
}

TEST(AboutPicture, DamagedImagesAreRefused) {
  BitmapImageLayout layout;
  std::vector<uint8_t> image = Image(380, 110);
  EXPECT_FALSE(ReadBitmapImageLayout(image.data(), image.size() - 1, layout));  // cut short
  EXPECT_EQ(layout.width, 0);
  EXPECT_FALSE(ReadBitmapImageLayout(image.data(), 53, layout));
  EXPECT_FALSE(ReadBitmapImageLayout(nullptr, 0, layout));

  std::vector<uint8_t> notBitmap = image;
  notBitmap[0] = 'X';
  EXPECT_FALSE(ReadBitmapImageLayout(notBitmap.data(), notBitmap.size(), layout));

  std::vector<uint8_t> eightBits = Image(380, 110, 8);
  EXPECT_FALSE(ReadBitmapImageLayout(eightBits.data(), eightBits.size(), layout));
  std::vector<uint8_t> coreHeader = Image(380, 110, 24, 12);
  EXPECT_FALSE(ReadBitmapImageLayout(coreHeader.data(), coreHeader.size(), layout));
  std::vector<uint8_t> offsetInHeader = Image(380, 110, 24, 40, 20);
  EXPECT_FALSE(ReadBitmapImageLayout(offsetInHeader.data(), offsetInHeader.size(), layout));
  std::vector<uint8_t> offsetPastEnd = Image(380, 110, 24, 40, 0xFFFFFFF0u);
  EXPECT_FALSE(ReadBitmapImageLayout(offsetPastEnd.data(), offsetPastEnd.size(), layout));

  // Sizes that would overflow the row arithmetic or claim more rows than the data holds.
  std::vector<uint8_t> huge = Image(1, 1);
  std::memset(huge.data() + 18, 0xFF, 4);  // width -1
  EXPECT_FALSE(ReadBitmapImageLayout(huge.data(), huge.size(), layout));
  uint32_t minHeight = 0x80000000u;
  std::memcpy(huge.data() + 18, "\x01\0\0\0", 4);
  std::memcpy(huge.data() + 22, &minHeight, 4);
  EXPECT_FALSE(ReadBitmapImageLayout(huge.data(), huge.size(), layout));
  uint32_t tall = 4000;
  std::memcpy(huge.data() + 22, &tall, 4);
  EXPECT_FALSE(ReadBitmapImageLayout(huge.data(), huge.size(), layout));
}

TEST(AboutPicture, RowsArePaddedToFourBytesForEveryWidth) {
  const size_t rowBytes[] = {0, 4, 8, 12, 12, 16, 20, 24, 24};
  for (int32_t width = 0; width <= 8; ++width) {
    EXPECT_EQ(BitmapRowBytes(width), rowBytes[width]) << width;
  }
  EXPECT_EQ(BitmapRowBytes(4096), 12288u);
}

TEST(AboutPicture, SidesAtAndBeyondTheirBound) {
  const int32_t sides[][3] = {// width, height -> accepted
                              {4096, 1, 1},  {4097, 1, 0},  {1, 4096, 1}, {1, 4097, 0},
                              {1, -4096, 1}, {1, -4097, 0}, {0, 1, 0},    {1, 0, 0}};
  for (const auto& side : sides) {
    std::vector<uint8_t> image = Image(side[0] > 0 ? side[0] : 1, side[1] != 0 ? side[1] : 1);
    std::memcpy(image.data() + 18, &side[0], 4);
    std::memcpy(image.data() + 22, &side[1], 4);
    BitmapImageLayout layout;
    EXPECT_EQ(ReadBitmapImageLayout(image.data(), image.size(), layout), side[2] != 0)
        << side[0] << " x " << side[1];
  }
}

}  // namespace
