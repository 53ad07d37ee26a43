#include "station/run/core/CommText.h"

std::wstring CommunicationText(int32_t uart, int32_t port) {
  if (uart != 0) {
    return L"Uart Communication\r\nPort: " + std::to_wstring(port);
  }
  if (port == -1) {
    return L"USB  Communication\r\nPort: X";
  }
  return L"USB  Communication\r\nPort: " + std::to_wstring(port);
}
