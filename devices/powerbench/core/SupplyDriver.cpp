#include "SupplyDriver.h"

#include <cmath>

#include "BenchResults.h"
#include "ScpiAnswers.h"

namespace bench {

namespace {

// No station setting comes near these; anything beyond is refused before it reaches a command.
constexpr float kHighestVolts = 100.0f;
constexpr double kHighestAmperes = 1000.0;

}  // namespace

int32_t SupplyDriver::Open() {
  lost_ = false;
  outputs_ = 0;
  selected_ = 0;
  on_[1] = on_[2] = false;
  int32_t result = Note(bus_.SetTimeout(kAnswerTimeoutMs));
  if (result == kDone) {
    result = Note(bus_.Clear());
  }
  std::string answer;
  if (result == kDone) {
    result = Ask("*IDN?", answer, kAnswerTimeoutMs);
  }
  if (result != kDone) {
    return result;
  }
  const auto identity = ParseIdentity(answer);
  if (!identity) {
    return kBadAnswer;
  }
  const int32_t outputs = OutputsOf(family_, *identity);
  if (outputs == 0) {
    return kWrongFamily;
  }
  // *RST leaves every output off; *CLS empties the error queue of what came before.
  for (const char* command : {"*RST", "*CLS"}) {
    if ((result = Send(command)) != kDone) {
      return result;
    }
  }
  for (int32_t output = 1; output <= outputs; ++output) {
    for (const char* pattern : family_.afterReset) {
      if ((result = Send(Command(pattern, output))) != kDone) {
        return result;
      }
    }
  }
  result = CheckErrors(kResetTimeoutMs);
  if (result == kDone) {
    outputs_ = outputs;
  }
  return result;
}

int32_t SupplyDriver::SetVoltage(float volts, int32_t channel) {
  const int32_t output = OutputOf(channel);
  if (output == 0 || !std::isfinite(volts) || volts > kHighestVolts) {
    return kBadArgument;
  }
  const int32_t result = volts < 0.0f ? SwitchOff(output) : SwitchOn(output, volts);
  return result != kDone ? result : CheckErrors();
}

int32_t SupplyDriver::MeasureCurrent(int32_t setting, float* milliamperes, int32_t channel) {
  const int32_t output = OutputOf(channel);
  if (output == 0 || milliamperes == nullptr) {
    return kBadArgument;
  }
  int32_t result = Select(output);
  const IntegrationPlan plan = PlanIntegration(family_, output, setting);
  for (const std::string& command : plan.apply) {
    if (result == kDone) {
      result = Send(command);
    }
  }
  std::string answer;
  if (result == kDone) {
    result = Ask(Command(family_.measureCurrent, output), answer, kAnswerTimeoutMs + plan.spanMs);
    // The usual reading again for the next plain measurement, whatever this one gave.
    for (const std::string& command : plan.restore) {
      if (!lost_) {
        const int32_t restored = Send(command);
        result = result != kDone ? result : restored;
      }
    }
  }
  if (result != kDone || (result = CheckErrors()) != kDone) {
    return result;
  }
  const auto amperes = ParseReading(answer);
  if (!amperes || std::fabs(*amperes) > kHighestAmperes) {
    return kBadAnswer;
  }
  *milliamperes = static_cast<float>(*amperes * 1000.0);
  return kDone;
}

int32_t SupplyDriver::SetCurrentRange(float amperes, int32_t channel) {
  const int32_t output = OutputOf(channel);
  if (output == 0 || !std::isfinite(amperes) || amperes <= 0.0f) {
    return kBadArgument;
  }
  int32_t result = kDone;
  if (family_.setRange != nullptr && output <= family_.rangedOutputs) {
    result = Select(output);
    if (result == kDone) {
      result = Send(Command(family_.setRange, output, NumberText(RangeFor(family_, amperes))));
    }
  }
  return result != kDone ? result : CheckErrors();
}

int32_t SupplyDriver::OutputOf(int32_t channel) const {
  if (channel == kMainChannel && outputs_ >= 1) {
    return 1;
  }
  return channel == kSecondChannel && outputs_ >= 2 ? 2 : 0;
}

int32_t SupplyDriver::Send(const std::string& command) {
  if (lost_) {
    return kTimedOut;
  }
  return Note(bus_.Write(command + "\n"));
}

int32_t SupplyDriver::Ask(const std::string& query, std::string& answer, uint32_t timeoutMs) {
  const bool longer = timeoutMs != kAnswerTimeoutMs;
  int32_t result = longer && !lost_ ? Note(bus_.SetTimeout(timeoutMs)) : kDone;
  if (result == kDone) {
    result = Send(query);
  }
  if (result == kDone) {
    result = Note(bus_.Read(answer));
  }
  if (longer && !lost_) {
    const int32_t restored = Note(bus_.SetTimeout(kAnswerTimeoutMs));
    result = result != kDone ? result : restored;
  }
  return result;
}

int32_t SupplyDriver::CheckErrors(uint32_t timeoutMs) {
  std::string answer;
  const int32_t result = Ask("SYST:ERR?", answer, timeoutMs);
  if (result != kDone) {
    return result;
  }
  const auto code = ParseErrorCode(answer);
  if (!code) {
    return kBadAnswer;
  }
  if (*code == 0) {
    return kDone;
  }
  // The rest of the queue belongs to this failure too: the next operation starts clean.
  const int32_t cleared = Send("*CLS");
  return cleared != kDone ? cleared : kInstrumentError;
}

int32_t SupplyDriver::Select(int32_t output) {
  if (family_.selectOutput == nullptr || outputs_ < 2 || selected_ == output) {
    return kDone;
  }
  const int32_t result = Send(Command(family_.selectOutput, output));
  selected_ = result == kDone ? output : 0;
  return result;
}

// The voltage first, then the switch: an output never shows a voltage left from before.
int32_t SupplyDriver::SwitchOn(int32_t output, float volts) {
  int32_t result = Select(output);
  if (result == kDone) {
    result = Send(Command(family_.setVoltage, output, VoltageText(volts)));
  }
  const bool switchedOff = family_.sharedSwitch ? !on_[1] && !on_[2] : !on_[output];
  if (result == kDone && switchedOff) {
    result = Send(Command(family_.outputOn, output));
  }
  if (result == kDone) {
    on_[output] = true;
  }
  return result;
}

// Sent even when this object believes the output off already: off is the safe side. With one
// switch for both outputs, an output that must go off while the other stays on is set to 0 V.
int32_t SupplyDriver::SwitchOff(int32_t output) {
  on_[output] = false;
  int32_t result = kDone;
  if (family_.sharedSwitch && outputs_ == 2) {
    result = Select(output);
    if (result == kDone) {
      result = Send(Command(family_.setVoltage, output, VoltageText(0.0f)));
    }
    if (result != kDone || on_[1] || on_[2]) {
      return result;
    }
  }
  return Send(Command(family_.outputOff, output));
}

int32_t SupplyDriver::Note(int32_t result) {
  if (result == kTimedOut) {
    lost_ = true;
  }
  return result;
}

}  // namespace bench
