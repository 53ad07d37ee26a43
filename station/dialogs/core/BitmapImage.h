// The layout of a 24-bit bitmap file image (file header, 40-byte information header, pixel
// rows), checked before a single pixel is copied: a damaged image is refused, never read past
// its end.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr size_t kBitmapFileHeaderBytes = 14;
inline constexpr size_t kBitmapInfoHeaderBytes = 40;
inline constexpr int32_t kBitmapMaxSide = 4096;

struct BitmapImageLayout {
  int32_t width = 0;
  int32_t height = 0;      // rows, always positive
  bool bottomUp = true;    // a positive height in the header: the last row comes first
  size_t pixelOffset = 0;  // from the start of the image
  size_t rowBytes = 0;     // width * 3 rounded up to a multiple of 4
};

// True when `image` is an uncompressed 24-bit bitmap file image whose pixel rows lie inside it.
bool ReadBitmapImageLayout(const uint8_t* image, size_t size, BitmapImageLayout& layout);

// Bytes of one row of 24-bit pixels, rounded up to a multiple of 4.
size_t BitmapRowBytes(int32_t width);
