#include "station/results/core/LinkState.h"

std::wstring LinkStateText(const LinkState& state) {
  std::wstring text = L"Line: ";
  if (!state.configured) {
    text += L"spool only";
    if (state.waiting > 0) {
      text += L", " + std::to_wstring(state.waiting) + L" kept";
    }
    if (!state.problem.empty()) {
      text += L" (" + state.problem + L")";
    }
    return text;
  }
  if (state.waiting > 0) {
    text += std::to_wstring(state.waiting) + L" waiting";
    if (!state.problem.empty()) {
      text += L" (" + state.problem + L")";
    }
  } else {
    text += state.sent > 0 ? L"sent" : L"ready";
  }
  if (state.rejected > 0) {
    text += L", " + std::to_wstring(state.rejected) + L" rejected";
  }
  return text;
}
