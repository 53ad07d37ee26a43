// The caption of the program's own message boxes: its file name without folder and extension
// ("Varnex").
#pragma once

#include <string>

namespace ui {

std::wstring ProgramName();

}  // namespace ui
