// A second program linked to Dutlink.dll by name, for the tests that need another process:
//   write <offset> <text>   writes the text into the product flash at the offset
//   identity                writes the IMEI1 and SN2 the phone reports (from the profile
//                           beside this program) to the start of the product flash
// The exit code is the phone library's result.
#include <cstdlib>
#include <cstring>

#include "devices/dutlink.h"

int main(int argc, char** argv) {
  KV_PHONE phone = KV_CreatePhone(0);
  if (phone == -1) {
    return 100;
  }
  if (argc == 4 && std::strcmp(argv[1], "write") == 0) {
    return KV_WriteProductFlash(phone, argv[3], static_cast<int32_t>(std::strlen(argv[3])),
                                std::atoi(argv[2]));
  }
  if (argc == 2 && std::strcmp(argv[1], "identity") == 0) {
    unsigned char record[140] = {19};
    if (int32_t result = KV_FastReadNvInfo(phone, record)) {
      return result;
    }
    char text[96] = {};
    std::memcpy(text, record + 4, 16);
    if (int32_t result = KV_ReadSN(phone, 0, text + 16, 65)) {
      return result;
    }
    return KV_FastWriteProductInfo(phone, text, sizeof text);
  }
  return 101;
}
