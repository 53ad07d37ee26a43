#include "tollmark/StationRecord.h"

#include <cstring>

#include "tollmark/TextFields.h"

namespace {

uint32_t ReadLittle(const uint8_t* p, size_t bytes) {
  uint32_t value = 0;
  for (size_t i = bytes; i > 0; --i) {
    value = (value << 8) | p[i - 1];
  }
  return value;
}

void WriteLittle(uint8_t* p, size_t bytes, uint32_t value) {
  for (size_t i = 0; i < bytes; ++i) {
    p[i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

std::string FieldText(const uint8_t* field, size_t width) {
  const char* text = reinterpret_cast<const char*>(field);
  return std::string(text, BoundedLength(text, width));
}

constexpr char kPass[] = "PASS";
constexpr char kFail[] = "FAIL";

}  // namespace

uint32_t StationRecord::Magic() const {
  return ReadLittle(At(0), 4);
}

void StationRecord::WriteMagic() {
  WriteLittle(At(0), 4, layout_->magic);
}

int32_t StationRecord::StationCount() const {
  // KV05 keeps an unsigned byte, the others a signed 32-bit number.
  return static_cast<int32_t>(ReadLittle(At(layout_->countOffset), layout_->countBytes));
}

void StationRecord::SetStationCount(int32_t count) {
  WriteLittle(At(layout_->countOffset), layout_->countBytes, static_cast<uint32_t>(count));
}

bool StationRecord::CountInRange() const {
  const int32_t count = StationCount();
  return count >= 0 && count <= layout_->maxStations;
}

uint8_t StationRecord::StateFlag() const {
  return HasMasks() ? *At(layout_->stateFlagOffset) : 0;
}

void StationRecord::SetStateFlag(uint8_t flag) {
  if (HasMasks()) {
    *At(layout_->stateFlagOffset) = flag;
  }
}

uint32_t StationRecord::UntestedMask() const {
  return HasMasks() ? ReadLittle(At(layout_->untestedOffset), layout_->maskBytes) : 0;
}

void StationRecord::SetUntestedMask(uint32_t mask) {
  if (HasMasks()) {
    WriteLittle(At(layout_->untestedOffset), layout_->maskBytes, mask);
  }
}

uint32_t StationRecord::ResultMask() const {
  return HasMasks() ? ReadLittle(At(layout_->resultOffset), layout_->maskBytes) : 0;
}

void StationRecord::SetResultMask(uint32_t mask) {
  if (HasMasks()) {
    WriteLittle(At(layout_->resultOffset), layout_->maskBytes, mask);
  }
}

std::string StationRecord::Text1() const {
  return FieldText(At(layout_->text1Offset), layout_->textWidth);
}

std::string StationRecord::Text2() const {
  return FieldText(At(layout_->text2Offset), layout_->textWidth);
}

std::string StationRecord::LastMessage() const {
  return HasMasks() ? FieldText(At(layout_->lastMessageOffset), kLastMessageWidth) : std::string();
}

std::string StationRecord::StationName(int32_t index) const {
  const uint8_t* slot = NameSlot(index);
  return slot ? FieldText(slot, layout_->nameWidth) : std::string();
}

std::string StationRecord::EntryResult(int32_t index) const {
  const uint8_t* entry = Entry(index);
  return entry ? FieldText(entry + layout_->entryResultOffset, kEntryResultWidth) : std::string();
}

std::string StationRecord::EntryMessage(int32_t index) const {
  const uint8_t* entry = Entry(index);
  return entry ? FieldText(entry + layout_->entryMessageOffset, kEntryMessageWidth) : std::string();
}

void StationRecord::SetText1(const char* text) {
  FillField(At(layout_->text1Offset), layout_->textWidth, text);
}

void StationRecord::SetText2(const char* text) {
  FillField(At(layout_->text2Offset), layout_->textWidth, text);
}

void StationRecord::SetLastMessage(const char* text) {
  if (HasMasks()) {
    FillField(At(layout_->lastMessageOffset), kLastMessageWidth, text);
  }
}

void StationRecord::SetStationName(int32_t index, const char* name) {
  if (index < 0 || index >= layout_->maxStations) {
    return;
  }
  uint8_t* slot = At(layout_->namesOffset + layout_->nameStride * static_cast<size_t>(index));
  std::memset(slot, 0, layout_->nameWidth);
  CopyCut(slot, layout_->nameLimit, name);
}

const uint8_t* StationRecord::NameSlot(int32_t index) const {
  if (index < 0 || index >= layout_->maxStations) {
    return nullptr;
  }
  return At(layout_->namesOffset + layout_->nameStride * static_cast<size_t>(index));
}

uint8_t* StationRecord::Entry(int32_t index) {
  return const_cast<uint8_t*>(static_cast<const StationRecord*>(this)->Entry(index));
}

const uint8_t* StationRecord::Entry(int32_t index) const {
  // In KV05 the name is the first field of the entry, so the entry starts at the name slot.
  return HasMasks() ? nullptr : NameSlot(index);
}

int32_t StationRecord::FindStation(const char* name) const {
  const int32_t count = StationCount();
  for (int32_t i = 0; i < count && i < layout_->maxStations; ++i) {
    if (NameMatches(NameSlot(i), layout_->nameWidth, name)) {
      return i;
    }
  }
  return -1;
}

StationStatus StationRecord::Status(int32_t index) const {
  if (index < 0 || index >= layout_->maxStations) {
    return StationStatus::kNotTested;
  }
  if (!HasMasks()) {
    const uint8_t* entry = Entry(index);
    if (entry == nullptr) {
      return StationStatus::kNotTested;
    }
    const uint8_t* result = entry + layout_->entryResultOffset;
    if (std::memcmp(result, kPass, 5) == 0) {
      return StationStatus::kPassed;
    }
    if (std::memcmp(result, kFail, 5) == 0) {
      return StationStatus::kNotPassed;
    }
    return StationStatus::kNotTested;
  }
  const uint32_t bit = 1u << index;
  if (PassValueZeroMode()) {
    if (UntestedMask() & bit) {
      return StationStatus::kNotTested;
    }
    return (ResultMask() & bit) ? StationStatus::kNotPassed : StationStatus::kPassed;
  }
  return (ResultMask() & bit) ? StationStatus::kPassed : StationStatus::kNotPassed;
}

void StationRecord::ClearResultBit(uint32_t bit) {
  uint32_t mask = ResultMask() & ~bit;
  if (layout_->version == RecordVersion::kKv09) {
    mask &= 0x7FFFu;
  }
  SetResultMask(mask);
}

void StationRecord::RecordResult(int32_t index, bool passed, const char* message) {
  if (index < 0 || index >= layout_->maxStations) {
    return;
  }
  if (!HasMasks()) {
    uint8_t* entry = Entry(index);
    uint8_t* result = entry + layout_->entryResultOffset;
    uint8_t* messageField = entry + layout_->entryMessageOffset;
    std::memset(result, 0, kEntryResultWidth);
    std::memcpy(result, passed ? kPass : kFail, 4);
    if (passed) {
      std::memcpy(messageField, kPass, 5);  // the bytes after the NUL stay as they were
    } else if (message != nullptr) {
      FillField(messageField, kEntryMessageWidth, message);
    }
    return;
  }
  const uint32_t bit = 1u << index;
  if (PassValueZeroMode()) {
    SetUntestedMask(UntestedMask() & ~bit);
    if (passed) {
      ClearResultBit(bit);
    } else {
      SetResultMask(ResultMask() | bit);
    }
  } else if (passed) {
    SetResultMask(ResultMask() | bit);
  } else {
    ClearResultBit(bit);
  }
  if (message != nullptr) {
    SetLastMessage(message);
  }
}

void StationRecord::MarkPassedWhenBuilt(int32_t index) {
  if (index < 0 || index >= layout_->maxStations) {
    return;
  }
  if (!HasMasks()) {
    std::memcpy(Entry(index) + layout_->entryResultOffset, kPass, 4);
    return;
  }
  const uint32_t bit = 1u << index;
  if (PassValueZeroMode()) {
    SetUntestedMask(UntestedMask() & ~bit);
    ClearResultBit(bit);
  } else {
    SetResultMask(ResultMask() | bit);
  }
}

bool StationRecord::EnterStation(int32_t index) {
  if (!HasMasks() || index < 0 || index >= layout_->maxStations || !PassValueZeroMode()) {
    return false;
  }
  const uint32_t bit = 1u << index;
  if ((UntestedMask() & bit) == 0) {
    return false;
  }
  SetUntestedMask(UntestedMask() & ~bit);
  return true;
}
