#include "tollmark/StationRecord.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A record of the given version with count stations, every other byte of the record set to a
// pattern so that any stray write shows.
StationRecord Patterned(const RecordLayout& layout, int32_t count,
                        const std::vector<const char*>& names, uint8_t stateFlag) {
  StationRecord record(layout);
  std::memset(record.Bytes(), 0xA5, static_cast<size_t>(layout.size));
  record.WriteMagic();
  record.SetStationCount(count);
  for (size_t i = 0; i < names.size(); ++i) {
    uint8_t* slot = record.Bytes() + layout.namesOffset + layout.nameStride * i;
    std::memset(slot, 0, layout.nameWidth);
    std::memcpy(slot, names[i], strnlen(names[i], layout.nameWidth));
  }
  record.SetStateFlag(stateFlag);
  return record;
}

void PutName(StationRecord& record, int32_t index, const char* bytes, size_t length) {
  const RecordLayout& layout = record.Layout();
  uint8_t* slot = record.Bytes() + layout.namesOffset + layout.nameStride * index;
  std::memcpy(slot, bytes, length);
}

// Offsets at which two records differ.
std::vector<size_t> Changed(const StationRecord& before, const StationRecord& after) {
  std::vector<size_t> offsets;
  for (int32_t i = 0; i < kMaxRecordSize; ++i) {
    if (before.Bytes()[i] != after.Bytes()[i]) {
      offsets.push_back(static_cast<size_t>(i));
    }
  }
  return offsets;
}

}  // namespace

TEST(StationLookup, IgnoresCaseAndStopsAtTheCount) {
  StationRecord record = Patterned(kKv09Layout, 3, {"MMI", "A1", "FT", "HIDDEN"}, 1);
  EXPECT_EQ(record.FindStation("a1"), 1);
  EXPECT_EQ(record.FindStation("mmi"), 0);
  EXPECT_EQ(record.FindStation("FT"), 2);
  EXPECT_EQ(record.FindStation("HIDDEN"), -1);  // slot 3 is past the count
  EXPECT_EQ(record.FindStation("A"), -1);
  EXPECT_EQ(record.FindStation("A12"), -1);
  EXPECT_EQ(record.FindStation(""), -1);
}

TEST(StationLookup, EmptyNameFindsAnEmptySlot) {
  StationRecord record = Patterned(kKv15Layout, 2, {"MMI", ""}, 1);
  EXPECT_EQ(record.FindStation(""), 1);
}

TEST(StationLookup, NamesAtAndOverTheSlotWidth) {
  // KV09 slot of 10 bytes filled without a terminator, followed by a non-zero reserved byte:
  // the stored name is measured inside its slot.
  StationRecord record = Patterned(kKv09Layout, 15, {}, 1);
  for (int32_t i = 0; i < 15; ++i) {
    PutName(record, i, "\0", 1);
  }
  PutName(record, 14, "ABCDEFGHIJ", 10);
  ASSERT_NE(record.Bytes()[206], 0);
  EXPECT_EQ(record.FindStation("abcdefghij"), 14);
  EXPECT_EQ(record.FindStation("ABCDEFGHIJK"), 14);  // cut to the slot width first
  EXPECT_EQ(record.FindStation("ABCDEFGHI"), -1);
  EXPECT_EQ(record.StationName(14), "ABCDEFGHIJ");

  // A name longer than the width never matches a terminated shorter name.
  PutName(record, 3, "ABCDEFGHI\0", 10);
  EXPECT_EQ(record.FindStation("ABCDEFGHIXYZ"), -1);
  EXPECT_EQ(record.FindStation("ABCDEFGHI"), 3);

  // KV05 compares 16 characters; the last entry's name is followed by its reserved bytes.
  StationRecord entries = Patterned(kKv05Layout, 12, {}, 0);
  for (int32_t i = 0; i < 12; ++i) {
    PutName(entries, i, "\0", 1);
  }
  PutName(entries, 11, "0123456789ABCDEF", 16);
  EXPECT_EQ(entries.FindStation("0123456789abcdef"), 11);
  EXPECT_EQ(entries.FindStation("0123456789ABCDEFG"), 11);
  EXPECT_EQ(entries.FindStation("0123456789ABCDE"), -1);
  EXPECT_EQ(entries.StationName(11), "0123456789ABCDEF");
}

TEST(StationLookup, LooksAtNoMoreSlotsThanTheVersionHoldsWhateverTheCount) {
  StationRecord record = Patterned(kKv09Layout, 0x7FFFFFFF, {"A"}, 1);
  EXPECT_FALSE(record.CountInRange());
  EXPECT_EQ(record.FindStation("A"), 0);
  EXPECT_EQ(record.FindStation("NOWHERE"), -1);
}

