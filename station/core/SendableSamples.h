// SendableSamples.h - the values a transmitter can send, and the samples of
// a run that lie outside them.
//
// Interface summary
//   IsSendableUniform(v)          v in 0..199
//   IsSendableNormal(y)           y is, bit for bit, one of the 32,767 floats
//   FindUnsendableSamples(u, n)   the indices of a run's samples outside the set
//
// A transmitter sends integers L mod 200 and floats made from a draw k =
// 1..32767 as sqrt(2 ln k) (the cosine factor is exactly 1 for every draw,
// and a draw 0 gives the value of k = 1, 0). Every one of those floats is
// the float nearest to sqrt(2 ln k): none lies within 4,500 units in the
// last place of a double of a float's rounding midpoint, so no platform's
// log and sqrt could give another. The frame carries no checksum; a bit
// flipped on the line almost always leaves this set, so a receiver that
// finds a sample outside it knows the frame was damaged.
//
// The check is exact: a float is compared by its bit pattern, so -0, a NaN
// of any payload and the infinities are outside, and so is the float one
// unit in the last place beside a member.
#pragma once

#include <cstdint>
#include <vector>

#include "StationTypes.h"

// Whether a transmitter sends the integer `value`: 0..199.
bool IsSendableUniform(std::int32_t value);

// Whether a transmitter sends the float `value`: one of the floats nearest
// to sqrt(2 ln k), k = 1..32767, with its exact bit pattern. The first call
// builds the table of the 32,767 floats (about 0.3 ms).
bool IsSendableNormal(float value);

// The samples of one run that no transmitter sends.
struct TUnsendableSamples {
  std::vector<int> Uniform;  // indices 0..199, ascending
  std::vector<int> Normal;   // indices 0..199, ascending

  bool Empty() const { return Uniform.empty() && Normal.empty(); }
};

// Checks every sample of the run; returns the indices of those outside the
// set.
TUnsendableSamples FindUnsendableSamples(const UniformSamples& uniform, const NormalSamples& normal);
