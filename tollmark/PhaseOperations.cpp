#include "tollmark/PhaseOperations.h"

#include <cstring>

#include "tollmark/ErrorTexts.h"
#include "tollmark/RecordTransfer.h"
#include "tollmark/StationRecord.h"
#include "tollmark/TextFields.h"

namespace {

void Begin(KVPH_OBJECT_T& object) {
  object.errorCode = kTollmarkPass;
  object.errorText[0] = '\0';
}

int32_t Finish(KVPH_OBJECT_T& object, int32_t code) {
  object.errorCode = code;
  return code;
}

// A failure about a given name keeps the name (cut to 30 characters) for the message.
int32_t FailNaming(KVPH_OBJECT_T& object, int32_t code, const char* station) {
  std::memset(object.errorStation, 0, sizeof(object.errorStation));
  if (station != nullptr) {
    std::memcpy(object.errorStation, station, BoundedLength(station, kErrorStationChars));
  }
  return Finish(object, code);
}

bool LongerThan(const char* name, size_t width) {
  return BoundedLength(name, width + 1) > width;
}

int32_t StatusCode(StationStatus status) {
  switch (status) {
    case StationStatus::kPassed:
      return kTollmarkPass;
    case StationStatus::kNotPassed:
      return kTollmarkNotPassed;
    case StationStatus::kNotTested:
      break;
  }
  return kTollmarkNotTested;
}

// The answer of a check: the required station's status in the record as read.
int32_t JudgeRequired(KVPH_OBJECT_T& object, const StationRecord& record, const char* required) {
  const int32_t index = record.FindStation(required);
  if (index < 0) {
    return FailNaming(object, kTollmarkNoSuchStation, required);
  }
  const int32_t code = StatusCode(record.Status(index));
  return code == kTollmarkPass ? Finish(object, code) : FailNaming(object, code, required);
}

int32_t CheckEntryRecord(KVPH_OBJECT_T& object, RecordPhone& phone, const char* required) {
  const RecordLayout& layout = kKv05Layout;
  if (LongerThan(required, layout.nameWidth)) {
    return FailNaming(object, kTollmarkBadStationName, required);
  }
  if (StartsWithNull(required)) {
    return Finish(object, kTollmarkPass);
  }
  StationRecord record(layout);
  const int32_t read = ReadRecord(phone, record);
  if (read != kTollmarkPass) {
    return Finish(object, read);
  }
  return JudgeRequired(object, record, required);
}

int32_t CheckMaskRecord(KVPH_OBJECT_T& object, RecordPhone& phone, const RecordLayout& layout,
                        const char* current, const char* required) {
  if (current != nullptr && LongerThan(current, layout.nameWidth)) {
    return FailNaming(object, kTollmarkBadStationName, current);
  }
  if (LongerThan(required, layout.nameWidth)) {
    return FailNaming(object, kTollmarkBadStationName, required);
  }
  StationRecord record(layout);
  const int32_t read = ReadRecord(phone, record);
  if (read != kTollmarkPass) {
    return Finish(object, read);
  }
  if (current != nullptr) {
    const int32_t index = record.FindStation(current);
    if (index < 0) {
      return FailNaming(object, kTollmarkNoSuchStation, current);
    }
    // The entered mark goes to the phone in a copy; the required station is judged from the
    // record as it was read.
    StationRecord entered = record;
    if (entered.EnterStation(index) && WriteRecord(phone, entered) != kTollmarkPass) {
      return Finish(object, kTollmarkWriteFailed);
    }
  }
  if (StartsWithNull(required)) {
    return Finish(object, kTollmarkPass);
  }
  return JudgeRequired(object, record, required);
}

}  // namespace

int32_t RunInitPhase(KVPH_OBJECT_T& object, RecordPhone& phone, const BuildConfig* config,
                     const char* text1, const char* text2, void* buffer, int32_t bufferSize,
                     int32_t* recordSize, const char* station) {
  Begin(object);
  StationRecord record(kKv09Layout);
  if (config == nullptr || !BuildRecord(*config, text1, text2, station, record)) {
    return Finish(object, kTollmarkBuildFailed);
  }
  if (buffer != nullptr) {
    if (recordSize != nullptr) {
      *recordSize = record.Size();
    }
    if (bufferSize < record.Size()) {
      // A negative size copies nothing.
      if (bufferSize > 0) {
        std::memcpy(buffer, record.Bytes(), static_cast<size_t>(bufferSize));
      }
      return Finish(object, kTollmarkBufferTooSmall);
    }
    std::memcpy(buffer, record.Bytes(), static_cast<size_t>(record.Size()));
  }
  return Finish(object, WriteRecord(phone, record));
}

int32_t RunCheckPhase(KVPH_OBJECT_T& object, RecordPhone& phone, const char* currentStation,
                      const char* requiredStation) {
  Begin(object);
  if (requiredStation == nullptr) {
    return FailNaming(object, kTollmarkBadStationName, nullptr);
  }
  const RecordLayout* layout = nullptr;
  const int32_t learned = LearnRecordLayout(object.recordVersion, phone, layout);
  if (learned != kTollmarkPass) {
    return Finish(object, learned);
  }
  if (layout->version == RecordVersion::kKv05) {
    return CheckEntryRecord(object, phone, requiredStation);  // no current station in KV05
  }
  return CheckMaskRecord(object, phone, *layout, currentStation, requiredStation);
}

int32_t RunUpdatePhase(KVPH_OBJECT_T& object, RecordPhone& phone, const char* station,
                       int32_t outcome, const char* message, const char* text1, const char* text2) {
  Begin(object);
  if (station == nullptr) {
    return FailNaming(object, kTollmarkBadStationName, nullptr);
  }
  const RecordLayout* layout = nullptr;
  const int32_t learned = LearnRecordLayout(object.recordVersion, phone, layout);
  if (learned != kTollmarkPass) {
    return Finish(object, learned);
  }
  StationRecord record(*layout);
  const int32_t read = ReadRecord(phone, record);
  if (read != kTollmarkPass) {
    return Finish(object, read);
  }
  const int32_t index = record.FindStation(station);
  if (index < 0) {
    return FailNaming(object, kTollmarkNoSuchStation, station);
  }
  if (text1 != nullptr) {
    record.SetText1(text1);
  }
  if (text2 != nullptr) {
    record.SetText2(text2);
  }
  record.RecordResult(index, outcome == 1, message);
  return Finish(object, WriteRecord(phone, record));
}

int32_t RunPutProperty(KVPH_OBJECT_T& object, int32_t id, int32_t value) {
  Begin(object);
  if (id == 1) {
    object.recordVersion = value;
  }
  return Finish(object, kTollmarkPass);
}

int32_t RunGetProperty(KVPH_OBJECT_T& object, int32_t /*id*/, void* /*value*/) {
  // Reading a property back was never part of the interface: nothing is written.
  Begin(object);
  return Finish(object, kTollmarkPass);
}

int32_t RunGetLastErrorMessage(KVPH_OBJECT_T& object, char* buffer, int32_t size,
                               int32_t language) {
  if (buffer == nullptr || size <= 0) {
    return 1;
  }
  ComposeErrorText(object.errorCode, language, object.errorStation, object.errorText,
                   sizeof(object.errorText));
  std::memset(buffer, 0, static_cast<size_t>(size));
  const size_t length = BoundedLength(object.errorText, sizeof(object.errorText) - 1);
  const size_t take =
      length < static_cast<size_t>(size) - 1 ? length : static_cast<size_t>(size) - 1;
  std::memcpy(buffer, object.errorText, take);
  return 0;
}
