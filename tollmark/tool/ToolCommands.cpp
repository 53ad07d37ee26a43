#include "tollmark/tool/ToolCommands.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tollmark/RecordDescription.h"
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

const RecordLayout* LayoutForProperty(int32_t value) {
  return value == 1 ? &kKv05Layout : value == 2 ? &kKv09Layout : &kKv15Layout;
}

// Reads the record the way the library does and prints it.
int Show(KV_PHONE phone, const ToolOptions& options, std::FILE* out) {
  const RecordLayout* layout = nullptr;
  if (options.recordVersion && *options.recordVersion != 0) {
    layout = LayoutForProperty(*options.recordVersion);
  } else {
    uint8_t magic[4] = {};
    const int32_t result = KV_ReadProductFlash(phone, magic, 4, 0, 0);
    if (result != 0) {
      std::fprintf(out, "Reading the magic failed, Error Code: %d\n", static_cast<int>(result));
      return 1;
    }
    const uint32_t value =
        magic[0] | magic[1] << 8 | magic[2] << 16 | static_cast<uint32_t>(magic[3]) << 24;
    layout = LayoutFromMagic(value);
    if (layout == nullptr) {
      std::fprintf(out, "No station record on the phone (magic 0x%08X)\n",
                   static_cast<unsigned>(value));
      return 1;
    }
  }
  StationRecord record(*layout);
  const int32_t result = record.HasMasks()
                             ? KV_FastReadProductInfo(phone, record.Bytes(), record.Size())
                             : KV_ReadProductFlash(phone, record.Bytes(), record.Size(), 0, 0);
  if (result != 0) {
    std::fprintf(out, "Reading the record failed, Error Code: %d\n", static_cast<int>(result));
    return 1;
  }
  std::fputs(DescribeRecord(record).c_str(), out);
  return record.CountInRange() ? 0 : 1;
}

int Init(KVPH_OBJECT object, const ToolOptions& options, std::FILE* out) {
  const int32_t capacity = options.bufferSize > 0 ? options.bufferSize : 0;
  std::vector<uint8_t> buffer(static_cast<size_t>(capacity) + 1);
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
