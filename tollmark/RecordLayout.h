// Byte layouts of the three station-record versions kept at the start of a phone's
// product-information flash. Offsets count from the first byte of the record.
#pragma once

#include <cstddef>
#include <cstdint>

enum class RecordVersion : int32_t { kKv09, kKv15, kKv05 };

struct RecordLayout {
  RecordVersion version;
  const char* name;  // "KV09", "KV15", "KV05"
  uint32_t magic;
  int32_t size;
  int32_t maxStations;
  size_t countOffset;
  size_t countBytes;  // 4 (signed) or 1 (unsigned)
  size_t text1Offset;
  size_t text2Offset;
  size_t textWidth;
  size_t namesOffset;
  size_t nameStride;
  size_t nameWidth;  // characters compared when looking a station up
  size_t nameLimit;  // characters taken from Tollmark.ini when a record is built
  // Mask versions only (KV09, KV15).
  size_t stateFlagOffset;
  size_t lastMessageOffset;
  size_t untestedOffset;
  size_t resultOffset;
  size_t maskBytes;
  // Entry version only (KV05): fields inside each station entry.
  size_t entryResultOffset;
  size_t entryMessageOffset;
};

inline constexpr int32_t kMaxRecordSize = 1752;
inline constexpr int32_t kMaxStationsAnyVersion = 20;
inline constexpr size_t kLastMessageWidth = 32;
inline constexpr size_t kEntryResultWidth = 16;
inline constexpr size_t kEntryMessageWidth = 32;

inline constexpr RecordLayout kKv09Layout{.version = RecordVersion::kKv09,
                                          .name = "KV09",
                                          .magic = 0x4B563039u,
                                          .size = 256,
                                          .maxStations = 15,
                                          .countOffset = 52,
                                          .countBytes = 4,
                                          .text1Offset = 4,
                                          .text2Offset = 28,
                                          .textWidth = 24,
                                          .namesOffset = 56,
                                          .nameStride = 10,
                                          .nameWidth = 10,
                                          .nameLimit = 8,
                                          .stateFlagOffset = 219,
                                          .lastMessageOffset = 220,
                                          .untestedOffset = 252,
                                          .resultOffset = 254,
                                          .maskBytes = 2,
                                          .entryResultOffset = 0,
                                          .entryMessageOffset = 0};
inline constexpr RecordLayout kKv15Layout{.version = RecordVersion::kKv15,
                                          .name = "KV15",
                                          .magic = 0x4B563135u,
                                          .size = 492,
                                          .maxStations = 20,
                                          .countOffset = 132,
                                          .countBytes = 4,
                                          .text1Offset = 4,
                                          .text2Offset = 68,
                                          .textWidth = 64,
                                          .namesOffset = 136,
                                          .nameStride = 15,
                                          .nameWidth = 15,
                                          .nameLimit = 13,
                                          .stateFlagOffset = 449,
                                          .lastMessageOffset = 450,
                                          .untestedOffset = 484,
                                          .resultOffset = 488,
                                          .maskBytes = 4,
                                          .entryResultOffset = 0,
                                          .entryMessageOffset = 0};
// KV05 keeps one 128-byte entry per station (name, result text, message) instead of masks.
inline constexpr RecordLayout kKv05Layout{.version = RecordVersion::kKv05,
                                          .name = "KV05",
                                          .magic = 0x4B563035u,
                                          .size = 1752,
                                          .maxStations = 12,
                                          .countOffset = 5,
                                          .countBytes = 1,
                                          .text1Offset = 8,
                                          .text2Offset = 168,
                                          .textWidth = 24,
                                          .namesOffset = 216,
                                          .nameStride = 128,
                                          .nameWidth = 16,
                                          .nameLimit = 14,
                                          .stateFlagOffset = 0,
                                          .lastMessageOffset = 0,
                                          .untestedOffset = 0,
                                          .resultOffset = 0,
                                          .maskBytes = 0,
                                          .entryResultOffset = 24,
                                          .entryMessageOffset = 40};

// The layout of a version; never null.
const RecordLayout& LayoutOf(RecordVersion version);
// The magic as stored: the first four bytes of the record, little-endian.
uint32_t MagicFromBytes(const uint8_t* bytes);
// The layout whose magic this is, or null for an unknown magic.
const RecordLayout* LayoutFromMagic(uint32_t magic);
// The layout named by a "MAGIC NUMBER" text ("KV09", "KV15", "KV05" in any ASCII letter case),
// or null when the text names none of them.
const RecordLayout* LayoutFromName(const char* name);
