// NumberText.cpp - decimal text of integers and of exact binary values.
//
// FloatToStr rounds the exact value, never an approximation of it. Values in
// the fixed-notation range go through 128-bit integer arithmetic (a few dozen
// nanoseconds); everything else through a small exact big-integer expansion,
// which is slow for extreme exponents but only reached by values that
// generated signals never hold.
#include "NumberText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace {

// GCC/Clang's 128-bit integer; __extension__ keeps -Wpedantic quiet.
__extension__ typedef unsigned __int128 U128;

constexpr int kDigits = 15;
constexpr std::uint64_t kTenPow14 = 100000000000000ULL;
constexpr std::uint64_t kTenPow15 = 1000000000000000ULL;

// A value rounded to at most 15 significant digits: `digits` without
// trailing zeros, the first one standing for 10^`exponent`.
struct Rounded {
  std::string digits;
  int exponent = 0;
};

// Turns a 15-digit integer (10^14 <= q < 10^15) into Rounded.
Rounded FromFifteen(std::uint64_t q, int exponent) {
  std::array<char, 24> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), q);
  std::string digits(buffer.data(), result.ptr);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  return {std::move(digits), exponent};
}

// The exact digits of `magnitude` (finite, > 0) rounded to 15 significant
// digits with ties away from zero, through 128-bit integers. Returns false
// when the value lies outside what this path handles.
bool RoundFast(long double magnitude, Rounded& out) {
  if constexpr (std::numeric_limits<long double>::digits > 64) return false;
  int binaryExponent = 0;
  const long double fraction = std::frexp(magnitude, &binaryExponent);  // [0.5, 1)
  // Exact: the significand has at most 64 bits.
  const auto significand = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
  const int e2 = binaryExponent - 1;  // magnitude in [2^e2, 2^(e2+1))
  if (e2 < -40 || e2 > 60) return false;
  // floor(e2 * log10(2)), exact for |e2| < 1650; the true decimal exponent of
  // the leading digit is this or one more.
  int decimalExponent = (e2 * 78913) >> 18;  // arithmetic shift: floor
  for (int attempt = 0; attempt < 2; ++attempt, ++decimalExponent) {
    const int scale = kDigits - 1 - decimalExponent;  // multiply by 10^scale
    if (scale < 0 || scale > 24) return false;
    // value * 10^scale = significand * 5^scale * 2^(binaryExponent - 64 + scale)
    U128 product = significand;
    for (int i = 0; i < scale; ++i) product *= 5U;  // < 2^64 * 5^24 < 2^120
    const int shift = binaryExponent - 64 + scale;
    U128 whole = 0;
    bool roundUp = false;
    if (shift >= 0) {
      if (shift > 60) return false;
      whole = product << shift;
    } else {
      const int right = -shift;
      if (right >= 127) return false;
      whole = product >> right;
      const U128 rest = product - (whole << right);
      // Ties away from zero: exactly half rounds the magnitude up.
      roundUp = rest >= (U128{1} << (right - 1));
    }
    if (whole >= kTenPow15) continue;  // the leading digit is one place higher
    auto q = static_cast<std::uint64_t>(whole) + (roundUp ? 1U : 0U);
    if (q == kTenPow15) return out = FromFifteen(kTenPow14, decimalExponent + 1), true;
    if (q < kTenPow14) return false;  // cannot happen; keep the exact path as guard
    out = FromFifteen(q, decimalExponent);
    return true;
  }
  return false;
}

// Little-endian base-2^32 big integer, just what the exact path needs.
using Big = std::vector<std::uint32_t>;

void MultiplySmall(Big& big, std::uint32_t factor) {
  std::uint64_t carry = 0;
  for (auto& word : big) {
    const std::uint64_t v = std::uint64_t{word} * factor + carry;
    word = static_cast<std::uint32_t>(v);
    carry = v >> 32U;
  }
  if (carry != 0) big.push_back(static_cast<std::uint32_t>(carry));
}

void ShiftLeft(Big& big, int bits) {
  const auto words = static_cast<std::size_t>(bits / 32);
  const auto rest = static_cast<unsigned>(bits % 32);
  if (rest != 0) MultiplySmall(big, 1U << rest);
  big.insert(big.begin(), words, 0U);
}

