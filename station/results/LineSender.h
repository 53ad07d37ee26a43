// The background sender of Varnex.exe: the spool delivered to the line service by the
// DeliveryLoop's rules (a record that can never be delivered as it is goes to rejected\ and the
// next one follows; what concerns every record keeps the queue waiting), trying again after a
// growing pause (2 s up to 5 min, with jitter). Records the station spooled before
// VarnexLine.ini named it are adopted first. Nothing is ever dropped: records wait in the spool
// through any outage, also across program starts.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <windows.h>

#include "station/results/RecordSpool.h"
#include "station/results/core/LineSettings.h"
#include "station/results/core/LinkState.h"
#include "station/results/core/RunRecord.h"

// One thread that never touches the window; it tells of changes of its state through `changed`
// (at most one call pending until State() is read).
class LineSender {
 public:
  // `station`: the name and line early records are adopted under.
  LineSender(RecordSpool spool, std::optional<LineSettings> settings, StationInfo station,
             std::function<void()> changed);
  ~LineSender();  // Stop(0)
  LineSender(const LineSender&) = delete;
  LineSender& operator=(const LineSender&) = delete;

  // Starts the thread when there are settings; without them only the state is kept.
  void Start();
  // A record was spooled: deliver it now unless the sender is pausing after a failure.
  void Wake();
  // Asks the thread to end and waits for it at most `waitMs`. A thread inside a request goes on
  // to its end on its own; it touches nothing but its own state.
  void Stop(uint32_t waitMs);
  LinkState State() const;

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
  HANDLE thread_ = nullptr;
};
