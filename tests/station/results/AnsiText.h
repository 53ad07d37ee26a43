// Test helper: GBK bytes (code page 936) to UTF-16/32 through the platform's own converter, the
// ANSI code page of a Chinese station PC.
#pragma once

#include <string>
#include <string_view>

std::wstring GbkToWide(std::string_view gbk);
