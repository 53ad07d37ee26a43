// The about box's picture: a bitmap file image embedded in the program, turned into a DIB
// section.
#pragma once

#include <windows.h>

// A DIB section made from the RCDATA resource `id` of `instance`; null when the resource is
// missing or not an uncompressed 24-bit bitmap file image. `size` gets the picture's size.
HBITMAP LoadAboutPicture(HINSTANCE instance, int id, SIZE& size);

// The same from an image in memory.
HBITMAP CreatePictureFromImage(const BYTE* image, size_t bytes, SIZE& size);
