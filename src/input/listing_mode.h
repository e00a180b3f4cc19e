// The console mode that helps set up a cabinet: it prints the game controller the launcher would
// use, with the exact product name that the DirectInputJoystick setting must hold, and waits for
// Enter.
#pragma once

#include <iosfwd>
#include <string>

#include "platform/controller.h"

inline constexpr const char* kProgramCaption = "Quorvane v3.0";

// Prints the caption and an empty line, then, for the first attached controller that can be
// opened (no settings are read, so any name qualifies):
//
//   Found joystick:
//     Name: <product name>
//     Number of axes: <n>
//     Number of buttons: <n>
//
// then "\nPress enter to close console:\n", and reads one character from `in`. Every line is
// flushed at once. `port` is null when the joystick subsystem could not start: nothing is printed
// about controllers. Returns 0, the program's exit code. A closed or empty standard input (no
// console, /dev/null) ends the wait at once.
int runListingMode(ControllerPort* port, std::ostream& out, std::istream& in,
                   const std::string& caption = kProgramCaption);
