#include "station/engine/CheckContext.h"

#include "station/engine/LogFiles.h"
#include "station/engine/SupplyControl.h"

namespace {

// Shown before a current is measured without a supply on the charger side: the operator pulls
// the cable so the phone draws from the battery terminal alone.
constexpr wchar_t kPowerOffCaption[] = L"Power Off";
constexpr wchar_t kPowerOffText[] =
    L"请拔出USB线之后点击确认继续测试! \r\n"
    L"Please plug out the USB cable and then press OK to continue testing.";

void ReleaseTollmark(CheckContext& context) {
  if (context.tollmarkObject != nullptr) {
    ReleaseTollmarkObject(context.tollmarkObject);
    context.tollmarkObject = nullptr;
  }
}

}  // namespace

CheckContext::CheckContext() {
  sleep = [](uint32_t milliseconds) { Sleep(milliseconds); };
  promptOperator = [] {
    MessageBoxW(nullptr, kPowerOffText, kPowerOffCaption, MB_ICONINFORMATION | MB_TOPMOST | MB_OK);
  };
  CreatePowerbenchFactory(&supplyFactory);
}

CheckContext::~CheckContext() {
  // Whatever the shutdown left: a voltage log kept open because its switch was turned off, or
  // a context that never saw a shutdown at all.
  ReleaseAllSupplies(*this);
  ReleaseTollmark(*this);
  CloseTestLog(*this);
  CloseVoltageLog(*this);
}

void ShutdownCheckContext(CheckContext& context, bool workerOutlived) {
  ReleaseAllSupplies(context);
  if (!workerOutlived) {
    ReleaseTollmark(context);
  }
  if (context.settings.saveVoltageLog != 0) {
    CloseVoltageLog(context);
  }
}
