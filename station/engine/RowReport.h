// The record by which a check shows one cell of its row; sent to the main window with
// message kRowReportMessage (SendMessageW, wParam 0, lParam = address of the record).
#pragma once

#include <cstdint>
#include <type_traits>

inline constexpr unsigned kRowReportMessage = 11138;

inline constexpr int32_t kColumnItem = 0;
inline constexpr int32_t kColumnExpected = 1;
inline constexpr int32_t kColumnResult = 2;
inline constexpr int32_t kColumnDetail = 3;

inline constexpr uint32_t kColorPass = 0x008000;      // green
inline constexpr uint32_t kColorFail = 0x0000FF;      // red
inline constexpr uint32_t kColorProgress = 0xFF0000;  // blue

struct RowReport {
  wchar_t itemName[64];
  int32_t column;
  wchar_t text[4096];
  uint32_t color;
};

static_assert(std::is_trivially_copyable_v<RowReport>);
