#include "station/results/LineSender.h"

#include <mutex>
#include <random>
#include <utility>

#include "station/results/LineHttp.h"
#include "station/results/StationFacts.h"
#include "station/results/core/Adoption.h"
#include "station/results/core/DeliveryLoop.h"

namespace {

// A record written by VarnexCli into the same spool is picked up this long after at the latest.
constexpr DWORD kRescanMs = 60 * 1000;
// A temporary file this old was left by a program that died while writing it.
constexpr uint64_t kStaleTemporaryMs = 10 * 60 * 1000;

}  // namespace

struct LineSender::Shared {
  Shared(RecordSpool spoolIn, std::optional<LineSettings> settingsIn, StationInfo stationIn,
         std::function<void()> changedIn)
      : spool(std::move(spoolIn)),
        settings(std::move(settingsIn)),
        station(std::move(stationIn)),
        changed(std::move(changedIn)) {
    wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    state.configured = settings.has_value();
  }
  ~Shared() {
    CloseHandle(wake);
    CloseHandle(stop);
  }

  void Update(const std::function<void(LinkState&)>& change) {
    {
      std::lock_guard<std::mutex> guard(lock);
      change(state);
    }
    if (changed && !stopping.load() && !changePending.exchange(true)) {
      changed();
    }
  }

  void Count() {
    const auto waiting = static_cast<int32_t>(spool.List().size());
    const int32_t rejected = spool.RejectedCount();
    Update([waiting, rejected](LinkState& s) {
      s.waiting = waiting;
      s.rejected = rejected;
    });
  }

  // Waits until `ms` have passed or the sender is stopped (false); a wake-up meanwhile only
  // updates the count, unless `wakeEnds`.
  bool Pause(DWORD ms, bool wakeEnds) {
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
      const ULONGLONG now = GetTickCount64();
      const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
      HANDLE events[2] = {stop, wake};
      const DWORD woken = WaitForMultipleObjects(2, events, FALSE, left);
      if (woken == WAIT_OBJECT_0) {
        return false;
      }
      if (woken != WAIT_OBJECT_0 + 1) {
        return true;
      }
      if (wakeEnds) {
        return true;
      }
      Count();
    }
  }

  void Run() {
    std::mt19937 random(std::random_device{}());
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    AdoptEarlyRecords(spool, station);
    DeliveryLoop loop(HttpLineLink(*settings));
    uint32_t failures = 0;
    while (WaitForSingleObject(stop, 0) != WAIT_OBJECT_0) {
      Count();
      const bool delivered = loop.Pass(spool, [this](const DeliveryStep& step) {
        Update([&step](LinkState& s) { Note(s, step); });
        return WaitForSingleObject(stop, 0) != WAIT_OBJECT_0;
      });
      Count();
      if (delivered) {
        failures = 0;
        if (!Pause(kRescanMs, true)) {
          return;
        }
      } else {
        ++failures;
        if (!Pause(RetryDelayMs(failures, unit(random)), false)) {
          return;
        }
      }
    }
  }

  static void Note(LinkState& s, const DeliveryStep& step) {
    switch (step.kind) {
      case DeliveryStep::Kind::Stored:
        ++s.sent;
        break;
      case DeliveryStep::Kind::SetAside:
        ++s.rejected;
        break;
      case DeliveryStep::Kind::Waits:
      case DeliveryStep::Kind::Kept:
        s.problem = Utf8ToUtf16(step.note);
        return;
    }
    s.problem.clear();
    s.waiting = s.waiting > 0 ? s.waiting - 1 : 0;
  }

  RecordSpool spool;
  const std::optional<LineSettings> settings;
  const StationInfo station;
  const std::function<void()> changed;
  HANDLE wake = nullptr;
  HANDLE stop = nullptr;
  std::atomic<bool> stopping{false};
  std::atomic<bool> changePending{false};
  mutable std::mutex lock;
  LinkState state;
};

namespace {

DWORD WINAPI SenderMain(void* parameter) {
  // The thread's own reference: the state outlives the sender object if need be.
  std::shared_ptr<LineSender::Shared> shared =
      *static_cast<std::shared_ptr<LineSender::Shared>*>(parameter);
  delete static_cast<std::shared_ptr<LineSender::Shared>*>(parameter);
  shared->Run();
  return 0;
}

}  // namespace

LineSender::LineSender(RecordSpool spool, std::optional<LineSettings> settings, StationInfo station,
                       std::function<void()> changed)
    : shared_(std::make_shared<Shared>(std::move(spool), std::move(settings), std::move(station),
                                       std::move(changed))) {
  shared_->spool.RemoveStaleTemporaries(kStaleTemporaryMs);
  shared_->state.waiting = static_cast<int32_t>(shared_->spool.List().size());
  shared_->state.rejected = shared_->spool.RejectedCount();
}

LineSender::~LineSender() {
  Stop(0);
}

void LineSender::Start() {
  if (thread_ != nullptr || !shared_->settings) {
    return;
  }
  auto* parameter = new std::shared_ptr<Shared>(shared_);
  thread_ = CreateThread(nullptr, 0, &SenderMain, parameter, 0, nullptr);
  if (thread_ == nullptr) {
    delete parameter;
  }
}

void LineSender::Wake() {
  if (thread_ != nullptr) {
    SetEvent(shared_->wake);
  } else {
    shared_->Count();
  }
}

void LineSender::Stop(uint32_t waitMs) {
  shared_->stopping.store(true);
  SetEvent(shared_->stop);
  if (thread_ != nullptr) {
    WaitForSingleObject(thread_, waitMs);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
}

LinkState LineSender::State() const {
  shared_->changePending.store(false);
  std::lock_guard<std::mutex> guard(shared_->lock);
  return shared_->state;
}
