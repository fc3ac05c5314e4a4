// SampleFrame.h - the one message between the stations: both signals of a
// run as 1202 bytes.
//
//   offset 0          232 (FRAME_INT_MARK)
//   1 + 2i, 2 + 2i    UniformSamples[i], low byte first
//   401               233 (FRAME_FLOAT_MARK)
//   402 + 4i ...      NormalSamples[i], IEEE-754 pattern, high byte first
//
// TODO(serial): the serial issue provides the encoder and decoder.
#pragma once

#include <cstddef>
#include <cstdint>

#include "StationTypes.h"

class TCommPort;

inline constexpr std::uint8_t FRAME_INT_MARK = 232;
inline constexpr std::uint8_t FRAME_FLOAT_MARK = 233;
inline constexpr std::size_t FRAME_SIZE = 1 + 2 * SAMPLE_COUNT + 1 + 4 * SAMPLE_COUNT;

// Sends one whole frame, one SendByte per byte in frame order. Throws
// ECommError when a byte cannot be sent. Returns nothing.
void WriteSampleFrame(TCommPort& port, const UniformSamples& uniform,
                      const NormalSamples& normal);

// Decodes the frame at the head of the receive queue into the arrays.
// Returns false (one byte consumed, nothing stored) when the queue does not
// start with FRAME_INT_MARK, true otherwise.
bool ReadSampleFrame(TCommPort& port, UniformSamples& uniform, NormalSamples& normal);
