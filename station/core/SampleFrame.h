// SampleFrame.h - the one message between the stations: both signals of a
// run as 1202 bytes.
//
//   offset 0          232 (FRAME_INT_MARK)
//   1 + 2i, 2 + 2i    UniformSamples[i], low byte first
//   401               233 (FRAME_FLOAT_MARK)
//   402 + 4i ...      NormalSamples[i], IEEE-754 pattern, high byte first
//
// Interface summary
//   WriteSampleFrame(port, uniform, normal)        1202 x SendByte
//   ReadSampleFrame(port, uniform, normal)         false: no frame at the head
//   EncodeSampleFrame(sink, uniform, normal)       the same over any byte sink
//   DecodeSampleFrame(source, uniform, normal)     the same over any byte source
//
// The frame carries no counts: the integer section ends at the 233 in a
// low-byte position, the float section where the received bytes end, that
// is, once no byte has come for FRAME_GAP_MS. The decoder stores at most
// SAMPLE_COUNT entries per array and never an incomplete sample; entries the
// frame does not reach keep their contents. A line that fails while a frame
// is read (a hang-up) is a failed read: the port's error passes to the
// caller, and the samples stored before it stay stored.
#pragma once

#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>

#include "StationTypes.h"

class TCommPort;

inline constexpr std::uint8_t FRAME_INT_MARK = 232;
inline constexpr std::uint8_t FRAME_FLOAT_MARK = 233;
inline constexpr std::size_t FRAME_SIZE = 1 + 2 * SAMPLE_COUNT + 1 + 4 * SAMPLE_COUNT;
// The longest silence inside a frame that has begun, in milliseconds: a USB
// serial adapter delivers in bursts (every 16 ms by default on the common
// chips, more on a busy machine), so a gap shorter than this is not the
// frame's end. About a hundred byte times at 9600 baud; a short frame costs
// this much more before it is shown.
inline constexpr std::uint32_t FRAME_GAP_MS = 100;

// Sends one whole frame, one SendByte per byte in frame order. Throws
// ECommError when a byte cannot be sent.
void WriteSampleFrame(TCommPort& port, const UniformSamples& uniform,
                      const NormalSamples& normal);

// Decodes the frame at the head of the receive queue into the arrays.
// Returns false (one byte consumed, nothing stored) when the queue does not
// start with FRAME_INT_MARK, true otherwise. Throws ECommError when the line
// fails, also in the middle of a frame.
bool ReadSampleFrame(TCommPort& port, UniformSamples& uniform, NormalSamples& normal);

// The byte-source seam: what the decoder needs of a port, so that it runs
// over TCommPort in the stations and over memory in tests and fuzzing.
//   ReceiveByte()       one byte 0..255 within the read time-outs, -1 for none
//   Receive(buf, n)     up to n bytes within the read time-outs; how many came
//   WaitForInput(ms)    true when bytes are waiting or arrive within ms, or
//                       the line has hung up (the next read then fails)
// Each throws when the line fails.
template <class Source>
concept FrameByteSource = requires(Source& s, std::uint8_t* buffer, std::uint32_t count) {
  { s.ReceiveByte() } -> std::convertible_to<int>;
  { s.Receive(buffer, count) } -> std::convertible_to<std::uint32_t>;
  { s.WaitForInput(count) } -> std::convertible_to<bool>;
};

// The byte-sink seam: SendByte(b) sends one byte or throws.
template <class Sink>
concept FrameByteSink = requires(Sink& s, std::uint8_t value) { s.SendByte(value); };

// WriteSampleFrame over any byte sink.
template <FrameByteSink Sink>
void EncodeSampleFrame(Sink& sink, const UniformSamples& uniform, const NormalSamples& normal) {
  sink.SendByte(FRAME_INT_MARK);
  for (std::int32_t value : uniform) {
    sink.SendByte(static_cast<std::uint8_t>(value & 0xFF));
    sink.SendByte(static_cast<std::uint8_t>((value >> 8) & 0xFF));
  }
  sink.SendByte(FRAME_FLOAT_MARK);
  for (float value : normal) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    sink.SendByte(static_cast<std::uint8_t>(bits >> 24));
    sink.SendByte(static_cast<std::uint8_t>(bits >> 16));
    sink.SendByte(static_cast<std::uint8_t>(bits >> 8));
    sink.SendByte(static_cast<std::uint8_t>(bits));
  }
}

// True when more of a begun frame is waiting or comes within FRAME_GAP_MS:
// an empty queue in the middle of an arriving frame is a gap, not its end.
// A hang-up counts as arriving, so that the read after it reports the
// failure instead of the frame ending as if it were merely short.
template <FrameByteSource Source>
bool FrameBytesFollow(Source& source) {
  return source.WaitForInput(FRAME_GAP_MS);
}

// The next byte of a begun frame, or -1 when the line has fallen silent.
template <FrameByteSource Source>
int NextFrameByte(Source& source) {
  return FrameBytesFollow(source) ? source.ReceiveByte() : -1;
}

// The next `count` bytes of a begun frame, across gaps even inside them.
// Returns false when the line falls silent first (what came is dropped).
template <FrameByteSource Source>
bool NextFrameBytes(Source& source, std::uint8_t* bytes, std::uint32_t count) {
  for (std::uint32_t got = 0; got < count;) {
    if (!FrameBytesFollow(source)) return false;
    const std::uint32_t came = source.Receive(bytes + got, count - got);
    if (came == 0) return false;
    got += came;
  }
  return true;
}

// ReadSampleFrame over any byte source. Returns false when the first byte
// is not FRAME_INT_MARK (only that byte taken), true otherwise.
template <FrameByteSource Source>
bool DecodeSampleFrame(Source& source, UniformSamples& uniform, NormalSamples& normal) {
  if (source.ReceiveByte() != FRAME_INT_MARK) return false;

  // Integer section: pairs until the mark in a low-byte position. Pairs
  // past the array's end are read and dropped so the section still ends at
  // its mark. A low byte whose high byte never comes is dropped.
  std::size_t n = 0;
  for (;;) {
    const int low = NextFrameByte(source);
    if (low < 0 || low == FRAME_FLOAT_MARK) break;
    const int high = NextFrameByte(source);
    if (high < 0) break;
    if (n < uniform.size()) uniform[n++] = high * 256 + low;
  }

  // Float section: at most one array's worth; anything after it stays
  // queued, so a second frame already waiting is left whole for the next
  // decoding. 1..3 bytes of a float before the line falls silent are dropped.
  n = 0;
  while (n < normal.size()) {
    std::uint8_t b[4] = {0, 0, 0, 0};
    if (!NextFrameBytes(source, b, 4)) break;
    const std::uint32_t bits = std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 |
                               std::uint32_t{b[2]} << 8 | std::uint32_t{b[3]};
    normal[n++] = std::bit_cast<float>(bits);
  }
  return true;
}
