// The engine's waits during a run. Once the window is closing, a wait on the run's worker ends
// at once and the operator is no longer asked, so the worker leaves the checks in moments.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

struct CheckContext;
struct RunState;

// Puts the run's waits in front of the context's own sleep and operator prompt (those installed
// by the owner; a previous run's are replaced, never stacked). A long wait reaches the owner's
// sleep in slices of at most 50 ms that add up to it.
void InstallRunWaits(CheckContext& context, const std::shared_ptr<RunState>& run);

// Answers the operator prompt that the run's worker shows (its message box) with OK, so that a
// closing window never waits for an operator who is going away.
void CloseRunPrompt(const RunState& run);
