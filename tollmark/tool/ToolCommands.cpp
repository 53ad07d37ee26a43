#include "tollmark/tool/ToolCommands.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "tollmark/DutlinkPhone.h"
#include "tollmark/ErrorTexts.h"
#include "tollmark/RecordDescription.h"
#include "tollmark/RecordTransfer.h"
#include "tollmark/StationRecord.h"
#include "tollmark/tollmark.h"

namespace {

const char* Text(const std::optional<std::string>& value) {
  return value ? value->c_str() : nullptr;
}

// The code and its text in the chosen language, as the library gives them.
int Report(KVPH_OBJECT object, int32_t code, const ToolOptions& options, std::FILE* out) {
  char message[512] = {};
  KVPH_GetLastErrorMessage(object, message, sizeof(message), options.language);
  std::fprintf(out, "Code: %d\nMessage: %s\n", static_cast<int>(code), message);
  return code == 0 ? 0 : 1;
}

// Reads the record the way the library does and prints it.
int Show(KV_PHONE handle, const ToolOptions& options, std::FILE* out) {
  DutlinkPhone phone(handle);
  const RecordLayout* layout = nullptr;
  int32_t code = LearnRecordLayout(options.recordVersion.value_or(0), phone, layout);
  if (code == 0) {
    StationRecord record(*layout);
    code = ReadRecord(phone, record);
    if (code == 0 || code == 3) {
      std::fputs(DescribeRecord(record).c_str(), out);
      return code == 0 ? 0 : 1;
    }
  }
  char message[512] = {};
  ComposeErrorText(code, options.language, "", message, sizeof(message));
  std::fprintf(out, "Code: %d\nMessage: %s\n", static_cast<int>(code), message);
  return 1;
}

int Init(KVPH_OBJECT object, const ToolOptions& options, std::FILE* out) {
  // The library never copies more than the record, whatever size it is told, so the largest
  // record's size is enough room for any --size.
  std::array<uint8_t, kMaxRecordSize> buffer{};
  int32_t recordSize = 0;
  const int32_t code = InitPhase(object, Text(options.text1), Text(options.text2), buffer.data(),
                                 options.bufferSize, &recordSize, Text(options.station));
  const int exitCode = Report(object, code, options, out);
  if (code == 0) {
    // The sizes of the three versions differ, so the size tells which one was built.
    for (const RecordLayout* layout : {&kKv09Layout, &kKv15Layout, &kKv05Layout}) {
      if (layout->size == recordSize) {
        StationRecord record(*layout);
        std::copy(buffer.begin(), buffer.begin() + recordSize, record.Bytes());
        std::fputs(DescribeRecord(record).c_str(), out);
      }
    }
  } else if (code == 11) {
    std::fprintf(out, "Record size: %d bytes\n", static_cast<int>(recordSize));
  }
  return exitCode;
}

}  // namespace

int RunToolCommand(KV_PHONE phone, const ToolOptions& options, std::FILE* out) {
  if (options.command == ToolCommand::kShow) {
    return Show(phone, options, out);
  }
  KVPH_OBJECT object = CreateTollmarkObject(phone);
  if (object == nullptr) {
    std::fputs("Cannot create a record object\n", out);
    return 1;
  }
  if (options.recordVersion) {
    PutProperty(object, 1, *options.recordVersion);
  }
  int exitCode = 1;
  switch (options.command) {
    case ToolCommand::kInit:
      exitCode = Init(object, options, out);
      break;
    case ToolCommand::kCheck:
      exitCode = Report(object, CheckPhase(object, Text(options.current), Text(options.required)),
                        options, out);
      break;
    case ToolCommand::kUpdate:
      exitCode =
          Report(object,
                 UpdatePhase(object, Text(options.station), options.outcome, Text(options.message),
                             Text(options.text1), Text(options.text2)),
                 options, out);
      break;
    case ToolCommand::kShow:
      break;
  }
  ReleaseTollmarkObject(object);
  return exitCode;
}
