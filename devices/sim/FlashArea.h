// The phone's product-information flash: a fixed area kept in a file, so what one process
// writes the next one reads. The file is read at every read and written at every write.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace sim {

inline constexpr int32_t kFlashSize = 4096;
using FlashBytes = std::array<uint8_t, kFlashSize>;

// True when [offset, offset + count) lies inside the area.
bool FlashRangeValid(int32_t count, int32_t offset);

// A missing file reads as all zero; a short one is zero-filled. False on a read error.
bool LoadFlash(const std::wstring& path, FlashBytes& area);
bool SaveFlash(const std::wstring& path, const FlashBytes& area);

// Copy `count` bytes at `offset` out of / into the area in the file. 0 or a SimResults code.
int32_t ReadFlashBytes(const std::wstring& path, void* buffer, int32_t count, int32_t offset);
int32_t WriteFlashBytes(const std::wstring& path, const void* buffer, int32_t count,
                        int32_t offset);

}  // namespace sim
