// Per-operation bookkeeping of a simulated device: how often each operation was called and
// with which integer arguments, and which failures and delays are scripted for it. The caller
// holds its own lock around every method.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

namespace sim {

inline constexpr int kMaxRecordedArgs = 8;

struct CallRecord {
  int32_t count = 0;
  int32_t lastSerial = 0;  // place of the last call in the order of all calls, 0 = never called
  int32_t args[kMaxRecordedArgs] = {};
  int32_t argCount = 0;
  int32_t failCode = 0;      // every call fails with this code while non-zero
  int32_t delayMs = 0;       // every call takes this long
  int32_t failNextCode = 0;  // the next failNextTimes calls fail with this code
  int32_t failNextTimes = 0;
  int32_t shortBytes = -1;  // a successful call hands over only this many bytes; -1 = all
};

// What a call is to do before its own work: wait, then fail when failCode is non-zero.
struct CallOutcome {
  int32_t delayMs = 0;
  int32_t failCode = 0;
};

class CallTable {
 public:
  explicit CallTable(std::span<const char* const> names);

  // Index of an operation by its exact name, or -1.
  int Find(std::string_view name) const;
  std::string_view Name(int index) const { return names_[static_cast<size_t>(index)]; }
  int Size() const { return static_cast<int>(names_.size()); }

  CallRecord& At(int index) { return records_[static_cast<size_t>(index)]; }
  const CallRecord& At(int index) const { return records_[static_cast<size_t>(index)]; }

  // Counts the call, keeps its arguments and decides its scripted outcome.
  CallOutcome Enter(int index, std::initializer_list<int32_t> args);

  // Counters, arguments, failures and delays all back to zero.
  void Clear();

 private:
  std::span<const char* const> names_;
  std::vector<CallRecord> records_;
  int32_t serial_ = 0;
};

}  // namespace sim
