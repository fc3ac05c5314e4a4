// Generator.h - the two test signals of a transmit run.
//
// TODO(core): the core issue provides the runtime layer (engine, seed, short
// and long draws) and the generator.
#pragma once

#include "StationTypes.h"

// Reseeds the generator from the clock (whole seconds), then fills all 200
// entries of both arrays, three draws per sample in the order L, K1, K2.
// Returns nothing.
void GenerateSignals(UniformSamples& uniform, NormalSamples& normal);
