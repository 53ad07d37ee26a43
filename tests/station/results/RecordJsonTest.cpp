// Reading a spooled record back, and the record's times and ids.
#include "station/results/core/RecordJson.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "station/results/core/RecordId.h"
#include "station/results/core/RecordTime.h"

namespace {

RunRecord Sample() {
  RunRecord record;
  record.id = "3b241101-e2bb-4255-8caf-4136c566a962";
  record.station = {"FT-07", "Line 3", "STATION-07", "VarnexCli", "1.0.0.1"};
  record.started = Timestamp{2026, 12, 9, 23, 59, 59, 999, -210};
  record.ended = Timestamp{2026, 12, 10, 0, 0, 1, 5, -210};
  record.durationMs = 1006;
  record.codes[0] = "860000000000011";
  record.outcome = Outcome::Timeout;
  record.counted = true;
  record.rows.push_back({"IMEI1", "860000000000011", "", "", std::nullopt});
  record.rows.push_back({"Power Off Current", "Lo Lim:0 Hi Lim: 100 uA", "FAIL", "135.25",
                         RowMeasure{135.25, "uA", 0, 100}});
  record.testLog = "C:\\Varnex\\result\\x.csv";
  return record;
}

TEST(RecordJson, ARecordReadsBackWhole) {
  const RunRecord record = Sample();
  const std::string json = RecordToJson(record, 2);
  EXPECT_EQ(json.find("{\n  \"schema\": \"varnex.run/1\",\n  \"id\": "), 0u) << json;
  const RecordReading reading = RecordFromJson(json);
  ASSERT_TRUE(reading.record) << reading.problem;
  EXPECT_EQ(*reading.record, record);
  // Fields of a later schema are passed over.
  std::string extended = RecordToJson(record);
  extended.insert(1, R"("fixture":{"slot":4},)");
  ASSERT_TRUE(RecordFromJson(extended).record);
}

TEST(RecordJson, AFileThatIsNotARecordNamesTheFaultyField) {
  const std::string good = RecordToJson(Sample());
  auto replaced = [&good](const std::string& from, const std::string& to) {
    std::string text = good;
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  const struct {
    std::string text;
    std::string problem;
  } cases[] = {
      {good.substr(0, good.size() / 2), "not JSON"},
      {"", "not JSON"},
      {"[1,2]", "not a JSON object"},
      {replaced("varnex.run/1", "varnex.run/2"), "schema is not varnex.run/1"},
      {replaced("\"schema\":\"varnex.run/1\",", ""), "schema is missing"},
      {replaced("3b241101-e2bb", "3B241101-E2BB"), "id is not a UUID"},
      {replaced("\"name\":\"FT-07\"", "\"name\":7"), "station.name has the wrong type"},
      {replaced("\"started\":\"2026-12-09T23:59:59.999-03:30\"", "\"started\":\"yesterday\""),
       "started is not a time with offset"},
      {replaced("\"durationMs\":1006", "\"durationMs\":-5"), "durationMs has the wrong type"},
      {replaced("\"durationMs\":1006", "\"durationMs\":10.5"), "durationMs has the wrong type"},
      {replaced(",\"wifi\":\"\"", ""), "codes.wifi is missing"},
      {replaced("\"TIMEOUT\"", "\"MAYBE\""), "outcome is not one of the outcomes"},
      {replaced("\"counted\":true", "\"counted\":\"yes\""), "counted has the wrong type"},
      {replaced("{\"item\":\"Power Off Current\",", "{"), "rows[1].item is missing"},
      {replaced("\"value\":135.25", "\"value\":\"135.25\""), "rows[1].value has the wrong type"},
      {replaced(",\"unit\":\"uA\"", ""), "rows[1].unit is missing"},
      {replaced("\"rows\":[", "\"rows\":[7,"), "rows[0] is not an object"},
      {replaced("\"testLog\":\"C:", "\"testLog\":[\"C:") + "", "not JSON"},
  };
  for (const auto& c : cases) {
    const RecordReading reading = RecordFromJson(c.text);
    EXPECT_FALSE(reading.record) << c.text;
    EXPECT_EQ(reading.problem, c.problem) << c.text;
  }
}

TEST(RecordTime, LocalTimesWithTheirOffsetToTheMillisecond) {
  const struct {
    Timestamp time;
    const char* text;
  } cases[] = {
      {{2026, 12, 9, 14, 3, 7, 123, 480}, "2026-12-09T14:03:07.123+08:00"},
      {{2026, 1, 1, 0, 0, 0, 0, 0}, "2026-01-01T00:00:00.000+00:00"},
      {{2028, 2, 29, 23, 59, 59, 999, -210}, "2028-02-29T23:59:59.999-03:30"},
      {{2026, 7, 1, 9, 5, 0, 40, 345}, "2026-07-01T09:05:00.040+05:45"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatTimestamp(c.time), c.text);
    EXPECT_EQ(ParseTimestamp(c.text), c.time) << c.text;
  }
  EXPECT_EQ(ParseTimestamp("2026-01-01T00:00:00.000Z"), (Timestamp{2026, 1, 1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(DateText({2026, 12, 9, 14, 3, 7, 123, 480}), "2026-12-09");
  for (const char* bad : {"2027-02-29T00:00:00.000+00:00", "2026-04-31T00:00:00.000+00:00",
                          "2026-13-01T00:00:00.000+00:00", "2026-12-09T24:00:00.000+00:00",
                          "2026-12-09T14:60:00.000+00:00", "2026-12-09T14:03:07.123+14:01",
                          "2026-12-09T14:03:07.123+08:60", "2026-12-09T14:03:07+08:00",
                          "2026-12-09 14:03:07.123+08:00", "2026-12-09T14:03:07.123+0800",
                          "2026-12-09T14:03:07.123+08:00 ", "2026-12-09T14:03:07.1234+08:00", ""}) {
    EXPECT_FALSE(ParseTimestamp(bad)) << bad;
  }
}

TEST(RecordId, VersionFourIdsAndTheSpoolsFileNames) {
  std::array<uint8_t, 16> ones;
  ones.fill(0xFF);
  EXPECT_EQ(FormatUuidV4(ones), "ffffffff-ffff-4fff-bfff-ffffffffffff");
  EXPECT_EQ(FormatUuidV4({}), "00000000-0000-4000-8000-000000000000");
  const std::string id = "3b241101-e2bb-4255-8caf-4136c566a962";
  EXPECT_TRUE(IsRecordId(id));
  EXPECT_EQ(RecordFileName(id), id + ".json");
  EXPECT_EQ(RecordIdOfFileName(id + ".json"), id);
  EXPECT_TRUE(IsTempFileName(TempFileName(id)));
  for (const std::string& other :
       std::vector<std::string>{id + ".tmp", id + ".json.tmp", id + ".answer.txt",
                                "3B241101-E2BB-4255-8CAF-4136C566A962.json", id.substr(1) + ".json",
                                id + "x.json", "notes.json", ".json"}) {
    EXPECT_FALSE(RecordIdOfFileName(other)) << other;
  }
  EXPECT_FALSE(IsTempFileName(id + ".json"));
  EXPECT_FALSE(IsTempFileName("x.tmp"));
}

}  // namespace
