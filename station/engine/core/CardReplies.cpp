#include "station/engine/core/CardReplies.h"

#include "station/engine/core/TextEdit.h"

SimCardState JudgeSimReply(std::wstring_view reply) {
  if (Contains(reply, L"+CME ERROR: 10")) {
    return SimCardState::kNotInserted;
  }
  return Contains(reply, L"+CPIN:") ? SimCardState::kPresent : SimCardState::kNoStatus;
}

TCardState JudgeTCardReply(std::wstring_view reply) {
  if (!Contains(reply, L"+TFSTAT")) {
    return TCardState::kNoStatus;
  }
  if (Contains(reply, L" 0")) {
    return TCardState::kAbsent;
  }
  return Contains(reply, L" 1") ? TCardState::kPresent : TCardState::kUnknown;
}
