#include "tollmark/ErrorTexts.h"

#include <cstring>

namespace {

struct ErrorTextPair {
  const char* english;
  const char* chinese;  // GBK (code page 936) bytes
};

// Indexed by error code. "%s" stands for the station name of codes 4 to 7.
constexpr ErrorTextPair kErrorTexts[kErrorCodeCount] = {
    {"PASS", "\xB3\xC9\xB9\xA6"},                                                             // 0
    {"FAIL", "\xCA\xA7\xB0\xDC"},                                                             // 1
    {"Invalid KVPH_OBJECT handle!", "\xCE\xDE\xD0\xA7\xB5\xC4KVPH_OBJECT\xBE\xE4\xB1\xFA!"},  // 2
    {"Invalid Tollmark, please initialize first!",
     "\xCE\xDE\xD0\xA7\xB5\xC4Tollmark\xCA\xFD\xBE\xDD, "
     "\xC7\xEB\xCA\xD7\xCF\xC8\xB3\xF5\xCA\xBC\xBB\xAFTollmark!"},  // 3
    {"Invalid station name: %s",
     "\xCE\xDE\xD0\xA7\xB5\xC4\xB2\xE2\xCA\xD4\xD5\xBE\xC3\xFB: %s"},                    // 4
    {"Station %s not exist!", "\xB2\xE2\xCA\xD4\xD5\xBE %s \xB2\xBB\xB4\xE6\xD4\xDA!"},  // 5
    {"Station %s not pass!", "\xB2\xE2\xCA\xD4\xD5\xBE %s \xCE\xB4PASS!"},               // 6
    {"Station has %s not been tested yet!",
     "\xB2\xE2\xCA\xD4\xD5\xBE %s \xCE\xB4\xBE\xAD\xB9\xFD\xB2\xE2\xCA\xD4!"},  // 7
    {"Initialize Tollmark buffer failed!",
     "\xB3\xF5\xCA\xBC\xBB\xAFTollmark\xBB\xBA\xB4\xE6\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!"},  // 8
    {"Write Tollmark into FLASH failed!",
     "\xBD\xABTollmark\xCA\xFD\xBE\xDD\xD0\xB4\xC8\xEB"
     "FLASH\xCA\xA7\xB0\xDC!"},  // 9
    {"Read Tollmark from FLASH failed!",
     "\xB4\xD3"
     "FLASH\xD6\xD0\xB6\xC1\xC8\xA1Tollmark\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!"},        // 10
    {"Input buffer too small!", "\xCA\xE4\xC8\xEB\xBB\xBA\xB4\xE6\xCC\xAB\xD0\xA1!"},  // 11
    {"Read magic number of Tollmark from FLASH failed!",
     "\xB4\xD3"
     "FLASH\xD6\xD0\xB6\xC1\xC8\xA1Tollmark\xB0\xE6\xB1\xBE\xBA\xC5\xCA\xA7\xB0\xDC!"},  // 12
    {"Invalid magic number of Tollmark!",
     "\xCE\xDE\xD0\xA7\xB5\xC4Tollmark\xB0\xE6\xB1\xBE!"},  // 13
};

// Copies the template into out (size bytes, always terminated), putting the station name where
// the template says "%s".
void Splice(const char* pattern, const char* station, char* out, size_t size) {
  size_t used = 0;
  auto append = [&](const char* text, size_t length) {
    const size_t room = size - 1 - used;
    const size_t take = length < room ? length : room;
    std::memcpy(out + used, text, take);
    used += take;
  };
  const char* mark = std::strstr(pattern, "%s");
  if (mark == nullptr) {
    append(pattern, std::strlen(pattern));
  } else {
    append(pattern, static_cast<size_t>(mark - pattern));
    append(station, std::strlen(station));
    append(mark + 2, std::strlen(mark + 2));
  }
  out[used] = '\0';
}

}  // namespace

const char* ErrorTextTemplate(int32_t code, int32_t language) {
  if (code < 0 || code >= kErrorCodeCount) {
    return nullptr;
  }
  return language == 1 ? kErrorTexts[code].chinese : kErrorTexts[code].english;
}

bool ComposeErrorText(int32_t code, int32_t language, const char* station, char* out, size_t size) {
  if (size == 0) {
    return false;
  }
  if (code == 13 && language != 0 && language != 1) {
    return false;  // this code has no text outside the two languages; the old text stays
  }
  const char* pattern = ErrorTextTemplate(code, language);
  if (pattern == nullptr) {
    return false;
  }
  Splice(pattern, (code >= 4 && code <= 7) ? station : "", out, size);
  return true;
}
