// VISA through the few calls of the VISA library specification used here, declared from it:
// ViSession and ViStatus are 32-bit, ViAttrState is 64-bit in a 64-bit program. A read ends
// with the instrument's END; VI_SUCCESS_MAX_CNT says the buffer filled before it came.
#include <windows.h>

#include "BusLibraries.h"
#include "SystemLibrary.h"
#include "core/BenchResults.h"

namespace bench {

namespace {

using ViStatus = int32_t;
using ViSession = uint32_t;
using ViAttr = uint32_t;
#ifdef _WIN64
using ViAttrState = uint64_t;
#else
using ViAttrState = uint32_t;
#endif

using ViOpenDefaultRM = ViStatus(__stdcall*)(ViSession* manager);
using ViOpen = ViStatus(__stdcall*)(ViSession manager, const char* resource, uint32_t accessMode,
                                    uint32_t openTimeout, ViSession* session);
using ViWrite = ViStatus(__stdcall*)(ViSession session, const unsigned char* buffer, uint32_t count,
                                     uint32_t* written);
using ViRead = ViStatus(__stdcall*)(ViSession session, unsigned char* buffer, uint32_t count,
                                    uint32_t* read);
using ViSetAttribute = ViStatus(__stdcall*)(ViSession session, ViAttr attribute, ViAttrState value);
using ViSessionCall = ViStatus(__stdcall*)(ViSession session);  // viClear, viClose

constexpr ViAttr kTimeoutAttribute = 0x3FFF001A;  // VI_ATTR_TMO_VALUE, milliseconds
constexpr ViStatus kTimeoutError = static_cast<ViStatus>(0xBFFF0015);  // VI_ERROR_TMO
constexpr ViStatus kMoreToRead = 0x3FFF0006;                           // VI_SUCCESS_MAX_CNT

class VisaBus final : public Bus {
 public:
  VisaBus() : library_(L"visa32.dll") {}

  ~VisaBus() override {
    if (session_ != 0) {
      close_(session_);
    }
    if (manager_ != 0) {
      close_(manager_);
    }
  }

  bool Bind() {
    return library_.Find("viOpenDefaultRM", openManager_) && library_.Find("viOpen", open_) &&
           library_.Find("viWrite", write_) && library_.Find("viRead", read_) &&
           library_.Find("viSetAttribute", setAttribute_) && library_.Find("viClear", clear_) &&
           library_.Find("viClose", close_);
  }

  int32_t Connect(const BusAddress& address) {
    if (openManager_(&manager_) < 0) {
      manager_ = 0;
      return kNoBusLibrary;
    }
    const std::string resource = VisaResourceName(address);
    const ViStatus status = open_(manager_, resource.c_str(), 0, 0, &session_);
    if (status < 0) {
      session_ = 0;
      return Failure(status);
    }
    return kDone;
  }

  int32_t Write(std::string_view message) override {
    uint32_t written = 0;
    const ViStatus status = write_(session_, reinterpret_cast<const unsigned char*>(message.data()),
                                   static_cast<uint32_t>(message.size()), &written);
    return status < 0 ? Failure(status) : kDone;
  }

  int32_t Read(std::string& answer) override {
    unsigned char buffer[kMaxAnswer + 1];
    uint32_t count = 0;
    const ViStatus status = read_(session_, buffer, sizeof buffer, &count);
    if (status < 0) {
      return Failure(status);
    }
    if (status == kMoreToRead || count > kMaxAnswer) {
      // What is left of it must not become the answer to the next query.
      clear_(session_);
      return kBadAnswer;
    }
    answer.assign(reinterpret_cast<const char*>(buffer), count);
    return kDone;
  }

  int32_t SetTimeout(uint32_t milliseconds) override {
    const ViStatus status = setAttribute_(session_, kTimeoutAttribute, milliseconds);
    return status < 0 ? Failure(status) : kDone;
  }

  int32_t Clear() override {
    const ViStatus status = clear_(session_);
    return status < 0 ? Failure(status) : kDone;
  }

  bool Loaded() const { return library_.Loaded(); }

 private:
  static int32_t Failure(ViStatus status) {
    return status == kTimeoutError ? kTimedOut : kNoInstrument;
  }

  SystemLibrary library_;
  ViOpenDefaultRM openManager_ = nullptr;
  ViOpen open_ = nullptr;
  ViWrite write_ = nullptr;
  ViRead read_ = nullptr;
  ViSetAttribute setAttribute_ = nullptr;
  ViSessionCall clear_ = nullptr;
  ViSessionCall close_ = nullptr;
  ViSession manager_ = 0;
  ViSession session_ = 0;
};

}  // namespace

int32_t OpenVisaBus(const BusAddress& address, std::unique_ptr<Bus>& bus) {
  auto candidate = std::make_unique<VisaBus>();
  if (!candidate->Loaded() || !candidate->Bind()) {
    return kNoBusLibrary;
  }
  const int32_t result = candidate->Connect(address);
  if (result == kDone) {
    bus = std::move(candidate);
  }
  return result;
}

}  // namespace bench
