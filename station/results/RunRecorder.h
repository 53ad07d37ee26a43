// The run observer both shells attach to the run control: at a run's end it builds the run's
// record and writes it into the spool, before the run is shown as ended.
//
//   RunRecorder recorder(RecordSpool(), IdentityFor("Varnex", ReadLineConfig()));
//   control.SetObserver(&recorder);
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "station/results/RecordSpool.h"
#include "station/results/core/RunRecord.h"
#include "station/run/RunObserver.h"

// How the run control's ends appear in the record (NoAnswer, the UART phone that never
// answered, is a TIMEOUT as the USB one is).
Outcome OutcomeOf(RunEnd end);

class RunRecorder : public RunObserver {
 public:
  RunRecorder(RecordSpool spool, StationInfo station);

  // Called on the ending thread once a record is in the spool (the sender's wake-up).
  void SetSpooledHandler(std::function<void()> spooled);

  void RunStarted(CheckContext& context) override;
  // "The run record could not be saved: ..." when the record could not be written.
  std::wstring RunEnded(CheckContext& context, RunEnd end) override;

  // The last run's record on one line (empty before the first end).
  std::string LastRecordJson() const;

 private:
  RecordSpool spool_;
  StationInfo station_;
  std::function<void()> spooled_;

  mutable std::mutex lock_;
  std::string id_;
  Timestamp started_;
  uint64_t startTick_ = 0;
  std::wstring operator_;
  std::optional<RunRecord> last_;  // made into JSON only when asked for
};
