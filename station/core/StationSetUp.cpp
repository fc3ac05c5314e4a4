#include "StationSetUp.h"

#include "StationState.h"

void SetUpStation(StationState& state, const std::string& portName) {
  OpenStationPort(state.Port, portName);
  state.Uniform = {};
  state.Normal = {};
  state.ReferenceLevel = 0;
}

void OpenStationPort(TCommPort& port, const std::string& portName) {
  port.Open(portName);
  try {
    port.ChangeBaudRate(9600);
    port.ChangeStopBits(0);
  } catch (const ECommError&) {
    ReleasePort(port);
    throw;
  }
}

void ReleasePort(TCommPort& port) noexcept {
  try {
    port.Close();
  } catch (const ECommError&) {
    // The failed close gave the handle back all the same (TCommPort::Close);
    // a second one only marks the port closed and cannot fail.
    try {
      port.Close();
    } catch (const ECommError&) {
    }
  }
}
