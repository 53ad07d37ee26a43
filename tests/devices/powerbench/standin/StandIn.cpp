// The stand-in bus libraries, for tests only: one DLL that answers as visa32.dll and as
// gpib-32.dll, or (built with NI4882_STYLE) as ni4882.dll, which reports its status through
// Iberr/Ibcnt instead of the thread copies. The tests copy them into the system folder of a
// Wine prefix of their own. Behind them, the emulated bench (Emulator.h), described by the
// profile file named in VARNEX_BENCH_PROFILE and read again whenever a device is opened:
//   [Bench]     Trail=<file>: every command is appended as "GPIB<card>::<address> <command>"
//   [Phone]     On=, Charge=, Sleep=, Off= (mA); Battery=5; Charger=6 (6.2: output 2 of 6)
//   [GPIB0::5]  Model=2306|2304A|66319B|66311B|E3631A|E3632A; Identity=<*IDN? answer instead>;
//               Refuse=<a header answered with an execution error>; SlowMs=<before an answer>
//               (every answer, or only those to the header Slow=)
// An address without a model has no listener. Instruments are known by address, on any card.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include "Emulator.h"

namespace {

enum class Io { kDone, kNoListener, kTimeout, kMore };

struct Session {
  int card = 0;
  int address = 0;
  uint32_t timeoutMs = 0;
  uint32_t slowMs = 0;
};

std::mutex gMutex;
emu::Bench* gBench = new emu::Bench();
std::map<int, Session> gSessions;
int gNextSession = 100;

std::string Profile(const std::string& section, const char* key) {
  char path[MAX_PATH] = {};
  char value[512] = {};
  GetEnvironmentVariableA("VARNEX_BENCH_PROFILE", path, MAX_PATH);
  GetPrivateProfileStringA(section.c_str(), key, "", value, sizeof value, path);
  return value;
}

double ProfileNumber(const std::string& section, const char* key, double fallback) {
  const std::string text = Profile(section, key);
  return text.empty() ? fallback : std::atof(text.c_str());
}

void ReadOutput(const char* key, int fallback, int& address, int& output) {
  const double value = ProfileNumber("Phone", key, fallback);
  address = static_cast<int>(value);
  output = value - address > 0.15 ? 2 : 1;
}

int OpenDevice(int card, int address, uint32_t timeoutMs) {
  std::lock_guard lock(gMutex);
  emu::Bench& bench = *gBench;
  bench.on = ProfileNumber("Phone", "On", 150.0);
  bench.charge = ProfileNumber("Phone", "Charge", 450.0);
  bench.sleep = ProfileNumber("Phone", "Sleep", 1.6);
  bench.off = ProfileNumber("Phone", "Off", 0.035);
  ReadOutput("Battery", 5, bench.battery, bench.batteryOutput);
  ReadOutput("Charger", 6, bench.charger, bench.chargerOutput);
  const std::string section = "GPIB" + std::to_string(card) + "::" + std::to_string(address);
  bench.instruments.erase(address);
  bench.instruments.try_emplace(address, bench, address, Profile(section, "Model"),
                                Profile(section, "Identity"), Profile(section, "Refuse"),
                                Profile(section, "Slow"));
  const auto slow = static_cast<uint32_t>(ProfileNumber(section, "SlowMs", 0.0));
  gSessions[gNextSession] = Session{card, address, timeoutMs, slow};
  return gNextSession++;
}

// The instrument a session talks to, or null when nothing listens there. Under gMutex.
emu::Instrument* Listener(int session) {
  const auto found = gSessions.find(session);
  if (found == gSessions.end()) {
    return nullptr;
  }
  const auto instrument = gBench->instruments.find(found->second.address);
  return instrument != gBench->instruments.end() && instrument->second.Known() ? &instrument->second
                                                                               : nullptr;
}

Io Write(int session, const char* bytes, size_t count) {
  std::lock_guard lock(gMutex);
  emu::Instrument* instrument = Listener(session);
  if (instrument == nullptr) {
    return Io::kNoListener;
  }
  std::string message(bytes, count);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  const Session& from = gSessions[session];
  if (FILE* trail = std::fopen(Profile("Bench", "Trail").c_str(), "ab")) {
    std::fprintf(trail, "GPIB%d::%d %s\n", from.card, from.address, message.c_str());
    std::fclose(trail);
  }
  instrument->Receive(message);
  return Io::kDone;
}

Io Read(int session, void* buffer, size_t capacity, size_t& count) {
  std::optional<std::string> answer;
  uint32_t slowMs = 0, timeoutMs = 0;
  {
    std::lock_guard lock(gMutex);
    emu::Instrument* instrument = Listener(session);
    if (instrument == nullptr) {
      return Io::kNoListener;
    }
    answer = instrument->TakeAnswer();
    if (!answer) {
      instrument->NoteUnterminated();
    }
    slowMs = instrument->AnswersSlowly() ? gSessions[session].slowMs : 0;
    timeoutMs = gSessions[session].timeoutMs;
  }
  if (!answer || slowMs > timeoutMs) {
    Sleep(timeoutMs);
    return Io::kTimeout;
  }
  Sleep(slowMs);
  const std::string line = *answer + "\n";
  count = line.size() < capacity ? line.size() : capacity;
  line.copy(static_cast<char*>(buffer), count);
  return line.size() > capacity ? Io::kMore : Io::kDone;
}

Io Clear(int session) {
  std::lock_guard lock(gMutex);
  emu::Instrument* instrument = Listener(session);
  if (instrument == nullptr) {
    return Io::kNoListener;
  }
  instrument->TakeAnswer();
  return Io::kDone;
}

void SetTimeout(int session, uint32_t milliseconds) {
  std::lock_guard lock(gMutex);
  gSessions[session].timeoutMs = milliseconds;
}

void Close(int session) {
  std::lock_guard lock(gMutex);
  gSessions.erase(session);
}

}  // namespace