// Decimal digits of `big` (destroyed), most significant first.
std::string ToDecimal(Big big) {
  std::string reversed;
  while (!big.empty()) {
    std::uint64_t remainder = 0;
    for (std::size_t i = big.size(); i-- > 0;) {
      const std::uint64_t v = (remainder << 32U) | big[i];
      big[i] = static_cast<std::uint32_t>(v / 1000000000U);
      remainder = v % 1000000000U;
    }
    while (!big.empty() && big.back() == 0) big.pop_back();
    for (int i = 0; i < 9; ++i) {
      reversed.push_back(static_cast<char>('0' + remainder % 10));
      remainder /= 10;
    }
  }
  while (reversed.size() > 1 && reversed.back() == '0') reversed.pop_back();
  return {reversed.rbegin(), reversed.rend()};
}

// The exact decimal expansion of `magnitude` (finite, > 0), then rounded to
// 15 significant digits with ties away from zero.
Rounded RoundExact(long double magnitude) {
  int binaryExponent = 0;
  long double fraction = std::frexp(magnitude, &binaryExponent);
  // Peel the significand off 32 bits at a time, most significant first;
  // every step is exact.
  Big big;
  int exponent2 = binaryExponent;
  while (fraction != 0) {
    fraction = std::ldexp(fraction, 32);
    const long double chunk = std::floor(fraction);  // 0 <= chunk < 2^32
    fraction -= chunk;
    exponent2 -= 32;
    big.push_back(static_cast<std::uint32_t>(chunk));
  }
  std::reverse(big.begin(), big.end());
  while (!big.empty() && big.back() == 0) big.pop_back();
  // magnitude = big * 2^exponent2 = big * 5^-exponent2 * 10^exponent2
  int exponent10 = 0;
  if (exponent2 >= 0) {
    ShiftLeft(big, exponent2);
  } else {
    for (int left = -exponent2; left > 0; left -= 13) {
      std::uint32_t factor = 1;
      for (int i = 0; i < std::min(left, 13); ++i) factor *= 5U;  // 5^13 < 2^32
      MultiplySmall(big, factor);
    }
    exponent10 = exponent2;
  }
  std::string digits = ToDecimal(std::move(big));
  int leading = static_cast<int>(digits.size()) - 1 + exponent10;
  if (digits.size() > kDigits) {
    const bool roundUp = digits[kDigits] >= '5';  // 5 followed by anything: away
    digits.resize(kDigits);
    if (roundUp) {
      std::size_t i = digits.size();
      while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
      if (i == 0) {
        digits.insert(digits.begin(), '1');
        digits.pop_back();
        ++leading;
      } else {
        ++digits[i - 1];
      }
    }
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  return {std::move(digits), leading};
}

} // namespace

std::string IntToStr(std::int32_t value) {
  std::array<char, 16> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return {buffer.data(), result.ptr};
}

std::string FloatToStr(long double value, std::string_view decimalSeparator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";  // both zeros

  const bool negative = std::signbit(value);
  const long double magnitude = std::fabs(value);
  Rounded rounded;
  if (!RoundFast(magnitude, rounded)) rounded = RoundExact(magnitude);

  std::string text;
  if (negative) text += '-';
  const std::string& d = rounded.digits;
  const int e = rounded.exponent;
  if (e >= -5 && e < kDigits) {
    if (e < 0) {
      text += '0';
      text += decimalSeparator;
      text.append(static_cast<std::size_t>(-e - 1), '0');
      text += d;
    } else {
      const auto integerDigits = static_cast<std::size_t>(e) + 1;
      if (d.size() <= integerDigits) {
        text += d;
        text.append(integerDigits - d.size(), '0');
      } else {
        text.append(d, 0, integerDigits);
        text += decimalSeparator;
        text.append(d, integerDigits);
      }
    }
  } else {
    text += d[0];
    if (d.size() > 1) {
      text += decimalSeparator;
      text.append(d, 1);
    }
    text += e < 0 ? "E-" : "E+";
    text += std::to_string(e < 0 ? -e : e);
  }
  return text;
}

std::string FloatToStr(long double value) {
  return FloatToStr(value, LocaleDecimalSeparator());
}

std::string LocaleDecimalSeparator() {
  const std::lconv* conventions = std::localeconv();
  if (conventions == nullptr || conventions->decimal_point == nullptr ||
      conventions->decimal_point[0] == '\0') {
    return ".";
  }
  return conventions->decimal_point;
}
