#include "StationSetUp.h"

#include "StationState.h"

void SetUpStation(StationState& state, const std::string& portName) {
  state.Port.Open(portName);
  state.Port.ChangeBaudRate(9600);
  state.Port.ChangeStopBits(0);
  state.Uniform = {};
  state.Normal = {};
  state.ReferenceLevel = 0;
}
