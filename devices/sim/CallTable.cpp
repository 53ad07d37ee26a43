#include "CallTable.h"

namespace sim {

CallTable::CallTable(std::span<const char* const> names) : names_(names), records_(names.size()) {}

int CallTable::Find(std::string_view name) const {
  for (size_t i = 0; i < names_.size(); ++i) {
    if (name == names_[i]) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

CallOutcome CallTable::Enter(int index, std::initializer_list<int32_t> args) {
  CallRecord& record = At(index);
  ++record.count;
  record.lastSerial = ++serial_;
  record.argCount = 0;
  for (int32_t arg : args) {
    if (record.argCount == kMaxRecordedArgs) {
      break;
    }
    record.args[record.argCount++] = arg;
  }
  CallOutcome outcome{record.delayMs, record.failCode};
  if (record.failNextTimes > 0) {
    --record.failNextTimes;
    outcome.failCode = record.failNextCode;
  }
  return outcome;
}

void CallTable::Clear() {
  for (CallRecord& record : records_) {
    record = CallRecord{};
  }
  serial_ = 0;
}

}  // namespace sim