TEST(StationRecordCount, RangeDependsOnTheVersion) {
  struct Case {
    const RecordLayout* layout;
    int32_t count;
    bool valid;
  } cases[] = {{&kKv09Layout, 0, true},   {&kKv09Layout, 15, true},  {&kKv09Layout, 16, false},
               {&kKv09Layout, -1, false}, {&kKv15Layout, 20, true},  {&kKv15Layout, 21, false},
               {&kKv05Layout, 12, true},  {&kKv05Layout, 13, false}, {&kKv05Layout, 255, false}};
  for (const Case& c : cases) {
    StationRecord record(*c.layout);
    record.SetStationCount(c.count);
    EXPECT_EQ(record.CountInRange(), c.valid) << c.layout->name << " " << c.count;
  }
  StationRecord kv05(kKv05Layout);
  kv05.Bytes()[5] = 200;
  EXPECT_EQ(kv05.StationCount(), 200);
}

TEST(StationStatusRead, MaskModes) {
  StationRecord zero = Patterned(kKv09Layout, 3, {"A", "B", "C"}, 1);
  zero.SetUntestedMask(0x0001);
  zero.SetResultMask(0x0002);
  EXPECT_EQ(zero.Status(0), StationStatus::kNotTested);
  EXPECT_EQ(zero.Status(1), StationStatus::kNotPassed);
  EXPECT_EQ(zero.Status(2), StationStatus::kPassed);

  // Any state flag other than 1 is pass-value-1 mode and ignores the untested mask.
  for (uint8_t flag : {0, 2, 0xFF}) {
    StationRecord one = Patterned(kKv15Layout, 3, {"A", "B", "C"}, flag);
    one.SetUntestedMask(0xFFFFFFFF);
    one.SetResultMask(0x00000005);
    EXPECT_EQ(one.Status(0), StationStatus::kPassed) << int(flag);
    EXPECT_EQ(one.Status(1), StationStatus::kNotPassed) << int(flag);
    EXPECT_EQ(one.Status(2), StationStatus::kPassed) << int(flag);
  }
}

TEST(StationStatusRead, EntryResultTexts) {
  StationRecord record = Patterned(kKv05Layout, 5, {"A", "B", "C", "D", "E"}, 0);
  const size_t result = 24;
  auto put = [&](int32_t index, const char* bytes, size_t length) {
    uint8_t* field = record.Bytes() + 216 + 128 * index + result;
    std::memset(field, 0, 16);
    std::memcpy(field, bytes, length);
  };
  put(0, "PASS", 4);
  put(1, "FAIL", 4);
  put(2, "", 0);
  put(3, "PASSED", 6);
  put(4, "pass", 4);
  EXPECT_EQ(record.Status(0), StationStatus::kPassed);
  EXPECT_EQ(record.Status(1), StationStatus::kNotPassed);
  EXPECT_EQ(record.Status(2), StationStatus::kNotTested);
  EXPECT_EQ(record.Status(3), StationStatus::kNotTested);
  EXPECT_EQ(record.Status(4), StationStatus::kNotTested);
}

TEST(RecordResultKv09, PassValueZeroClearsUntestedAndBitFifteen) {
  StationRecord record = Patterned(kKv09Layout, 4, {"A", "B", "C", "D"}, 1);
  record.SetUntestedMask(0xFFFF);
  record.SetResultMask(0xFFFF);
  const StationRecord before = record;
  record.RecordResult(2, true, nullptr);
  EXPECT_EQ(record.UntestedMask(), 0xFFFBu);
  EXPECT_EQ(record.ResultMask(), 0x7FFBu);
  // Only the two masks changed; no message means the last message stays.
  for (size_t offset : Changed(before, record)) {
    EXPECT_TRUE(offset >= 252 && offset <= 255) << offset;
  }

  record.SetResultMask(0x8000);
  record.RecordResult(3, false, nullptr);
  EXPECT_EQ(record.ResultMask(), 0x8008u);  // setting a bit keeps bit 15
  EXPECT_EQ(record.UntestedMask(), 0xFFF3u);
  EXPECT_EQ(record.Status(3), StationStatus::kNotPassed);
}

TEST(RecordResultKv09, PassValueOneLeavesUntestedAlone) {
  StationRecord record = Patterned(kKv09Layout, 4, {"A", "B", "C", "D"}, 0);
  record.SetUntestedMask(0x1234);
  record.SetResultMask(0x8000);
  record.RecordResult(1, true, nullptr);
  EXPECT_EQ(record.ResultMask(), 0x8002u);
  record.RecordResult(1, false, nullptr);
  EXPECT_EQ(record.ResultMask(), 0x0000u);  // clearing a bit also clears bit 15
  EXPECT_EQ(record.UntestedMask(), 0x1234u);
}

