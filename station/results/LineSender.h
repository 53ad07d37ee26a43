// Delivers the spooled records to the line service, oldest first: 200/201 moves a record to
// sent\<date>\, 400/409/413 to rejected\ with the answer beside it; anything else leaves it in
// the spool and the sender tries again after a growing pause (2 s up to 5 min, with jitter).
// Nothing is ever dropped: records wait in the spool through any outage, also across program
// starts.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <windows.h>

#include "station/results/RecordSpool.h"
#include "station/results/core/LineSettings.h"
#include "station/results/core/LinkState.h"

// What became of one record.
struct DeliveryStep {
  enum class Kind { Stored, Rejected, Failed } kind = Kind::Failed;
  std::string id;
  std::wstring note;  // Stored: the status; Rejected: the answer; Failed: why
};

// Sends one spooled record and files it by the answer.
DeliveryStep DeliverRecord(const RecordSpool& spool, const LineSettings& settings,
                           const SpooledRecord& record);

// The spool once, oldest first, until it is empty (true) or a record could not be delivered
// (false; it and the younger ones stay). `each` hears of every record and returns whether to go
// on.
bool DeliverSpool(const RecordSpool& spool, const LineSettings& settings,
                  const std::function<bool(const DeliveryStep&)>& each);

// The background sender of Varnex.exe: one thread that never touches the window; it tells of
// changes of its state through `changed` (at most one call pending until State() is read).
class LineSender {
 public:
  LineSender(RecordSpool spool, std::optional<LineSettings> settings,
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
