#include "station/results/RunRecorder.h"

#include <utility>

#include <windows.h>

#include "station/engine/CheckContext.h"
#include "station/results/StationFacts.h"
#include "station/results/core/RecordBuilder.h"
#include "station/results/core/RecordJson.h"

Outcome OutcomeOf(RunEnd end) {
  switch (end) {
    case RunEnd::Passed:
      return Outcome::Pass;
    case RunEnd::Failed:
      return Outcome::Fail;
    case RunEnd::TimedOut:
    case RunEnd::NoAnswer:
      return Outcome::Timeout;
    case RunEnd::LinkFailed:
      return Outcome::LinkFailed;
    case RunEnd::Aborted:
      return Outcome::Stopped;
    case RunEnd::Abandoned:
    case RunEnd::NoWorker:  // never recorded: no phone was checked
    case RunEnd::None:
      break;
  }
  return Outcome::Abandoned;
}

RunRecorder::RunRecorder(RecordSpool spool, StationInfo station)
    : spool_(std::move(spool)), station_(std::move(station)) {}

void RunRecorder::SetSpooledHandler(std::function<void()> spooled) {
  spooled_ = std::move(spooled);
}

void RunRecorder::RunStarted(CheckContext& context) {
  context.capture.Clear();
  std::lock_guard<std::mutex> guard(lock_);
  id_ = NewRecordId();
  started_ = LocalNow();
  startTick_ = GetTickCount64();
  operator_ = LoggedOnOperator();
}

std::wstring RunRecorder::RunEnded(CheckContext& context, RunEnd end) {
  RunFacts facts;
  {
    std::lock_guard<std::mutex> guard(lock_);
    facts.id = id_;
    facts.started = started_;
    facts.durationMs = static_cast<int64_t>(GetTickCount64() - startTick_);
    facts.operatorName = operator_;
  }
  facts.ended = LocalNow();
  facts.station = station_;
  facts.outcome = OutcomeOf(end);
  facts.settings = context.settings;
  facts.captured = context.capture.Snapshot();
  const RunRecord record = BuildRunRecord(facts, AnsiToUtf16);

  const std::wstring problem = spool_.Write(record.id, RecordToJson(record, kSpoolIndent));
  {
    std::lock_guard<std::mutex> guard(lock_);
    last_ = record;
  }
  if (!problem.empty()) {
    return L"The run record could not be saved: " + problem;
  }
  if (spooled_) {
    spooled_();
  }
  return {};
}

std::string RunRecorder::LastRecordJson() const {
  std::optional<RunRecord> last;
  {
    std::lock_guard<std::mutex> guard(lock_);
    last = last_;
  }
  return last ? RecordToJson(*last) : std::string();
}
