#include "Emulator.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace emu {

enum Action {
  kIdn,
  kReset,
  kClear,
  kError,
  kVoltage,
  kSwitch,
  kFunction,
  kRead,
  kRange,
  kSelect,
  kSetting,
  kWholeSetting
};

// '#' stands for an output suffix: none or 1, or 2. Settings are only checked against their
// limits; a voltage's upper limit is the model's.
struct Verb {
  const char* header;
  Action action;
  double low = 0.0, high = 0.0;
};

constexpr Verb kCommon[] = {
    {"*IDN?", kIdn}, {"*RST", kReset}, {"*CLS", kClear}, {"SYST:ERR?", kError}};
constexpr Verb kKeithley[] = {{"SOUR#:VOLT", kVoltage},
                              {"OUTP#", kSwitch},
                              {"SENS#:FUNC", kFunction},
                              {"READ#?", kRead},
                              {"SENS#:CURR:RANG", kRange},
                              {"SENS#:NPLC", kSetting, 0.01, 10},
                              {"SENS#:AVER", kWholeSetting, 1, 10}};
constexpr Verb kMobile[] = {{"VOLT#", kVoltage},
                            {"OUTP#", kSwitch},
                            {"MEAS:CURR#?", kRead},
                            {"SENS:CURR:RANG", kRange},
                            {"SENS:SWE:POIN", kWholeSetting, 1, 4096},
                            {"SENS:SWE:TINT", kSetting, 15.6e-6, 31200}};
constexpr Verb kLab[] = {
    {"INST:NSEL", kSelect, 1, 2}, {"VOLT", kVoltage}, {"OUTP", kSwitch}, {"MEAS:CURR?", kRead}};
constexpr double kKeithleyRanges[] = {0.005, 5.0};
constexpr double kMobileRanges[] = {0.02, 1.0, 3.0};

struct Model {
  const char* name;
  const char* identity;
  int outputs;
  double maxVolts;
  std::span<const Verb> verbs;
  std::span<const double> ranges;
  int rangedOutputs;
  bool readsVoltageFirst;  // reads volts until told "CURR" (Keithley)
  bool sharedSwitch;       // one switch; other commands act on the selected output (E36XX)
};

constexpr Model kModels[] = {
    {"2306", "KEITHLEY INSTRUMENTS INC.,MODEL 2306,4041234,B02 /A02", 2, 15, kKeithley,
     kKeithleyRanges, 2, true, false},
    {"2304A", "KEITHLEY INSTRUMENTS INC.,MODEL 2304A,4045678,A02 /A02", 1, 20, kKeithley,
     kKeithleyRanges, 1, true, false},
    {"66319B", "Agilent Technologies,66319B,US40001234,A.03.02", 2, 15, kMobile, kMobileRanges, 1,
     false, false},
    {"66311B", "Agilent Technologies,66311B,US40005678,A.03.02", 1, 15, kMobile, kMobileRanges, 1,
     false, false},
    {"E3631A", "HEWLETT-PACKARD,E3631A,0,2.1-5.0-1.0", 2, 25, kLab, {}, 0, false, true},
    {"E3632A", "Agilent Technologies,E3632A,0,1.4-5.0-1.0", 1, 30, kLab, {}, 0, false, true},
};

constexpr double kLiveVolts = 0.5;

// The output a header names when it matches the pattern; 0 when it does not match.
int Match(const char* pattern, const std::string& header, int outputs) {
  int output = 1;
  size_t i = 0;
  for (const char* p = pattern; *p != '\0'; ++p) {
    if (*p == '#') {
      if (i < header.size() && (header[i] == '1' || header[i] == '2')) {
        output = header[i++] - '0';
      }
    } else if (i >= header.size() || header[i++] != *p) {
      return 0;
    }
  }
  return i == header.size() && output <= outputs ? output : 0;
}

Instrument::Instrument(Bench& bench, int address, const std::string& model, std::string identity,
                       std::string refuse, std::string slow)
    : bench_(bench),
      address_(address),
      model_(nullptr),
      refuse_(std::move(refuse)),
      slow_(std::move(slow)) {
  for (const Model& known : kModels) {
    if (model == known.name) {
      model_ = &known;
    }
  }
  identity_ = identity.empty() && model_ ? model_->identity : identity;
  if (model_) {
    Reset();
  }
}

