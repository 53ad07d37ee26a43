// What the machine says about the log-on: the administrator's policy and whether this program
// runs with an administrator's full (elevated) rights.
#pragma once

namespace admit {

// The "require log-on" value under HKEY_LOCAL_MACHINE is set and not 0.
bool LogOnRequiredByPolicy();
// The program runs as an administrator with elevated rights (a filtered token of an
// administrator who did not choose "Run as administrator" is not).
bool RunsElevated();

}  // namespace admit
