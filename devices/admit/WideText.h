// UTF-16 (the dialogs) to UTF-8 (the accounts file) and back.
#pragma once

#include <string>
#include <string_view>

namespace admit {

std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

}  // namespace admit
