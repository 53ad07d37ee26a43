#include "station/dialogs/AboutPicture.h"

#include <cstring>

#include "station/dialogs/core/BitmapImage.h"

HBITMAP CreatePictureFromImage(const BYTE* image, size_t bytes, SIZE& size) {
  size = SIZE{0, 0};
  BitmapImageLayout layout;
  if (!ReadBitmapImageLayout(image, bytes, layout)) {
    return nullptr;
  }
  BITMAPINFO info{};
  std::memcpy(&info.bmiHeader, image + kBitmapFileHeaderBytes, sizeof(BITMAPINFOHEADER));
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) {
    if (bitmap != nullptr) {
      DeleteObject(bitmap);
    }
    return nullptr;
  }
  // The section keeps the image's row order and its rows are padded the same way.
  auto* target = static_cast<BYTE*>(bits);
  const BYTE* source = image + layout.pixelOffset;
  for (int32_t row = 0; row < layout.height; ++row) {
    std::memcpy(target + row * layout.rowBytes, source + row * layout.rowBytes, layout.rowBytes);
  }
  GdiFlush();
  size = SIZE{layout.width, layout.height};
  return bitmap;
}

HBITMAP LoadAboutPicture(HINSTANCE instance, int id, SIZE& size) {
  size = SIZE{0, 0};
  HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RCDATA
  if (resource == nullptr) {
    return nullptr;
  }
  HGLOBAL loaded = LoadResource(instance, resource);
  DWORD bytes = SizeofResource(instance, resource);
  const void* image = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (image == nullptr) {
    return nullptr;
  }
  return CreatePictureFromImage(static_cast<const BYTE*>(image), bytes, size);
}
