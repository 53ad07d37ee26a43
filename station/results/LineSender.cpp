#include "station/results/LineSender.h"

#include <mutex>
#include <random>
#include <utility>

#include "station/results/HttpPost.h"
#include "station/results/core/DeliveryRules.h"
#include "station/results/core/RecordJson.h"
#include "station/results/core/RecordTime.h"

namespace {

// A record written by VarnexCli into the same spool is picked up this long after at the latest.
constexpr DWORD kRescanMs = 60 * 1000;
// A temporary file this old was left by a program that died while writing it.
constexpr uint64_t kStaleTemporaryMs = 10 * 60 * 1000;

std::wstring Widen(const std::string& text) {
  std::wstring wide;
  for (unsigned char c : text) {
    wide += c < 0x80 && c >= 0x20 ? static_cast<wchar_t>(c) : L'?';
  }
  return wide;
}

std::string AnswerText(const HttpAnswer& answer) {
  return "HTTP " + std::to_string(answer.status) + "\r\n" + answer.body;
}

}  // namespace

DeliveryStep DeliverRecord(const RecordSpool& spool, const LineSettings& settings,
                           const SpooledRecord& record) {
  DeliveryStep step;
  step.id = record.id;
  std::string json;
  if (!RecordSpool::ReadWhole(record.path, json)) {
    step.note = L"cannot read " + record.path;
    return step;
  }
  // A file that is not a record would be refused by any service: it is set aside at once.
  const RecordReading reading = RecordFromJson(json);
  if (!reading.record || reading.record->id != record.id) {
    const std::string why = reading.record ? "the id differs from the file name" : reading.problem;
    step.note = spool.MoveToRejected(record, "not a run record: " + why);
    if (step.note.empty()) {
      step.kind = DeliveryStep::Kind::Rejected;
      step.note = L"not a run record: " + Widen(why);
    }
    return step;
  }
  const HttpAnswer answer = PostJson(settings.service, RunsPath(settings.service), settings.token,
                                     json, settings.answerTimeoutMs);
  if (!answer.answered) {
    step.note = answer.problem;
    return step;
  }
  switch (ClassifyAnswer(answer.status)) {
    case Delivery::Stored:
      step.note = spool.MoveToSent(record, DateText(reading.record->started));
      if (step.note.empty()) {
        step.kind = DeliveryStep::Kind::Stored;
        step.note = L"HTTP " + std::to_wstring(answer.status);
      }
      return step;
    case Delivery::Rejected:
      step.note = spool.MoveToRejected(record, AnswerText(answer));
      if (step.note.empty()) {
        step.kind = DeliveryStep::Kind::Rejected;
        step.note =
            L"HTTP " + std::to_wstring(answer.status) + L": " + Widen(answer.body.substr(0, 200));
      }
      return step;
    case Delivery::Retry:
      break;
  }
  step.note = answer.status == 401 ? L"token refused" : L"HTTP " + std::to_wstring(answer.status);
  return step;
}

bool DeliverSpool(const RecordSpool& spool, const LineSettings& settings,
                  const std::function<bool(const DeliveryStep&)>& each) {
  for (const SpooledRecord& record : spool.List()) {
    const DeliveryStep step = DeliverRecord(spool, settings, record);
    const bool goOn = !each || each(step);
    if (step.kind == DeliveryStep::Kind::Failed || !goOn) {
      return false;
    }
  }
  return true;
}

struct LineSender::Shared {
  Shared(RecordSpool spoolIn, std::optional<LineSettings> settingsIn,
         std::function<void()> changedIn)
      : spool(std::move(spoolIn)), settings(std::move(settingsIn)), changed(std::move(changedIn)) {
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
    const int32_t waiting = static_cast<int32_t>(spool.List().size());
    Update([waiting](LinkState& s) { s.waiting = waiting; });
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
    uint32_t failures = 0;
    while (WaitForSingleObject(stop, 0) != WAIT_OBJECT_0) {
      Count();
      const bool delivered = DeliverSpool(spool, *settings, [this](const DeliveryStep& step) {
        Update([&step](LinkState& s) {
          if (step.kind == DeliveryStep::Kind::Failed) {
            s.problem = step.note;
            return;
          }
          s.problem.clear();
          s.waiting = s.waiting > 0 ? s.waiting - 1 : 0;
          ++(step.kind == DeliveryStep::Kind::Stored ? s.sent : s.rejected);
        });
        return WaitForSingleObject(stop, 0) != WAIT_OBJECT_0;
      });
      if (delivered) {
        failures = 0;
        Count();
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

  RecordSpool spool;
  const std::optional<LineSettings> settings;
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

LineSender::LineSender(RecordSpool spool, std::optional<LineSettings> settings,
                       std::function<void()> changed)
    : shared_(std::make_shared<Shared>(std::move(spool), std::move(settings), std::move(changed))) {
  shared_->spool.RemoveStaleTemporaries(kStaleTemporaryMs);
  shared_->state.waiting = static_cast<int32_t>(shared_->spool.List().size());
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
