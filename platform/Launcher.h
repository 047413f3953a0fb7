#pragma once
// Starting another program of ours (the announcer) in the background.

#include <string>

// Starts the program detached, without arguments and without a window, in its own
// folder, with standard input and output on the null device. False if it could not be
// started (missing, not executable, empty path).
bool StartHidden(const std::string& path);
