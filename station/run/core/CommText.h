// The main window's communication text: the link of the runs and its port.
#pragma once

#include <cstdint>
#include <string>

// "Uart Communication\r\nPort: 7", "USB  Communication\r\nPort: 9", or "... Port: X" for a USB
// port the phone library did not report (-1).
std::wstring CommunicationText(int32_t uart, int32_t port);