void Instrument::Receive(const std::string& message) {
  if (answer_) {
    answer_.reset();
    Queue(-410);  // query interrupted: a new command before the answer was read
  }
  if (message.empty()) {
    return;
  }
  std::string text = message;
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  const size_t space = text.find(' ');
  const size_t start = text[0] == ':' ? 1 : 0;
  const std::string header = text.substr(start, space == text.npos ? space : space - start);
  const std::string argument = space == text.npos ? "" : text.substr(space + 1);
  slowAnswer_ = slow_.empty() || header == slow_;
  if (header == refuse_) {
    Queue(-200);
    return;
  }
  for (std::span<const Verb> verbs : {std::span<const Verb>(kCommon), model_->verbs}) {
    for (const Verb& verb : verbs) {
      if (const int output = Match(verb.header, header, model_->outputs)) {
        if (!Execute(verb, output, argument)) {
          Queue(-222);  // data out of range
        }
        bench_.Observe();
        return;
      }
    }
  }
  Queue(-113);  // undefined header
}

std::optional<std::string> Instrument::TakeAnswer() {
  std::optional<std::string> answer;
  answer.swap(answer_);
  return answer;
}

void Instrument::Reset() {
  selected_ = 1;
  for (int output = 1; output <= 2; ++output) {
    outputs_[output] = Output{};
    if (output <= model_->rangedOutputs) {
      outputs_[output].range = model_->ranges.back();
    }
    outputs_[output].readsCurrent = !model_->readsVoltageFirst;
  }
}

void Instrument::Queue(int code) {
  if (errors_.size() < 20) {
    errors_.push_back(code);
  }
}

bool Instrument::Execute(const Verb& verb, int output, const std::string& argument) {
  if (model_->sharedSwitch && verb.action != kSwitch) {
    output = selected_;
  }
  Output& out = outputs_[output];
  char* end = nullptr;
  const double value = std::strtod(argument.c_str(), &end);
  const double high = verb.action == kVoltage ? model_->maxVolts : verb.high;
  const bool inLimits = !argument.empty() && *end == '\0' && value >= verb.low && value <= high &&
                        (verb.action != kWholeSetting || value == std::floor(value));
  switch (verb.action) {
    case kIdn:
      answer_ = identity_;
      break;
    case kReset:
      Reset();
      break;
    case kClear:
      errors_.clear();
      break;
    case kError:
      answer_ =
          errors_.empty() ? "+0,\"No error\"" : std::to_string(errors_.front()) + ",\"Error\"";
      if (!errors_.empty()) {
        errors_.pop_front();
      }
      break;
    case kVoltage:
      out.volts = inLimits ? value : out.volts;
      return inLimits;
    case kSwitch:
      for (int each = 1; each <= model_->outputs; ++each) {
        if (each == output || model_->sharedSwitch) {
          outputs_[each].on = argument == "ON";
        }
      }
      return argument == "ON" || argument == "OFF";
    case kFunction:
      out.readsCurrent = argument == "\"CURR\"";
      return out.readsCurrent || argument == "\"VOLT\"";
    case kRead:
      answer_ = Reading(output);
      break;
    case kRange:
      for (double range : model_->ranges) {
        if (value > 0.0 && value <= range && *end == '\0') {
          out.range = range;
          return true;
        }
      }
      return false;
    case kSelect:
      selected_ = inLimits ? static_cast<int>(value) : selected_;
      return inLimits;
    default:
      return inLimits;
  }
  return true;
}

std::string Instrument::Reading(int output) const {
  const Output& out = outputs_[output];
  const double amperes = out.readsCurrent ? bench_.CurrentMa(*this, output) / 1000.0 : out.volts;
  char text[32];
  std::snprintf(text, sizeof text, "%+.6E",
                out.range > 0.0 && amperes > out.range ? 9.9e37 : amperes);
  return text;
}

double Bench::CurrentMa(const Instrument& instrument, int output) const {
  const int address = instrument.Address();
  if (!Live(address, output)) {
    return 0.0;
  }
  if (address == charger && output == chargerOutput) {
    return charge;
  }
  if (address != battery || output != batteryOutput) {
    return 0.0;
  }
  return Live(charger, chargerOutput) ? on : cycled_ ? off : sleep;
}

void Bench::Observe() {
  if (Live(charger, chargerOutput)) {
    cycled_ = false;
  } else if (!Live(battery, batteryOutput)) {
    cycled_ = true;
  }
}

bool Bench::Live(int address, int output) const {
  const auto found = instruments.find(address);
  return found != instruments.end() && found->second.At(output).on &&
         found->second.At(output).volts >= kLiveVolts;
}

}  // namespace emu
