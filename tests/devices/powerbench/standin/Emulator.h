// Emulators of the four supply families behind the stand-in bus libraries. Each instrument
// takes its family's commands (short forms, as the library sends them), keeps its outputs,
// queues an SCPI error for a command it does not take, and answers currents from the bench's
// phone: the battery output draws "On" while the charger output is on, "Sleep" once the
// charger is off, "Off" once the battery has also been taken away and given back.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>

namespace emu {

struct Model;
struct Verb;

struct Output {
  double volts = 0.0;
  bool on = false;
  double range = 0.0;  // amperes; 0 = the family has one range
  bool readsCurrent = false;
};

class Bench;

class Instrument {
 public:
  // Unknown model: nothing answers (see Known).
  Instrument(Bench& bench, int address, const std::string& model, std::string identity,
             std::string refuse, std::string slow);
  bool Known() const { return model_ != nullptr; }
  int Address() const { return address_; }
  void Receive(const std::string& message);  // one program message without its line end
  std::optional<std::string> TakeAnswer();
  void NoteUnterminated() { Queue(-420); }  // read with nothing to say
  bool AnswersSlowly() const { return slowAnswer_; }
  const Output& At(int output) const { return outputs_[output]; }

 private:
  void Reset();
  void Queue(int code);
  bool Execute(const Verb& verb, int output, const std::string& argument);
  std::string Reading(int output) const;

  Bench& bench_;
  int address_;
  const Model* model_;
  std::string identity_;
  std::string refuse_;
  std::string slow_;  // a header answered late; empty: every one
  bool slowAnswer_ = false;
  Output outputs_[3];
  int selected_ = 1;
  std::deque<int> errors_;
  std::optional<std::string> answer_;
};

// The instruments by GPIB address (card 0) and the phone they feed.
class Bench {
 public:
  double on = 150.0, charge = 450.0, sleep = 1.6, off = 0.035;  // mA the phone draws
  int battery = 5, batteryOutput = 1, charger = 6, chargerOutput = 1;
  std::map<int, Instrument> instruments;

  double CurrentMa(const Instrument& instrument, int output) const;
  void Observe();  // after every command: did the battery go away while charging was off?

 private:
  bool Live(int address, int output) const;
  bool cycled_ = false;
};

}  // namespace emu
