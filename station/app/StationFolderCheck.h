// The start-up's look at what the station will write in its folder: Varnex.ini (settings and
// counters), the result folder (test logs) and the Log folder (the voltage log), each as far
// as the configuration uses it, and the results folder (the run records). A folder the operator may not write would lose them silently;
// the start-up tells the operator once instead.
#pragma once

#include <string>

#include "station/config/ConfigPaths.h"

// Empty when everything can be written; otherwise the message for the operator, naming the
// folder and each thing that will not be saved.
std::wstring StationFolderProblems(const ConfigPaths& paths, bool saveLog, bool saveVoltageLog);
