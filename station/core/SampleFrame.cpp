// SampleFrame.cpp - the frame over the station's serial port.
#include "SampleFrame.h"

#include "CommPort.h"

void WriteSampleFrame(TCommPort& port, const UniformSamples& uniform,
                      const NormalSamples& normal) {
  EncodeSampleFrame(port, uniform, normal);
}

bool ReadSampleFrame(TCommPort& port, UniformSamples& uniform, NormalSamples& normal) {
  return DecodeSampleFrame(port, uniform, normal);
}
