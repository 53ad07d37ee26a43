// How the SIM and T card checks read the modem's reply; case-sensitive substring tests.
#pragma once

#include <string_view>

enum class SimCardState {
  kNotInserted,  // the reply carries "+CME ERROR: 10" (also matches longer codes such as 100)
  kPresent,      // a "+CPIN:" status of any kind
  kNoStatus,     // anything else, an empty reply included
};

enum class TCardState {
  kNoStatus,  // no "+TFSTAT" in the reply
  kAbsent,    // " 0" found; tested first, so a reply with both values fails
  kPresent,   // " 1" found
  kUnknown,   // "+TFSTAT" without either value, e.g. "+TFSTAT:1"
};

SimCardState JudgeSimReply(std::wstring_view reply);
TCardState JudgeTCardReply(std::wstring_view reply);
