#include "station/run/RunWaits.h"

#include <algorithm>
#include <cwchar>
#include <utility>

#include <windows.h>

#include "station/engine/CheckContext.h"
#include "station/run/RunState.h"

namespace {

// A long wait is made of slices, so that a closing window cuts it short.
constexpr uint32_t kSliceMs = 50;

bool CutShort(const RunState& run) {
  return run.closing.load() && GetCurrentThreadId() == run.workerThreadId.load();
}

struct RunSleep {
  std::shared_ptr<RunState> run;
  std::function<void(uint32_t)> inner;

  void operator()(uint32_t milliseconds) const {
    while (milliseconds > 0 && !CutShort(*run)) {
      const uint32_t slice = std::min(milliseconds, kSliceMs);
      if (inner) {
        inner(slice);
      } else {
        Sleep(slice);
      }
      milliseconds -= slice;
    }
  }
};

struct RunPrompt {
  std::shared_ptr<RunState> run;
  std::function<void()> inner;

  void operator()() const {
    if (!CutShort(*run) && inner) {
      inner();
    }
  }
};

BOOL CALLBACK AnswerPrompt(HWND window, LPARAM) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (wcscmp(className, L"#32770") == 0) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  }
  return TRUE;
}

}  // namespace

void CloseRunPrompt(const RunState& run) {
  const DWORD thread = run.workerThreadId.load();
  if (thread != 0) {
    EnumThreadWindows(thread, &AnswerPrompt, 0);
  }
}

void InstallRunWaits(CheckContext& context, const std::shared_ptr<RunState>& run) {
  std::function<void(uint32_t)> sleep = context.sleep;
  if (const auto* installed = sleep.target<RunSleep>()) {
    sleep = installed->inner;
  }
  std::function<void()> prompt = context.promptOperator;
  if (const auto* installed = prompt.target<RunPrompt>()) {
    prompt = installed->inner;
  }
  context.sleep = RunSleep{run, std::move(sleep)};
  context.promptOperator = RunPrompt{run, std::move(prompt)};
}
