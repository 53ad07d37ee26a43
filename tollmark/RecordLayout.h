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

inline constexpr RecordLayout kKv09Layout{RecordVersion::kKv09,
                                          "KV09",
                                          0x4B563039u,
                                          256,
                                          15,
                                          52,
                                          4,
                                          4,
                                          28,
                                          24,
                                          56,
                                          10,
                                          10,
                                          8,
                                          219,
                                          220,
                                          252,
                                          254,
                                          2,
                                          0,
                                          0};
inline constexpr RecordLayout kKv15Layout{RecordVersion::kKv15,
                                          "KV15",
                                          0x4B563135u,
                                          492,
                                          20,
                                          132,
                                          4,
                                          4,
                                          68,
                                          64,
                                          136,
                                          15,
                                          15,
                                          13,
                                          449,
                                          450,
                                          484,
                                          488,
                                          4,
                                          0,
                                          0};
inline constexpr RecordLayout kKv05Layout{RecordVersion::kKv05,
                                          "KV05",
                                          0x4B563035u,
                                          1752,
                                          12,
                                          5,
                                          1,
                                          8,
                                          168,
                                          24,
                                          216,
                                          128,
                                          16,
                                          14,
                                          0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          24,
                                          40};

// The layout of a version; never null.
const RecordLayout& LayoutOf(RecordVersion version);
// The layout whose magic this is, or null for an unknown magic.
const RecordLayout* LayoutFromMagic(uint32_t magic);
// The layout named by a "MAGIC NUMBER" text ("KV09", "KV15", "KV05" in any ASCII letter case),
// or null when the text names none of them.
const RecordLayout* LayoutFromName(const char* name);
