// The sender's rules over the whole spool, with the sending passed in: records go oldest
// first; each is stored, set aside or kept, and the next follows; only an answer that concerns
// every record ends the pass. Both the window's sender thread and VarnexCli --send run it.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "station/results/core/DeliveryRules.h"
#include "station/results/core/RecordQueue.h"

// How the station reaches the line service.
struct LineLink {
  std::function<LinkAnswer(const std::string& record)> post;  // POST <prefix>/api/v1/runs
  std::function<bool()> healthy;  // GET <prefix>/healthz answers {"status": "ok"}
};

// What became of one record.
struct DeliveryStep {
  enum class Kind {
    Stored,    // in sent\ .
    SetAside,  // in rejected\ with the reason beside it
    Waits,     // the answer concerns every record: this one and the younger ones wait
    Kept,      // delivered or refused, but its file could not be moved: it stays for now
  } kind = Kind::Waits;
  std::string id;
  std::string note;  // Stored: "HTTP 201"; SetAside: the reason; Waits and Kept: why
};

class DeliveryLoop {
 public:
  explicit DeliveryLoop(LineLink link);

  // One pass over the queue, oldest first. `each` hears of every record and returns whether to
  // go on. True when every record was filed (none waits or was kept).
  bool Pass(const RecordQueue& queue, const std::function<bool(const DeliveryStep&)>& each);

 private:
  DeliveryStep Deliver(const RecordQueue& queue, const std::string& id);
  DeliveryStep SetAside(const RecordQueue& queue, const std::string& id, const std::string& note,
                        const std::string& reason);

  LineLink link_;
  // The 500 answers of a record in a row while the service said it was healthy.
  std::map<std::string, std::vector<std::string>> serverFaults_;
};
