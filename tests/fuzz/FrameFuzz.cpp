// FrameFuzz.cpp - the frame decoder on arbitrary bytes arriving in bursts.
// The first input byte picks the burst length (0: everything queued at
// once), the rest is the line. Besides memory safety it checks what every
// decoding promises: the answer depends only on the first byte, no sample is
// made up, and the queue is consumed from its head only.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "MemoryLine.h"
#include "SampleFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t burst = data[0] % 16;
  const std::uint8_t* line = data + 1;
  const std::size_t length = size - 1;

  MemoryLine source;
  if (burst == 0) {
    source.Queue.assign(line, line + length);
  } else {
    for (std::size_t at = 0; at < length; at += burst)
      source.Later.emplace_back(line + at, line + (at + burst < length ? at + burst : length));
  }

  UniformSamples uniform;
  NormalSamples normal;
  uniform.fill(-1);
  normal.fill(-1.0f);
  const bool frame = DecodeSampleFrame(source, uniform, normal);
  if (frame != (length > 0 && line[0] == FRAME_INT_MARK)) std::abort();
  for (std::int32_t v : uniform)
    if (v != -1 && (v < 0 || v > 0xFFFF)) std::abort();
  // What is left is the tail of the input, in order.
  std::vector<std::uint8_t> left(source.Queue.begin(), source.Queue.end());
  for (const auto& b : source.Later) left.insert(left.end(), b.begin(), b.end());
  if (left.size() > length || !std::equal(left.begin(), left.end(), line + (length - left.size())))
    std::abort();
  return 0;
}
