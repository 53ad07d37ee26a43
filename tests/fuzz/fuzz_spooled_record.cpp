// What the station reads back from outside its own code: a spooled record file (any bytes a
// disk or a person left there) and the values of VarnexLine.ini. Whatever the bytes, reading
// never fails hard; a record read back writes and reads again as the same record; a refused
// setting is named by a fixed text that never repeats the token.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "station/results/core/LineSettings.h"
#include "station/results/core/RecordId.h"
#include "station/results/core/RecordJson.h"
#include "station/results/core/RecordTime.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

void RecordFile(std::string_view text) {
  const RecordReading reading = RecordFromJson(text);
  Check(reading.record.has_value() == reading.problem.empty());
  if (reading.record) {
    const RecordReading again = RecordFromJson(RecordToJson(*reading.record, 2));
    Check(again.record.has_value());
    Check(RecordToJson(*again.record) == RecordToJson(*reading.record));
  }
  RecordIdOfFileName(text);
  if (auto time = ParseTimestamp(text)) {
    Check(ParseTimestamp(FormatTimestamp(*time)) == time);
  }
}

// Lines: ServiceUrl, Line, StationName, Token, Timeout.
void LineFile(std::string_view text) {
  LineProfileValues values;
  std::string line;
  std::string station;
  std::string* fields[] = {&values.serviceUrl, &line, &station, &values.token,
                           &values.timeoutSeconds};
  size_t field = 0;
  for (char c : text) {
    if (c == '\n' && field + 1 < std::size(fields)) {
      ++field;
    } else {
      *fields[field] += c;
    }
  }
  const NamesReading names = NamesFromProfile(line, station, "PC");
  // Never empty, never a blank at either end, never longer than the service takes.
  Check(!names.station.name.empty());
  for (const std::string* name : {&names.station.name, &names.station.line}) {
    Check(name->empty() || (name->front() != ' ' && name->front() != '\t' && name->back() != ' ' &&
                            name->back() != '\t' && name->size() <= 128));
  }
  const LineSettingsReading reading = InterpretLineSettings(values);
  if (reading.settings) {
    Check(!reading.settings->token.empty() && reading.settings->answerTimeoutMs >= 1000);
    Check(reading.settings->service.port != 0 && !reading.settings->service.host.empty());
    for (char c : reading.settings->token) {
      Check(c > 0x20 && c < 0x7F);
    }
  } else {
    // One of the fixed texts: nothing of the file, least of all the token, is repeated.
    constexpr std::string_view kProblems[] = {"ServiceUrl is missing",
                                              "ServiceUrl is not an http:// or https:// address",
                                              "Token is missing",
                                              "Token is too long",
                                              "Token holds a character other than printable ASCII",
                                              "Timeout is not a number of seconds from 1 to 300"};
    bool known = false;
    for (std::string_view problem : kProblems) {
      known = known || reading.problem == problem;
    }
    Check(known);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] & 1) {
    LineFile(text);
  } else {
    RecordFile(text);
  }
  return 0;
}
