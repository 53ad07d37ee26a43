// Fuzzes the record operations over records read from a phone: any bytes in the flash, any
// names, all three versions and both modes. Besides the sanitizers, it checks that a result or
// an entered mark changes nothing but the fields meant to change.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "tests/tollmark/FakeRecordPhone.h"
#include "tollmark/PhaseOperations.h"
#include "tollmark/RecordDescription.h"
#include "tollmark/StationRecord.h"

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  // A length byte (cut to 40) and that many bytes; may hold NULs.
  std::string Text() {
    size_t length = Byte() % 41;
    std::string text;
    while (length-- > 0 && pos_ < size_) {
      text.push_back(static_cast<char>(data_[pos_++]));
    }
    return text;
  }
  const uint8_t* Rest(size_t& count) {
    count = size_ - pos_;
    return data_ + pos_;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

void Require(bool condition) {
  if (!condition) {
    std::abort();
  }
}

// Marks the byte range as allowed to change.
void Allow(bool* allowed, size_t offset, size_t width) {
  for (size_t i = 0; i < width; ++i) {
    allowed[offset + i] = true;
  }
}

void RequireOnlyAllowedChanges(const uint8_t* before, const uint8_t* after, const bool* allowed,
                               size_t size) {
  for (size_t i = 0; i < size; ++i) {
    Require(allowed[i] || before[i] == after[i]);
  }
}

void FuzzBuild(Input& input, const std::string& station) {
  static const char* const kNames[] = {"KV09", "kv15", "Kv05", "KV10"};
  BuildConfig config;
  const uint8_t choice = input.Byte();
  std::snprintf(config.magicNumber, sizeof(config.magicNumber), "%s", kNames[choice & 3]);
  config.passValue = (choice >> 2) & 1;
  config.stationNumber = input.Byte();
  for (auto& name : config.stationNames) {
    const std::string text = input.Text();
    std::snprintf(name, sizeof(name), "%s", text.c_str());
  }
  // InitPhase copies into a caller's buffer of exactly the size it is told (negative sizes
  // included) and writes to the phone only when the whole record fits.
  const int32_t bufferSize = static_cast<int8_t>(input.Byte()) * 16;
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[bufferSize > 0 ? bufferSize : 0]);
  int32_t recordSize = 0;
  KVPH_OBJECT_T object;
  FakeRecordPhone phone;
  const int32_t code = RunInitPhase(object, phone, &config, nullptr, nullptr, buffer.get(),
                                    bufferSize, &recordSize, station.c_str());
  Require(code == 0 || code == 8 || code == 11);
  Require(phone.Writes() == (code == 0 ? 1 : 0));
  if (code == 0) {
    Require(recordSize == phone.lastCount[FakeRecordPhone::kWrite] ||
            recordSize == phone.lastCount[FakeRecordPhone::kFastWrite]);
  }

  StationRecord record(kKv09Layout);
  if (!BuildRecord(config, nullptr, nullptr, station.c_str(), record)) {
    Require(code == 8);
    return;
  }
  Require(recordSize == record.Size());
  Require(record.CountInRange() && record.StationCount() > 0);
  for (int32_t i = 0; i < record.StationCount(); ++i) {
    Require(record.StationName(i).size() <= record.Layout().nameLimit);
    (void)record.Status(i);
  }
  (void)DescribeRecord(record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input input(data, size);
  const uint8_t control = input.Byte();
  const uint8_t operation = input.Byte();
  const std::string first = input.Text();
  const std::string second = input.Text();
  const std::string message = input.Text();

  if ((operation & 3) == 3) {
    FuzzBuild(input, first);
    return 0;
  }

  FakeRecordPhone phone;
  size_t restSize = 0;
  const uint8_t* rest = input.Rest(restSize);
  std::memcpy(phone.flash.data(), rest,
              restSize < phone.flash.size() ? restSize : phone.flash.size());
  static const RecordLayout* const kLayouts[] = {&kKv09Layout, &kKv15Layout, &kKv05Layout,
                                                 &kKv09Layout};
  if (control & 4) {
    const uint32_t magic = kLayouts[(control >> 3) & 3]->magic;
    for (int i = 0; i < 4; ++i) {
      phone.flash[static_cast<size_t>(i)] = static_cast<uint8_t>(magic >> (8 * i));
    }
  }
  if (operation & 0x10) {
    phone.failWith[FakeRecordPhone::kFastRead] = 1;
  }
  if (operation & 0x20) {
    phone.failWith[FakeRecordPhone::kFastWrite] = 1;
    phone.failWith[FakeRecordPhone::kWrite] = 1;
  }

  KVPH_OBJECT_T object;
  static const int32_t kProperties[] = {0, 1, 2, 7};
  RunPutProperty(object, 1, kProperties[control & 3]);
  const auto before = phone.flash;
  const char* current = (control & 0x20) ? first.c_str() : nullptr;
  const char* text = (control & 0x40) ? message.c_str() : nullptr;

  int32_t code = 0;
  const bool check = (operation & 3) == 0;
  if (check) {
    code = RunCheckPhase(object, phone, current, second.c_str());
  } else {
    code = RunUpdatePhase(object, phone, second.c_str(), (operation & 3) == 1 ? 1 : 0, text,
                          (operation & 0x40) ? first.c_str() : nullptr,
                          (operation & 0x80) ? message.c_str() : nullptr);
  }
  Require(code == 0 || (code >= 3 && code <= 13 && code != 8 && code != 11));
  Require(object.errorCode == code);
  Require(phone.Writes() <= 1);

  if (phone.Writes() == 1 && phone.failWith[FakeRecordPhone::kFastWrite] == 0) {
    // Work out which version was written from the write's byte count.
    const int32_t count = phone.calls[FakeRecordPhone::kWrite]
                              ? phone.lastCount[FakeRecordPhone::kWrite]
                              : phone.lastCount[FakeRecordPhone::kFastWrite];
    const RecordLayout& layout =
        count == 1752 ? kKv05Layout : (count == 492 ? kKv15Layout : kKv09Layout);
    bool allowed[kMaxRecordSize] = {};
    if (check) {
      Allow(allowed, layout.untestedOffset, layout.maskBytes);
    } else {
      Allow(allowed, layout.text1Offset, layout.textWidth);
      Allow(allowed, layout.text2Offset, layout.textWidth);
      if (layout.maskBytes != 0) {
        Allow(allowed, layout.lastMessageOffset, kLastMessageWidth);
        Allow(allowed, layout.untestedOffset, layout.maskBytes);
        Allow(allowed, layout.resultOffset, layout.maskBytes);
      } else {
        for (int32_t i = 0; i < layout.maxStations; ++i) {
          const size_t entry = layout.namesOffset + layout.nameStride * static_cast<size_t>(i);
          Allow(allowed, entry + layout.entryResultOffset, kEntryResultWidth);
          Allow(allowed, entry + layout.entryMessageOffset, kEntryMessageWidth);
        }
      }
    }
    RequireOnlyAllowedChanges(before.data(), phone.flash.data(), allowed,
                              static_cast<size_t>(layout.size));
    Require(std::memcmp(before.data() + layout.size, phone.flash.data() + layout.size,
                        before.size() - static_cast<size_t>(layout.size)) == 0);
  } else if (phone.failWith[FakeRecordPhone::kFastWrite] == 0) {
    Require(before == phone.flash);
  }

  char buffer[64];
  for (int32_t language = 0; language < 3; ++language) {
    Require(RunGetLastErrorMessage(object, buffer, sizeof(buffer), language) == 0);
    Require(std::memchr(buffer, '\0', sizeof(buffer)) != nullptr);
  }

  // The readable description of whatever the phone holds, in every version.
  StationRecord record(*kLayouts[(control >> 3) & 3]);
  std::memcpy(record.Bytes(), phone.flash.data(), static_cast<size_t>(record.Size()));
  (void)DescribeRecord(record);
  (void)record.FindStation(first.c_str());
  return 0;
}
