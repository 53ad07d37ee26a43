// The caption of the dialogs' own message boxes: the program's file name without its folder
// and extension ("Varnex").
#pragma once

#include <string>

std::wstring ProgramName();
