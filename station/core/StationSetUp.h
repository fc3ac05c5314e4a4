// StationSetUp.h - the set-up both stations run when their window is built,
// and the port's part of it again after its device was lost.
#pragma once

#include <string>

class TCommPort;
struct StationState;

// Opens the state's port on `portName` (OpenStationPort); zeroes both sample
// buffers and the reference level m. Throws ECommError when the port cannot
// be opened or configured.
void SetUpStation(StationState& state, const std::string& portName);

// Opens `port` on `portName`, then sets 9600 baud and one stop bit (code 0):
// the line of both stations. Throws ECommError when the port cannot be
// opened or configured; a port opened but not configured is closed again.
void OpenStationPort(TCommPort& port, const std::string& portName);

// Closes `port` and counts it closed even when the close fails: for a device
// that is gone or refused its line, whose failure is the one worth telling.
// Never throws.
void ReleasePort(TCommPort& port) noexcept;
