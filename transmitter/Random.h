// Random.h - the runtime random layer of the transmitting station.
//
// Interface summary
//   SeedRandom(seed)     sets the one process-wide engine from a 32-bit seed
//   ShortRandom()        the next draw as 0..32767
//   LongRandom()         the next draw as 0..2^31-1
//
// One engine for the whole process, as a runtime library has one: both draws
// advance the same sequence, and the same seed always yields the same
// sequence of draws. Not thread-safe; only the window thread draws.
#pragma once

#include <cstdint>

// Puts the engine into the state that belongs to `seed`; every seed gives its
// own sequence.
void SeedRandom(std::uint32_t seed);

// Advances the engine by one step. Returns the short draw, 0..32767.
std::int32_t ShortRandom();

// Advances the engine by one step. Returns the long draw, 0..2^31-1.
std::int32_t LongRandom();
