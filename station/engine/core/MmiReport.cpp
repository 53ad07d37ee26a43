#include "station/engine/core/MmiReport.h"

namespace {

const wchar_t* StateText(MmiState state) {
  switch (state) {
    case MmiState::kNotTested:
      return L" ---- not test";
    case MmiState::kPassed:
      return L" ---- pass";
    case MmiState::kFailed:
      return L" ---- fail";
    case MmiState::kNotSupported:
      break;
  }
  return L" ---- not support";
}

}  // namespace

MmiState MmiEntryState(uint8_t supported, uint8_t result) {
  if (supported != 1) {
    return MmiState::kNotSupported;
  }
  if (result == 0) {
    return MmiState::kNotTested;
  }
  return result == 1 ? MmiState::kPassed : MmiState::kFailed;
}

bool MmiFinalPassed(const uint8_t (&record)[kMmiRecordSize]) {
  const uint8_t* entry = record + 2 + 4 * kMmiFinalResultIndex;
  return MmiEntryState(entry[2], entry[3]) == MmiState::kPassed;
}

bool AppendMmiBlock(std::wstring& report, std::wstring_view heading,
                    const uint8_t (&record)[kMmiRecordSize], const wchar_t* const* names) {
  report += heading;
  report += L"\r\n";
  bool finalOk = true;
  for (int i = 0; i < kMmiItemCount; ++i) {
    const uint8_t* entry = record + 2 + 4 * i;
    const MmiState state = MmiEntryState(entry[2], entry[3]);
    report += names[i] != nullptr ? names[i] : L"";
    report += StateText(state);
    report += L"\r\n";
    if (i == kMmiFinalResultIndex &&
        (state == MmiState::kNotTested || state == MmiState::kFailed)) {
      finalOk = false;
    }
  }
  return finalOk;
}
