#include <cstring>
#include <string>

#include "BenchFixture.h"
#include "devices/sim/dutlink_sim.h"
#include "station/engine/Checks.h"
#include "station/engine/StationRecordSteps.h"

namespace {

int gCreated = 0;
int gReleased = 0;

KVPH_OBJECT CountingCreate(KV_PHONE phone) {
  ++gCreated;
  return CreateTollmarkObject(phone);
}

int32_t CountingRelease(KVPH_OBJECT object) {
  ++gReleased;
  return ReleaseTollmarkObject(object);
}

KVPH_OBJECT NoObject(KV_PHONE) {
  return nullptr;
}

class StationRecord : public BenchTest {
 protected:
  void SetUp() override {
    BenchTest::SetUp();
    gCreated = 0;
    gReleased = 0;
  }
  void TearDown() override {
    SetTollmarkObjectFunctions({nullptr, nullptr});
    BenchTest::TearDown();
  }
};

TEST_F(StationRecord, PassedOutcomeIsRecordedThenSelectedStationsVerified) {
  PokeKv09({{"BOARD", StationState::Passed}, {"VARNEX", StationState::Untested}});
  SetStations({{L"BOARD", true}, {L"VARNEX", true}});

  EXPECT_EQ(UpdateAndVerifyStationRecord(*context, 1), 1);
  EXPECT_EQ(Kv09State(1), StationState::Passed);
  EXPECT_EQ(Kv09LastMessage(), "PASS") << "a pass carries no message";
  EXPECT_EQ(recorder.Detail(L"Toll Mark"), L"BOARD station: PASS\r\nVARNEX station: PASS\r\n");
  EXPECT_EQ(recorder.Color(L"Toll Mark", kColumnDetail), kColorPass);
  EXPECT_EQ(recorder.Result(L"Toll Mark"), L"PASS");
  EXPECT_EQ(LogText(),
            "Toll Mark,---,PASS,BOARD station: PASS\r\n\nPASS,VARNEX station: PASS\r\n\n");
  ASSERT_NE(context->tollmarkObject, nullptr);
}

TEST_F(StationRecord, FailedOutcomeWritesWriteFailAndVerificationSeesIt) {
  PokeKv09({{"BOARD", StationState::Passed}, {"VARNEX", StationState::Untested}});
  SetStations({{L"BOARD", true}, {L"VARNEX", true}});

  EXPECT_EQ(UpdateAndVerifyStationRecord(*context, 0), 0);
  EXPECT_EQ(Kv09State(1), StationState::Failed);
  EXPECT_EQ(Kv09LastMessage(), "Write Fail");
  EXPECT_EQ(recorder.Detail(L"Toll Mark"), L"BOARD station: PASS\r\nVARNEX station: FAIL\r\n");
  EXPECT_EQ(recorder.Color(L"Toll Mark", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"Toll Mark"), L"FAIL");
  EXPECT_EQ(LogText(),
            "Toll Mark,---,PASS,BOARD station: PASS\r\n\nFAIL,VARNEX station: FAIL\r\n\n");
}

TEST_F(StationRecord, OnlyStationsInTheMaskAreQueriedInListOrder) {
  // Mask 5 over three stations: the first and the third.
  PokeKv09({{"SMT", StationState::Passed},
            {"RF", StationState::Failed},
            {"MMI", StationState::Untested}});
  SetStations({{L"SMT", true}, {L"RF", false}, {L"MMI", true}});
  context->tollmarkObject = CreateTollmarkObject(context->phone);

  EXPECT_EQ(VerifyStationRecord(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Toll Mark"), L"SMT station: PASS\r\nMMI station: FAIL\r\n");
  EXPECT_EQ(recorder.CountFor(L"Toll Mark"), 2) << "one detail and one result";
}

TEST_F(StationRecord, StationMissingFromRecordFailsButLaterOnesAreStillQueried) {
  PokeKv09({{"SMT", StationState::Passed}, {"RF", StationState::Passed}});
  SetStations({{L"CAL", true}, {L"RF", true}});
  context->tollmarkObject = CreateTollmarkObject(context->phone);

  EXPECT_EQ(VerifyStationRecord(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Toll Mark"), L"CAL station: FAIL\r\nRF station: PASS\r\n");
}

TEST_F(StationRecord, OnlyTheFirstFifteenStationsCanBeVerified) {
  std::vector<std::pair<std::string, StationState>> record;
  std::vector<std::pair<std::wstring, bool>> list;
  for (int i = 0; i < 16; ++i) {
    std::string name = "S";
    name += std::to_string(i);  // GCC 12 misreports "S" + std::string as an overlapping copy
    record.emplace_back(name, StationState::Passed);
    list.emplace_back(L"S" + std::to_wstring(i), true);
  }
  record.pop_back();  // a KV09 record holds fifteen stations
  PokeKv09(record);
  SetStations(list);
  context->tollmarkObject = CreateTollmarkObject(context->phone);

  EXPECT_EQ(VerifyStationRecord(*context), 1);
  const std::wstring detail = recorder.Detail(L"Toll Mark");
  EXPECT_NE(detail.find(L"S14 station: PASS\r\n"), std::wstring::npos);
  EXPECT_EQ(detail.find(L"S15 "), std::wstring::npos);
}

TEST_F(StationRecord, VerificationDisabledShowsNothing) {
  SetStations({{L"SMT", false}});
  EXPECT_EQ(VerifyStationRecord(*context), 1);
  EXPECT_TRUE(recorder.reports().empty());
  EXPECT_EQ(LogText(), "");
}

TEST_F(StationRecord, ObjectThatCannotBeCreatedFailsTheRow) {
  PokeKv09({{"VARNEX", StationState::Untested}});
  SetStations({{L"VARNEX", true}});
  SetTollmarkObjectFunctions({NoObject, nullptr});

  EXPECT_EQ(UpdateAndVerifyStationRecord(*context, 1), 0);
  EXPECT_EQ(context->tollmarkObject, nullptr);
  EXPECT_EQ(recorder.Detail(L"Toll Mark"), L"Create Tollmark object failed!");
  EXPECT_EQ(recorder.Color(L"Toll Mark", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"Toll Mark"), L"FAIL");
  EXPECT_EQ(LogText(), "Toll Mark,---,FAIL,Create Tollmark object failed!\n");
  EXPECT_EQ(KVSIM_GetCallCount("KV_FastWriteProductInfo"), 0);
  EXPECT_EQ(Kv09State(0), StationState::Untested);
}

TEST_F(StationRecord, EachRunReplacesTheObjectOfTheLastOne) {
  PokeKv09({{"VARNEX", StationState::Untested}});
  SetStations({{L"VARNEX", true}});
  SetTollmarkObjectFunctions({CountingCreate, CountingRelease});

  UpdateAndVerifyStationRecord(*context, 1);
  UpdateAndVerifyStationRecord(*context, 1);
  EXPECT_EQ(gCreated, 2);
  EXPECT_EQ(gReleased, 1);
  EXPECT_NE(context->tollmarkObject, nullptr);
}

TEST_F(StationRecord, LongStationNameIsCutToFifteenBytes) {
  // A KV05 record compares up to sixteen characters, so a fifteen-character name is found.
  unsigned char record[1752] = {};
  const uint32_t magic = 0x4B563035;
  std::memcpy(record, &magic, 4);
  record[5] = 1;
  std::strcpy(reinterpret_cast<char*>(record + 216), "FINALASSEMBLY01");
  ASSERT_EQ(KVSIM_PokeFlash(record, sizeof(record), 0), 0);
  wcscpy(context->settings.stationName, L"FINALASSEMBLY01-LINE-B");
  SetStations({{L"FINALASSEMBLY01", true}});

  EXPECT_EQ(UpdateAndVerifyStationRecord(*context, 1), 1);
  char result[5] = {};
  KVSIM_PeekFlash(result, 4, 216 + 24);
  EXPECT_STREQ(result, "PASS");
}

TEST_F(StationRecord, StationNameFieldIsZeroFilledAndTerminated) {
  char field[16];
  std::memset(field, 'x', sizeof(field));
  StationNameField(L"VARNEX", field);
  EXPECT_STREQ(field, "VARNEX");
  for (int i = 6; i < 16; ++i) {
    EXPECT_EQ(field[i], 0) << i;
  }
  StationNameField(L"ABCDEFGHIJKLMNOPQRSTUVWXYZ", field);
  EXPECT_EQ(std::string(field), "ABCDEFGHIJKLMNO");
}

}  // namespace
