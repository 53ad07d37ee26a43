#include "station/engine/StationRecordSteps.h"

#include <cstring>
#include <cwchar>
#include <iterator>

#include <windows.h>

#include "station/engine/CheckContext.h"
#include "station/engine/Checks.h"
#include "station/engine/Reporting.h"
#include "station/engine/core/AnsiNameField.h"

namespace {

constexpr wchar_t kRowName[] = L"Toll Mark";
constexpr wchar_t kCreateFailed[] = L"Create Tollmark object failed!";
// Each selected station's line in the detail: at most 29 characters of name plus the verdict.
constexpr size_t kStationLineChars = 64;
constexpr size_t kRecordNameField = 30;

TollmarkObjectFunctions gObjects{nullptr, nullptr};

bool IsLeadByte(unsigned char byte) {
  return IsDBCSLeadByte(byte) != FALSE;
}

// Wide text to ANSI, then cut to the field without splitting a double-byte character.
void AnsiField(const wchar_t* text, char* field, size_t fieldSize) {
  // Two bytes per UTF-16 unit cover every double-byte code page.
  char converted[1024] = {};
  WideToAnsi(text, converted, static_cast<int>(sizeof(converted)));
  CopyAnsiNameField(converted, field, fieldSize, IsLeadByte);
}

KVPH_OBJECT CreateRecordObject(KV_PHONE phone) {
  return gObjects.create != nullptr ? gObjects.create(phone) : CreateTollmarkObject(phone);
}

void ReleaseRecordObject(KVPH_OBJECT object) {
  if (gObjects.release != nullptr) {
    gObjects.release(object);
  } else {
    ReleaseTollmarkObject(object);
  }
}

// Without an object nothing can be verified: the row says so and the run fails.
int32_t ReportMissingRecordObject(CheckContext& context) {
  BeginRow(context, kRowName);
  ReportDetail(context, kCreateFailed, kColorFail);
  AppendLog(context, "Toll Mark,---,FAIL,");
  AppendLogWide(context, kCreateFailed);
  AppendLog(context, "\n");
  ReportResult(context, false);
  return 0;
}

}  // namespace

void SetTollmarkObjectFunctions(const TollmarkObjectFunctions& functions) {
  gObjects = functions;
}

void StationNameField(const wchar_t* stationName, char field[16]) {
  AnsiField(stationName, field, 16);
}

int32_t UpdateAndVerifyStationRecord(CheckContext& context, int32_t outcome) {
  if (context.tollmarkObject != nullptr) {
    ReleaseRecordObject(context.tollmarkObject);
    context.tollmarkObject = nullptr;
  }
  context.tollmarkObject = CreateRecordObject(context.phone);
  if (context.tollmarkObject == nullptr) {
    return ReportMissingRecordObject(context);
  }
  char station[16];
  StationNameField(context.settings.stationName, station);
  // The library's own result is not looked at: a failed write shows up in the verification.
  if (outcome != 0) {
    UpdatePhase(context.tollmarkObject, station, 1, nullptr, nullptr, nullptr);
  } else {
    UpdatePhase(context.tollmarkObject, station, 0, "Write Fail", nullptr, nullptr);
  }
  return VerifyStationRecord(context);
}

int32_t VerifyStationRecord(CheckContext& context) {
  if (context.settings.checkTollmark == 0) {
    return 1;
  }
  int32_t verdict = 1;
  BeginRow(context, kRowName);
  AppendLog(context, "Toll Mark,---,");
  wchar_t detail[std::size(RowReport{}.text)] = {};
  size_t detailLength = 0;
  if (context.stations != nullptr) {
    for (const auto& [index, station] : *context.stations) {
      // The station mask has no bit beyond the fifteenth station.
      if (station.selected == 0 || index < 0 || index >= kMaxSelectableStations) {
        continue;
      }
      // The list's name field is read as a terminated text even if it was filled to the end.
      wchar_t wideName[std::size(station.name) + 1] = {};
      std::wmemcpy(wideName, station.name, std::size(station.name));
      char name[kRecordNameField];
      AnsiField(wideName, name, sizeof(name));
      const bool passed = CheckPhase(context.tollmarkObject, nullptr, name) == 0;
      if (!passed) {
        verdict = 0;
      }
      wchar_t line[kStationLineChars] = {};
      _snwprintf_s(line, std::size(line), _TRUNCATE,
                   passed ? L"%ls station: PASS\r\n" : L"%ls station: FAIL\r\n", wideName);
      const size_t lineLength = wcsnlen(line, std::size(line));
      if (detailLength + lineLength < std::size(detail)) {
        std::wmemcpy(detail + detailLength, line, lineLength);
        detailLength += lineLength;
      }
      AppendLog(context, passed ? "PASS," : "FAIL,");
      AppendLogWide(context, line);
      AppendLog(context, "\n");
    }
  }
  ReportDetail(context, detail, verdict != 0 ? kColorPass : kColorFail);
  ReportResult(context, verdict != 0);
  return verdict;
}