TEST(RecordResultKv15, HasNoBitFifteenRuleAndKeepsItsReservedBytes) {
  StationRecord record = Patterned(kKv15Layout, 20, {}, 0);
  record.SetResultMask(0x80008001u);
  const StationRecord before = record;
  record.RecordResult(0, false, "MESSAGE");
  EXPECT_EQ(record.ResultMask(), 0x80008000u);
  record.RecordResult(19, true, nullptr);
  EXPECT_EQ(record.ResultMask(), 0x80088000u);
  EXPECT_EQ(record.LastMessage(), "MESSAGE");
  for (size_t offset : Changed(before, record)) {
    EXPECT_TRUE((offset >= 450 && offset < 482) || (offset >= 488 && offset < 492)) << offset;
  }
}

TEST(RecordResultMessages, LastMessageIsReplacedOnlyWhenGiven) {
  StationRecord record = Patterned(kKv09Layout, 1, {"A"}, 1);
  record.SetLastMessage("PASS");
  record.RecordResult(0, false, "Current too high at 3.8V and more text");
  EXPECT_EQ(record.LastMessage(), "Current too high at 3.8V and mo");
  EXPECT_EQ(record.LastMessage().size(), 31u);
  EXPECT_EQ(record.Bytes()[220 + 31], 0);
  record.RecordResult(0, true, nullptr);
  EXPECT_EQ(record.LastMessage(), "Current too high at 3.8V and mo");
  record.RecordResult(0, true, "OK");
  EXPECT_EQ(record.LastMessage(), "OK");
  EXPECT_EQ(record.Bytes()[220 + 3], 0);  // the old tail was cleared
}

TEST(RecordResultKv05, ResultAndMessageFields) {
  StationRecord record = Patterned(kKv05Layout, 2, {"A", "B"}, 0);
  uint8_t* entry = record.Bytes() + 216 + 128;
  std::memset(entry + 24, 'x', 16);
  std::memcpy(entry + 40, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", 32);
  const StationRecord before = record;

  record.RecordResult(1, true, "ignored on a pass");
  EXPECT_EQ(0, std::memcmp(entry + 24, "PASS\0\0\0\0\0\0\0\0\0\0\0\0", 16));
  EXPECT_EQ(0, std::memcmp(entry + 40, "PASS\0FGHIJKLMNOPQRSTUVWXYZ012345", 32));
  for (size_t offset : Changed(before, record)) {
    EXPECT_TRUE(offset >= 216 + 128 + 24 && offset < 216 + 128 + 72) << offset;
  }

  record.RecordResult(1, false, nullptr);
  EXPECT_EQ(record.EntryResult(1), "FAIL");
  EXPECT_EQ(0, std::memcmp(entry + 40, "PASS\0FGH", 8));  // no message: left as it was
  record.RecordResult(1, false, "a fail message that is far too long");
  EXPECT_EQ(record.EntryMessage(1), "a fail message that is far too ");
  EXPECT_EQ(entry[40 + 31], 0);
  EXPECT_EQ(record.Status(1), StationStatus::kNotPassed);
  EXPECT_EQ(record.Status(0), StationStatus::kNotTested);
}

TEST(EnterStation, ClearsTheUntestedBitOnceInPassValueZeroModeOnly) {
  StationRecord record = Patterned(kKv09Layout, 3, {"A", "B", "C"}, 1);
  record.SetUntestedMask(0xFFFF);
  record.SetResultMask(0x7FFF);
  EXPECT_TRUE(record.EnterStation(1));
  EXPECT_EQ(record.UntestedMask(), 0xFFFDu);
  EXPECT_EQ(record.ResultMask(), 0x7FFFu);
  EXPECT_EQ(record.Status(1), StationStatus::kNotPassed);
  EXPECT_FALSE(record.EnterStation(1));

  StationRecord one = Patterned(kKv15Layout, 3, {"A", "B", "C"}, 0);
  one.SetUntestedMask(0xFFFFFFFF);
  EXPECT_FALSE(one.EnterStation(1));
  EXPECT_EQ(one.UntestedMask(), 0xFFFFFFFFu);

  StationRecord entries = Patterned(kKv05Layout, 3, {"A", "B", "C"}, 0);
  const StationRecord before = entries;
  EXPECT_FALSE(entries.EnterStation(1));
  EXPECT_TRUE(Changed(before, entries).empty());
}
