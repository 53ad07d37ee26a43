#include "tollmark/RecordTransfer.h"

#include "tollmark/ErrorTexts.h"

int32_t LearnRecordLayout(int32_t recordVersion, RecordPhone& phone, const RecordLayout*& layout) {
  switch (recordVersion) {
    case 0:
      break;
    case 1:
      layout = &kKv05Layout;
      return kTollmarkPass;
    case 2:
      layout = &kKv09Layout;
      return kTollmarkPass;
    default:
      layout = &kKv15Layout;
      return kTollmarkPass;
  }
  uint8_t magic[4] = {};
  if (phone.ReadFlash(magic, 4) != 0) {
    return kTollmarkMagicReadFailed;
  }
  layout = LayoutFromMagic(MagicFromBytes(magic));
  return layout != nullptr ? kTollmarkPass : kTollmarkBadMagic;
}

// KV05 records travel through the plain flash calls, the others through the fast ones.
int32_t ReadRecord(RecordPhone& phone, StationRecord& record) {
  record.Clear();
  const int32_t result = record.HasMasks() ? phone.FastRead(record.Bytes(), record.Size())
                                           : phone.ReadFlash(record.Bytes(), record.Size());
  if (result != 0) {
    return kTollmarkReadFailed;
  }
  return record.CountInRange() ? kTollmarkPass : kTollmarkBadRecord;
}

int32_t WriteRecord(RecordPhone& phone, const StationRecord& record) {
  const int32_t result = record.HasMasks() ? phone.FastWrite(record.Bytes(), record.Size())
                                           : phone.WriteFlash(record.Bytes(), record.Size());
  return result == 0 ? kTollmarkPass : kTollmarkWriteFailed;
}
