// Generator.h - the two test signals of a transmit run.
//
// Interface summary
//   GenerateSignals(u, n)            seeds from the clock, fills both arrays
//   GenerateSignals(u, n, seconds)   the same with the clock value given
//   NormalSample(k1, k2)             one normal sample from its two draws
//
// Three draws per sample from the one engine of Random.h, in the order L, K1,
// K2, sample after sample: 600 draws per call. The uniform sample is L mod 200;
// the normal sample is sqrt(2 ln K1) * cos(2 pi K2) in double precision,
// rounded to single. The cosine factor is 1 for every K2 (the angle is within
// 2.3e-11 of a whole number of turns), yet K2 is drawn all the same, because it
// moves every later draw of the run.
#pragma once

#include <cstdint>

#include "StationTypes.h"

// Reseeds the engine from the clock (whole seconds since the epoch, taken as
// an unsigned 32-bit number), then fills all 200 entries of both arrays. Two
// calls within the same second give identical arrays.
void GenerateSignals(UniformSamples& uniform, NormalSamples& normal);

// As above with `seconds` in place of the clock; the clock version calls this.
void GenerateSignals(UniformSamples& uniform, NormalSamples& normal, std::uint32_t seconds);

// The normal sample made from the draws K1 and K2 (each 0..32767). K1 = 0
// gives 0, the value of K1 = 1 (see Generator.cpp). Returns the sample.
float NormalSample(std::int32_t k1, std::int32_t k2);
