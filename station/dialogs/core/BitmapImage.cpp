#include "station/dialogs/core/BitmapImage.h"

namespace {

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint16_t ReadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

size_t BitmapRowBytes(int32_t width) {
  return (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
}

bool ReadBitmapImageLayout(const uint8_t* image, size_t size, BitmapImageLayout& layout) {
  layout = BitmapImageLayout{};
  if (image == nullptr || size < kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes) {
    return false;
  }
  if (image[0] != 'B' || image[1] != 'M') {
    return false;
  }
  const uint8_t* info = image + kBitmapFileHeaderBytes;
  if (ReadU32(info) != kBitmapInfoHeaderBytes) {
    return false;
  }
  auto width = static_cast<int32_t>(ReadU32(info + 4));
  auto height = static_cast<int32_t>(ReadU32(info + 8));
  uint16_t planes = ReadU16(info + 12);
  uint16_t bits = ReadU16(info + 14);
  uint32_t compression = ReadU32(info + 16);
  if (planes != 1 || bits != 24 || compression != 0) {
    return false;
  }
  // Compared without negating, so the smallest 32-bit height cannot overflow.
  if (width <= 0 || width > kBitmapMaxSide || height == 0 || height > kBitmapMaxSide ||
      height < -kBitmapMaxSide) {
    return false;
  }
  size_t pixelOffset = ReadU32(image + 10);
  size_t rows = static_cast<size_t>(height > 0 ? height : -height);
  size_t rowBytes = BitmapRowBytes(width);
  if (pixelOffset < kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes || pixelOffset > size ||
      rowBytes * rows > size - pixelOffset) {
    return false;
  }
  layout.width = width;
  layout.height = static_cast<int32_t>(rows);
  layout.bottomUp = height > 0;
  layout.pixelOffset = pixelOffset;
  layout.rowBytes = rowBytes;
  return true;
}
