// Reading a station's run record: everything a good record carries is kept, and every kind of
// bad record is refused with the name of the field.
#include <gtest/gtest.h>

#include <functional>

#include "line/core/LogText.h"
#include "line/core/RunRecord.h"
#include "line/core/Timestamp.h"
#include "tests/line/support/Records.h"

namespace line {
namespace {

using Json = nlohmann::json;

TEST(RunRecord, KeepsEverythingAGoodRecordCarries) {
  Json doc = test::RecordJson({.failing = {"SIM Card"}});
  doc["id"] = "0A1B2C3D-0000-4000-A000-00000000000F";
  doc["rows"][16]["value"] = 1.5;            // a fraction survives
  doc["extension"] = {{"fixture", "F-17"}};  // a later optional field is kept, not refused
  RecordCheck check = ReadRunRecord(doc.dump(), test::kNowMs);
  ASSERT_TRUE(check.record) << check.error;
  const RunRecord& run = *check.record;
  EXPECT_EQ(run.id, "0a1b2c3d-0000-4000-a000-00000000000f");
  EXPECT_EQ(run.station, "ST-A");
  EXPECT_EQ(run.line, "LINE-1");
  EXPECT_EQ(run.program, "Varnex");
  EXPECT_EQ(run.operatorName, "alice");
  EXPECT_EQ(run.startedMs, *ParseTimestamp("2026-12-09T02:05:00Z"));
  EXPECT_EQ(run.durationMs, 15382);
  EXPECT_EQ(run.codes.imei2, "860000000000019");
  EXPECT_EQ(run.outcome, "PASS");
  EXPECT_TRUE(run.counted);
  ASSERT_EQ(run.rows.size(), 26u);
  EXPECT_EQ(run.rows[8].item, "SIM Card");
  EXPECT_EQ(run.rows[8].result, "FAIL");
  EXPECT_EQ(run.rows[10].value, 3599);
  EXPECT_EQ(run.rows[10].unit, "mV");
  EXPECT_EQ(run.rows[10].low, 3550);
  EXPECT_EQ(run.rows[10].high, 3650);
  EXPECT_FALSE(run.rows[0].value);
  EXPECT_EQ(run.rows[16].value, 1.5);
  EXPECT_EQ(run.testLog, "C:\\Varnex\\result\\log.csv");
  // The document is the record itself, the extension and the sender's id spelling included.
  EXPECT_EQ(Json::parse(run.document), doc);
}

// The stored document is the text as sent, in the sender's key order, with only the space
// between tokens taken out; spaces, brackets and escapes inside strings stay.
TEST(RunRecord, StoresTheSentTextWithoutTheSpaceBetweenTokens) {
  Json doc = test::RecordJson();
  doc["rows"][3]["detail"] = " a [b] {c}, \"d\" \\ e\t ";
  std::string compact = doc.dump();
  // The same record with the schema moved to the end, indented, after a byte order mark.
  std::string schema = R"("schema":"varnex.run/1",)";
  size_t at = compact.find(schema);
  ASSERT_NE(at, std::string::npos);
  std::string reordered = compact;
  reordered.erase(at, schema.size());
  reordered.insert(reordered.size() - 1, "," + schema.substr(0, schema.size() - 1));
  std::string spaced =
      "\xEF\xBB\xBF" + nlohmann::ordered_json::parse(reordered).dump(2, '\t') + "\r\n";

  RecordCheck check = ReadRunRecord(spaced, test::kNowMs);
  ASSERT_TRUE(check.record) << check.error;
  EXPECT_EQ(check.record->document, reordered);
  EXPECT_EQ(Json::parse(check.record->document), doc);
  EXPECT_EQ(check.record->rows[3].detail, " a [b] {c}, \"d\" \\ e\t ");
}

TEST(RunRecord, KeepsTextsThatLookLikeSqlOrMarkupAsTheyAre) {
  Json doc = test::RecordJson({.imei1 = "'; DROP TABLE runs; --"});
  doc["rows"][3]["detail"] = "<script>alert(1)</script>\r\n\"quoted\", comma";
  RecordCheck check = ReadRunRecord(doc.dump(), test::kNowMs);
  ASSERT_TRUE(check.record) << check.error;
  EXPECT_EQ(check.record->codes.imei1, "'; DROP TABLE runs; --");
  EXPECT_EQ(check.record->rows[3].detail, "<script>alert(1)</script>\r\n\"quoted\", comma");
}

struct BadRecord {
  const char* what;
  std::function<void(Json&)> change;
  const char* error;
};

TEST(RunRecord, RefusesABadRecordNamingTheField) {
  const BadRecord cases[] = {
      {"no schema", [](Json& d) { d.erase("schema"); }, "schema: missing"},
      {"next schema", [](Json& d) { d["schema"] = "varnex.run/2"; }, "schema: not varnex.run/1"},
      {"id not a UUID", [](Json& d) { d["id"] = "42"; }, "id: not a UUID v4"},
      {"id a UUID v1", [](Json& d) { d["id"] = "6ba7b810-9dad-11d1-80b4-00c04fd430c8"; },
       "id: not a UUID v4"},
      {"id a number", [](Json& d) { d["id"] = 7; }, "id: not a string"},
      {"station a text", [](Json& d) { d["station"] = "ST-A"; }, "station: not an object"},
      {"station name missing", [](Json& d) { d["station"].erase("name"); },
       "station.name: missing"},
      {"station name empty", [](Json& d) { d["station"]["name"] = ""; }, "station.name: empty"},
      {"station name too long", [](Json& d) { d["station"]["name"] = std::string(129, 'S'); },
       "station.name: longer than 128 bytes"},
      {"other program", [](Json& d) { d["station"]["program"] = "Other"; },
       "station.program: not Varnex or VarnexCli"},
      {"operator null", [](Json& d) { d["operator"] = nullptr; }, "operator: not a string"},
      {"started without offset", [](Json& d) { d["started"] = "2026-12-09T10:05:00.000"; },
       "started: not a local time with offset like 2026-12-09T10:15:02.123+08:00"},
      {"ended on 30 February", [](Json& d) { d["ended"] = "2026-02-30T10:05:00.000+08:00"; },
       "ended: not a local time with offset like 2026-12-09T10:15:02.123+08:00"},
      {"negative duration", [](Json& d) { d["durationMs"] = -1; },
       "durationMs: not a whole number of milliseconds"},
      {"fractional duration", [](Json& d) { d["durationMs"] = 1.5; },
       "durationMs: not a whole number of milliseconds"},
      {"IMEI as a number", [](Json& d) { d["codes"]["imei1"] = 860000000000011; },
       "codes.imei1: not a string"},
      {"code too long", [](Json& d) { d["codes"]["sn2"] = std::string(129, '7'); },
       "codes.sn2: longer than 128 bytes"},
      {"a NUL in a detail", [](Json& d) { d["rows"][3]["detail"] = std::string("a\0b", 3); },
       "rows[3].detail: holds a control character"},
      {"an escape in the operator", [](Json& d) { d["operator"] = "\x1b[2J"; },
       "operator: holds a control character"},
      {"a C1 control in the line", [](Json& d) { d["station"]["line"] = "L\u0085"; },
       "station.line: holds a control character"},
      {"DEL in an extension",
       [](Json& d) {
         d["note"] = {{"text", "\x7f"}};
       },
       "note.text: holds a control character"},
      {"a control in a key", [](Json& d) { d["codes"]["x\x01"] = ""; },
       "codes.(a key): holds a control character"},
      {"a day and a millisecond ahead",
       [](Json& d) { d["started"] = "2026-12-17T08:00:00.001+08:00"; },
       "started: more than 24 hours after the service's clock (2026-12-16T00:00:00.000Z): the "
       "station's clock is wrong"},
      {"duration past 2^53", [](Json& d) { d["durationMs"] = (int64_t{1} << 53) + 1; },
       "durationMs: more than 2^53 milliseconds"},
      {"duration past int64", [](Json& d) { d["durationMs"] = UINT64_MAX; },
       "durationMs: more than 2^53 milliseconds"},
      {"codes missing", [](Json& d) { d.erase("codes"); }, "codes: missing"},
      {"unknown outcome", [](Json& d) { d["outcome"] = "MAYBE"; },
       "outcome: not PASS, FAIL, TIMEOUT, STOPPED, LINK_FAILED or ABANDONED"},
      {"counted as text", [](Json& d) { d["counted"] = "true"; }, "counted: not true or false"},
      {"rows an object", [](Json& d) { d["rows"] = Json::object(); }, "rows: not an array"},
      {"row a number", [](Json& d) { d["rows"][1] = 5; }, "rows[1]: not an object"},
      {"row without item", [](Json& d) { d["rows"][2].erase("item"); }, "rows[2].item: missing"},
      {"row result OK", [](Json& d) { d["rows"][0]["result"] = "OK"; },
       "rows[0].result: not PASS, FAIL or empty"},
      {"value as text", [](Json& d) { d["rows"][12]["value"] = "3599"; },
       "rows[12].value: not a number"},
      {"limit as bool", [](Json& d) { d["rows"][12]["high"] = true; },
       "rows[12].high: not a number"},
      {"detail too long", [](Json& d) { d["rows"][4]["detail"] = std::string(16385, 'x'); },
       "rows[4].detail: longer than 16384 bytes"},
      {"too many rows",
       [](Json& d) {
         for (int i = 0; i < 500; ++i)
           d["rows"].push_back(d["rows"][0]);
       },
       "rows: more than 512 rows"},
      {"array body",
       [](Json& d) {
         d = Json::array({1, 2});
       },
       "body: not a JSON object"},
  };
  for (const BadRecord& bad : cases) {
    Json doc = test::RecordJson();
    bad.change(doc);
    RecordCheck check = ReadRunRecord(doc.dump(), test::kNowMs);
    EXPECT_FALSE(check.record) << bad.what;
    EXPECT_EQ(check.error, bad.error) << bad.what;
  }
}

// Texts only a reader of the sent bytes sees: a key given twice (one reader takes the first
// value, another the last) and numbers that no double holds as written.
TEST(RunRecord, RefusesKeysGivenTwiceAndNumbersThatChangeOnTheWay) {
  const std::string good = test::RecordJson().dump();
  auto with = [&good](const std::string& from, const std::string& to) {
    std::string text = good;
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  const std::string range = "a number out of range (0, or a magnitude from 1e-300 to 1e300)";
  const std::pair<std::string, std::string> cases[] = {
      {with(R"("outcome":"PASS")", R"("outcome":"FAIL","outcome":"PASS")"), "outcome: given twice"},
      {with(R"("result":"PASS")", R"("result":"FAIL","result":"PASS")"),
       "rows[0].result: given twice"},
      {with(R"("value":3599)", R"("value":1e-400)"), "rows[10].value: " + range},
      {with(R"("value":3599)", R"("value":-1e400)"), "rows[10].value: " + range},
      {with(R"("low":3550)", R"("low":1e-310)"), "rows[10].low: " + range},
      {with(R"("high":3650)", R"("high":2e300)"), "rows[10].high: " + range},
  };
  for (const auto& [text, error] : cases) {
    EXPECT_EQ(ReadRunRecord(text, test::kNowMs).error, error);
  }
  // At their edges they pass.
  const std::string kept[] = {with(R"("value":3599)", R"("value":0e-999)"),
                              with(R"("value":3599)", R"("value":-1e-300)"),
                              with(R"("durationMs":15382)", R"("durationMs":9007199254740992)"),
                              with(R"("started":"2026-12-09T10:05:00.000+08:00")",
                                   R"("started":"2026-12-17T08:00:00.000+08:00")")};
  for (const std::string& text : kept) {
    EXPECT_TRUE(ReadRunRecord(text, test::kNowMs).record)
        << ReadRunRecord(text, test::kNowMs).error;
  }
}

TEST(RunRecord, RefusesTextThatIsNoRecordAtAll) {
  std::string deep = R"({"x":)" + std::string(20, '[') + std::string(20, ']') + "}";
  std::string huge = test::RecordJson().dump();
  huge.insert(huge.size() - 1, ",\"pad\":\"" + std::string(kMaxRecordBytes, 'x') + "\"");
  const std::pair<std::string, std::string> cases[] = {
      {"", "body: not valid JSON (byte 1)"},
      {"{\"schema\": ", "body: not valid JSON (byte 12)"},
      {"{\"a\":\"\xff\"}", "body: not valid JSON (byte 7)"},
      {deep, "body: nested deeper than 16 levels"},
      {huge, "body: larger than 262144 bytes"},
      {"null", "body: not a JSON object"},
  };
  for (const auto& [text, error] : cases) {
    RecordCheck check = ReadRunRecord(text, test::kNowMs);
    EXPECT_FALSE(check.record) << text.substr(0, 40);
    EXPECT_EQ(check.error, error) << text.substr(0, 40);
  }
}

// What a client sends reaches the log as one line that says what came: no line break, no
// terminal control, and a backslash that cannot pass for an escape.
TEST(LogText, KeepsOutsideTextOnOneLine) {
  EXPECT_EQ(LogText("GET /a%0A\nvarnex-line: forged\r\x1b[2J \\ \xc3\xa9\xc2\x85"),
            "GET /a%0A\\x0avarnex-line: forged\\x0d\\x1b[2J \\\\ \xc3\xa9\\x85");
  EXPECT_EQ(LogText(std::string(10, 'x'), 4), "xxxx...");
}

TEST(Timestamp, ReadsLocalTimesWithTheirOffset) {
  const std::pair<const char*, std::optional<int64_t>> cases[] = {
      {"1970-01-01T00:00:00Z", 0},
      {"1970-01-01T08:00:00.001+08:00", 1},
      {"1970-01-01T00:00:00.5-00:30", 1800500},
      {"2024-02-29T23:59:59.999999999+00:00", 1709251199999},
      {"2026-12-09T10:15:02.123+08:00", 1796782502123},
      {"2025-02-29T10:00:00Z", std::nullopt},
      {"2026-12-09T24:00:00Z", std::nullopt},
      {"2026-13-09T10:00:00Z", std::nullopt},
      {"2026-12-09T10:00:00+8:00", std::nullopt},
      {"2026-12-09T10:00:00", std::nullopt},
      {"2026-12-09 10:00:00Z", std::nullopt},
      {"2026-12-09T10:00:00.Z", std::nullopt},
      {"2026-12-09T10:00:00Z ", std::nullopt},
      {"1969-12-31T23:59:59Z", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(ParseTimestamp(text), expected) << text;
  }
  EXPECT_EQ(FormatUtc(1796782502123), "2026-12-09T02:15:02.123Z");
  EXPECT_EQ(FormatLocal(1796782502123, 480), "2026-12-09T10:15:02.123+08:00");
  EXPECT_EQ(FormatLocal(1796782502123, -330), "2026-12-08T20:45:02.123-05:30");
  EXPECT_EQ(FormatLocal(1796782502123, 0), "2026-12-09T02:15:02.123+00:00");
}

}  // namespace
}  // namespace line
