// Noise.h - bit errors on a line: each bit of each byte flipped with one
// probability, drawn from a seeded generator.
//
// Interface summary
//   Noise noise;                  a clean line: every byte as it was
//   Noise noise(rate, seed);      bit errors at `rate` per bit
//   noise.Flips()                 the bits to flip in the next byte (a mask)
//   ParseNoiseRate(text, rate)    "1e-3", "0.0001": 0..1
//
// Every byte takes eight draws, one per bit, whatever its value and
// whenever it comes, so the same seed and the same bytes give the same
// flips on every run and every machine (std::mt19937_64 and std::seed_seq
// are fixed by the standard). A lane of the cable draws from its own
// generator (`stream`), so the two directions do not disturb each other.
#pragma once

#include <cstdint>
#include <random>
#include <string_view>

class Noise {
public:
  Noise() = default;
  Noise(double rate, std::uint64_t seed, std::uint32_t stream = 0);

  // Whether this line flips anything.
  bool On() const { return threshold_ > 0 || every_; }

  // The bits to flip in the next byte: bit b set with probability `rate`.
  std::uint8_t Flips();

private:
  std::mt19937_64 engine_;
  // A bit flips when a 64-bit draw falls below this; rate 1 flips every bit.
  std::uint64_t threshold_ = 0;
  bool every_ = false;
};

// Reads a bit error rate: a decimal number, with or without an exponent,
// from 0 to 1. Returns whether the text was one.
bool ParseNoiseRate(std::string_view text, double& rate);
