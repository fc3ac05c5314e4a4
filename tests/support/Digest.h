// Digest.h - FNV-1a over bytes and texts, for the tests that prove the same
// bits on every platform: a digest recorded on Linux is the one the Windows
// build must give under wine.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// FNV-1a, 64 bits: any changed bit changes the digest.
class Digest {
public:
  void Add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
      value_ ^= bytes[i];
      value_ *= 0x100000001B3ULL;
    }
  }
  void Add(const std::string& text) { Add(text.data(), text.size() + 1); }
  std::uint64_t Value() const { return value_; }

private:
  std::uint64_t value_ = 0xCBF29CE484222325ULL;
};

inline std::string Hex(std::uint64_t value) {
  char text[20];
  std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(value));
  return text;
}
