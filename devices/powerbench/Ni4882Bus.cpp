// NI-488.2 through its traditional device calls. Declared here from the NI-488.2 reference:
// every call but ibdev returns the status word (ibsta), ibdev returns a device descriptor or
// -1. The error code and the byte count of the last call are read through functions: the
// thread's own copies (ThreadIberr, ThreadIbcnt) where the library has them, as gpib-32.dll
// and ni4882.dll do, else ni4882.dll's Iberr and Ibcnt. gpib-32.dll's global variables
// (ibsta, iberr, ibcnt) are never read: two supplies on two threads would share them.
#include <windows.h>

#include <iterator>

#include "BusLibraries.h"
#include "SystemLibrary.h"
#include "core/BenchResults.h"

namespace bench {

namespace {

using IbDev = int(__stdcall*)(int board, int pad, int sad, int tmo, int eot, int eos);
using IbWrt = int(__stdcall*)(int ud, const void* buffer, size_t count);
using IbRd = int(__stdcall*)(int ud, void* buffer, size_t count);
using IbDeviceCall = int(__stdcall*)(int ud, int value);  // ibtmo, ibonl
using IbClr = int(__stdcall*)(int ud);
using IbStatus = long(__stdcall*)();

// Status word bits and error codes.
constexpr int kErr = 0x8000;
constexpr int kTimo = 0x4000;
constexpr int kEnd = 0x2000;
constexpr long kEdvr = 0;  // the driver failed
constexpr long kEabo = 6;  // I/O aborted: the time-out ran out
constexpr long kEneb = 7;  // no such GPIB card

// ibtmo's codes 1 (T10us) to 17 (T1000s) and the time each one stands for.
constexpr double kTimeoutCodeMs[] = {0.01, 0.03, 0.1,  0.3,   1,     3,      10,     30,     100,
                                     300,  1000, 3000, 10000, 30000, 100000, 300000, 1000000};

// The smallest time-out that is at least `milliseconds`.
int TimeoutCode(uint32_t milliseconds) {
  for (size_t i = 0; i < std::size(kTimeoutCodeMs); ++i) {
    if (kTimeoutCodeMs[i] >= milliseconds) {
      return static_cast<int>(i) + 1;
    }
  }
  return static_cast<int>(std::size(kTimeoutCodeMs));
}

// The library to load, first choice first.
constexpr const wchar_t* kLibraryFiles[] = {L"gpib-32.dll", L"ni4882.dll"};

class Ni4882Bus final : public Bus {
 public:
  explicit Ni4882Bus(const wchar_t* file) : library_(file) {}

  ~Ni4882Bus() override {
    if (device_ >= 0) {
      ibonl_(device_, 0);  // takes the descriptor offline and frees it
    }
  }

  bool Loaded() const { return library_.Loaded(); }

  bool Bind() {
    bool bound = library_.Find("ibdev", ibdev_) && library_.Find("ibwrt", ibwrt_) &&
                 library_.Find("ibrd", ibrd_) && library_.Find("ibtmo", ibtmo_) &&
                 library_.Find("ibonl", ibonl_) && library_.Find("ibclr", ibclr_);
    bound = bound && (library_.Find("ThreadIberr", error_) || library_.Find("Iberr", error_));
    return bound && (library_.Find("ThreadIbcnt", count_) || library_.Find("Ibcnt", count_));
  }

  int32_t Connect(const BusAddress& address) {
    // No secondary address, END with the last byte written, no end-of-string character.
    device_ = ibdev_(address.card, address.address, 0, TimeoutCode(kAnswerTimeoutMs), 1, 0);
    return device_ < 0 ? Failure(kErr) : kDone;
  }

  int32_t Write(std::string_view message) override {
    const int status = ibwrt_(device_, message.data(), message.size());
    return status & kErr ? Failure(status) : kDone;
  }

  int32_t Read(std::string& answer) override {
    char buffer[kMaxAnswer + 1];
    const int status = ibrd_(device_, buffer, sizeof buffer);
    if (status & kErr) {
      return Failure(status);
    }
    const long count = count_();
    if (!(status & kEnd) || count < 0 || count > static_cast<long>(kMaxAnswer)) {
      // What is left of it must not become the answer to the next query.
      ibclr_(device_);
      return kBadAnswer;
    }
    answer.assign(buffer, static_cast<size_t>(count));
    return kDone;
  }

  int32_t SetTimeout(uint32_t milliseconds) override {
    const int status = ibtmo_(device_, TimeoutCode(milliseconds));
    return status & kErr ? Failure(status) : kDone;
  }

  int32_t Clear() override {
    const int status = ibclr_(device_);
    return status & kErr ? Failure(status) : kDone;
  }

 private:
  int32_t Failure(int status) const {
    const long error = error_();
    if (status & kTimo || error == kEabo) {
      return kTimedOut;
    }
    return error == kEneb || error == kEdvr ? kNoBusLibrary : kNoInstrument;
  }

  SystemLibrary library_;
  IbDev ibdev_ = nullptr;
  IbWrt ibwrt_ = nullptr;
  IbRd ibrd_ = nullptr;
  IbDeviceCall ibtmo_ = nullptr;
  IbDeviceCall ibonl_ = nullptr;
  IbClr ibclr_ = nullptr;
  IbStatus error_ = nullptr;
  IbStatus count_ = nullptr;
  int device_ = -1;
};

}  // namespace

int32_t OpenNi4882Bus(const BusAddress& address, std::unique_ptr<Bus>& bus) {
  for (const wchar_t* file : kLibraryFiles) {
    auto candidate = std::make_unique<Ni4882Bus>(file);
    if (!candidate->Loaded()) {
      continue;
    }
    if (!candidate->Bind()) {
      return kNoBusLibrary;
    }
    const int32_t result = candidate->Connect(address);
    if (result == kDone) {
      bus = std::move(candidate);
    }
    return result;
  }
  return kNoBusLibrary;
}

}  // namespace bench
