#include "station/results/core/DeliveryLoop.h"

#include <utility>

#include "station/results/core/RecordJson.h"
#include "station/results/core/RecordTime.h"

namespace {

DeliveryStep Step(DeliveryStep::Kind kind, const std::string& id, std::string note) {
  return DeliveryStep{kind, id, std::move(note)};
}

}  // namespace

DeliveryLoop::DeliveryLoop(LineLink link) : link_(std::move(link)) {}

bool DeliveryLoop::Pass(const RecordQueue& queue,
                        const std::function<bool(const DeliveryStep&)>& each) {
  bool allFiled = true;
  for (const std::string& id : queue.Waiting()) {
    const DeliveryStep step = Deliver(queue, id);
    allFiled = allFiled && (step.kind == DeliveryStep::Kind::Stored ||
                            step.kind == DeliveryStep::Kind::SetAside);
    const bool goOn = !each || each(step);
    if (step.kind == DeliveryStep::Kind::Waits || !goOn) {
      return false;
    }
  }
  return allFiled;
}

DeliveryStep DeliveryLoop::SetAside(const RecordQueue& queue, const std::string& id,
                                    const std::string& note, const std::string& reason) {
  serverFaults_.erase(id);
  const std::string problem = queue.FileRejected(id, reason);
  if (!problem.empty()) {
    return Step(DeliveryStep::Kind::Kept, id, note + "; " + problem);
  }
  return Step(DeliveryStep::Kind::SetAside, id, note);
}

DeliveryStep DeliveryLoop::Deliver(const RecordQueue& queue, const std::string& id) {
  // A file that cannot be read or is not a record would be refused by any service.
  const std::optional<std::string> text = queue.Read(id);
  if (!text) {
    return SetAside(queue, id, "cannot read the file", "cannot read the file");
  }
  const RecordReading reading = RecordFromJson(*text);
  if (!reading.record || reading.record->id != id) {
    const std::string why =
        "not a run record: " +
        (reading.record ? std::string("the id differs from the file name") : reading.problem);
    return SetAside(queue, id, why, why);
  }
  const LinkAnswer answer = link_.post(*text);
  switch (ClassifyAnswer(answer, id)) {
    case Delivery::Stored: {
      serverFaults_.erase(id);
      const std::string problem = queue.FileSent(id, DateText(reading.record->started));
      if (!problem.empty()) {
        return Step(DeliveryStep::Kind::Kept, id, problem);
      }
      return Step(DeliveryStep::Kind::Stored, id, "HTTP " + std::to_string(answer.status));
    }
    case Delivery::SetAside:
      return SetAside(queue, id, AnswerSummary(answer), AnswerText(answer));
    case Delivery::ServerFault: {
      std::vector<std::string>& faults = serverFaults_[id];
      if (!link_.healthy || !link_.healthy()) {
        // The service itself is unwell: every record would fare the same.
        faults.clear();
        return Step(DeliveryStep::Kind::Waits, id, WaitReason(answer));
      }
      faults.push_back(AnswerText(answer));
      if (faults.size() < static_cast<size_t>(kServerFaultsToSetAside)) {
        return Step(DeliveryStep::Kind::Waits, id, WaitReason(answer));
      }
      std::string reason = "HTTP 500 " + std::to_string(faults.size()) +
                           " times in a row while /healthz said ok; the answers:";
      for (const std::string& fault : faults) {
        reason += "\r\n\r\n" + fault;
      }
      return SetAside(queue, id,
                      AnswerSummary(answer) + " (" + std::to_string(faults.size()) +
                          " times, the service healthy)",
                      reason);
    }
    case Delivery::Wait:
      break;
  }
  serverFaults_.erase(id);
  return Step(DeliveryStep::Kind::Waits, id, WaitReason(answer));
}