#define STAND_IN extern "C" __declspec(dllexport)

// ---- VISA ----
constexpr int32_t kViNoListeners = static_cast<int32_t>(0xBFFF005F);
constexpr int32_t kViTimeout = static_cast<int32_t>(0xBFFF0015);
constexpr int32_t kViMoreToRead = 0x3FFF0006;
constexpr uint32_t kViManager = 1;

int32_t ViStatusOf(Io io) {
  constexpr int32_t kStatus[] = {0, kViNoListeners, kViTimeout, kViMoreToRead};
  return kStatus[static_cast<int>(io)];
}

STAND_IN int32_t __stdcall viOpenDefaultRM(uint32_t* manager) {
  *manager = kViManager;
  return 0;
}

STAND_IN int32_t __stdcall viOpen(uint32_t, const char* resource, uint32_t, uint32_t,
                                  uint32_t* session) {
  int card = 0, address = 0;
  if (std::sscanf(resource, "GPIB%d::%d::INSTR", &card, &address) != 2) {
    return static_cast<int32_t>(0xBFFF0011);  // VI_ERROR_RSRC_NFOUND
  }
  *session = static_cast<uint32_t>(OpenDevice(card, address, 2000));  // VISA's default
  return 0;
}

STAND_IN int32_t __stdcall viWrite(uint32_t session, const unsigned char* buffer, uint32_t count,
                                   uint32_t* written) {
  *written = count;
  return ViStatusOf(Write(static_cast<int>(session), reinterpret_cast<const char*>(buffer), count));
}

STAND_IN int32_t __stdcall viRead(uint32_t session, unsigned char* buffer, uint32_t count,
                                  uint32_t* read) {
  size_t done = 0;
  const Io io = Read(static_cast<int>(session), buffer, count, done);
  *read = static_cast<uint32_t>(done);
  return ViStatusOf(io);
}

STAND_IN int32_t __stdcall viSetAttribute(uint32_t session, uint32_t attribute, uint64_t value) {
  if (attribute == 0x3FFF001A) {  // VI_ATTR_TMO_VALUE
    SetTimeout(static_cast<int>(session), static_cast<uint32_t>(value));
  }
  return 0;
}

STAND_IN int32_t __stdcall viClear(uint32_t session) {
  return ViStatusOf(Clear(static_cast<int>(session)));
}

STAND_IN int32_t __stdcall viClose(uint32_t session) {
  Close(static_cast<int>(session));
  return 0;
}

// ---- NI-488.2 ----
constexpr int kErr = 0x8000, kTimo = 0x4000, kEnd = 0x2000, kCmpl = 0x100;
constexpr int kEnol = 2, kEabo = 6, kEneb = 7;
constexpr double kTimeoutCodeMs[] = {1e6, 0.01, 0.03, 0.1,  0.3,   1,     3,      10,     30,
                                     100, 300,  1000, 3000, 10000, 30000, 100000, 300000, 1e6};
thread_local long tError = 0;
thread_local long tCount = 0;

int NiStatusOf(Io io, size_t count) {
  constexpr int kStatus[] = {kEnd | kCmpl, kErr | kCmpl, kErr | kTimo | kCmpl, kCmpl};
  constexpr long kError[] = {0, kEnol, kEabo, 0};
  tCount = static_cast<long>(count);
  tError = kError[static_cast<int>(io)];
  return kStatus[static_cast<int>(io)];
}

uint32_t TimeoutMs(int code) {
  return static_cast<uint32_t>(kTimeoutCodeMs[code >= 0 && code <= 17 ? code : 0]);
}

STAND_IN int __stdcall ibdev(int board, int pad, int, int tmo, int, int) {
  if (board < 0 || board > 3) {
    tError = kEneb;
    return -1;
  }
  return OpenDevice(board, pad, TimeoutMs(tmo));
}

STAND_IN int __stdcall ibwrt(int ud, const void* buffer, size_t count) {
  return NiStatusOf(Write(ud, static_cast<const char*>(buffer), count), count);
}

STAND_IN int __stdcall ibrd(int ud, void* buffer, size_t count) {
  size_t done = 0;
  const Io io = Read(ud, buffer, count, done);
  return NiStatusOf(io, done);
}

STAND_IN int __stdcall ibtmo(int ud, int tmo) {
  SetTimeout(ud, TimeoutMs(tmo));
  return kCmpl;
}

STAND_IN int __stdcall ibclr(int ud) {
  return NiStatusOf(Clear(ud), 0);
}

STAND_IN int __stdcall ibonl(int ud, int) {
  Close(ud);
  return kCmpl;
}

#ifdef NI4882_STYLE
STAND_IN long __stdcall Iberr() {
  return tError;
}
STAND_IN long __stdcall Ibcnt() {
  return tCount;
}
#else
STAND_IN long __stdcall ThreadIberr() {
  return tError;
}
STAND_IN long __stdcall ThreadIbcnt() {
  return tCount;
}
#endif
