// StationSetUp.h - the set-up both stations run when their window is built.
#pragma once

#include <string>

struct StationState;

// Opens the state's port on `portName`, then sets 9600 baud and one stop bit
// (code 0); zeroes both sample buffers and the reference level m. Throws
// ECommError when the port cannot be opened or configured.
void SetUpStation(StationState& state, const std::string& portName);
