// One station record in memory: the bytes as they sit in the phone's flash, read and changed
// through the layout of their version. Bytes the layout does not name are never touched.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "tollmark/RecordLayout.h"

enum class StationStatus { kPassed, kNotPassed, kNotTested };

class StationRecord {
 public:
  explicit StationRecord(const RecordLayout& layout) : layout_(&layout) {}

  const RecordLayout& Layout() const { return *layout_; }
  int32_t Size() const { return layout_->size; }
  uint8_t* Bytes() { return bytes_.data(); }
  const uint8_t* Bytes() const { return bytes_.data(); }
  // Zeroes every byte (all of the buffer, not only the record).
  void Clear() { bytes_.fill(0); }

  uint32_t Magic() const;
  void WriteMagic();
  int32_t StationCount() const;
  void SetStationCount(int32_t count);
  // A record read from a phone is usable when its count is 0..maxStations.
  bool CountInRange() const;
  bool HasMasks() const { return layout_->maskBytes != 0; }

  uint8_t StateFlag() const;
  void SetStateFlag(uint8_t flag);
  uint32_t UntestedMask() const;
  void SetUntestedMask(uint32_t mask);
  uint32_t ResultMask() const;
  void SetResultMask(uint32_t mask);

  // Text fields, measured inside their width.
  std::string Text1() const;
  std::string Text2() const;
  std::string LastMessage() const;
  std::string StationName(int32_t index) const;
  std::string EntryResult(int32_t index) const;   // KV05
  std::string EntryMessage(int32_t index) const;  // KV05
  void SetText1(const char* text);
  void SetText2(const char* text);
  void SetLastMessage(const char* text);
  // Stores a name cut to the version's limit for names read from Tollmark.ini.
  void SetStationName(int32_t index, const char* name);

  // Index of the first slot below the count whose name matches, or -1.
  int32_t FindStation(const char* name) const;
  StationStatus Status(int32_t index) const;
  // A station's own result after its test (outcome true = pass); message may be null.
  void RecordResult(int32_t index, bool passed, const char* message);
  // Marks a station passed while a fresh record is built.
  void MarkPassedWhenBuilt(int32_t index);
  // Clears the station's not-yet-tested bit in pass-value-0 mode; true when a bit changed.
  bool EnterStation(int32_t index);

 private:
  uint8_t* At(size_t offset) { return bytes_.data() + offset; }
  const uint8_t* At(size_t offset) const { return bytes_.data() + offset; }
  const uint8_t* NameSlot(int32_t index) const;
  uint8_t* Entry(int32_t index);
  const uint8_t* Entry(int32_t index) const;
  bool PassValueZeroMode() const { return StateFlag() == 1; }
  // Clearing a result bit in KV09 also clears bit 15.
  void ClearResultBit(uint32_t bit);

  const RecordLayout* layout_;
  std::array<uint8_t, kMaxRecordSize> bytes_{};
};
