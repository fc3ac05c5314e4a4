// The text of numbers: exact 15-digit rounding with ties away from zero,
// fixed and exponent notation, and the decimal separator.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <unistd.h>

#include "CommaLocale.h"
#include "NumberText.h"

namespace {

// A single as FloatToStr receives it: widened exactly.
long double Widened(float value) { return static_cast<long double>(value); }

// An independent oracle for values in the fixed-notation range: glibc's
// printf writes the exact decimal expansion when given enough digits; the
// 16th significant digit then decides the rounding (ties away from zero).
std::string Oracle(long double value) {
  std::array<char, 256> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%.120Le", std::fabs(value));
  const std::string text(buffer.data());
  const auto e = text.find('e');
  int exponent = std::stoi(text.substr(e + 1));
  std::string digits(1, text[0]);
  digits.append(text, 2, 14);
  if (text[16] >= '5') {
    std::size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) {
      digits.insert(digits.begin(), '1');
      digits.pop_back();
      ++exponent;
    } else {
      ++digits[i - 1];
    }
  }
  digits.erase(digits.find_last_not_of('0') + 1);
  std::string out = std::signbit(value) ? "-" : "";
  if (exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
  } else {
    digits.resize(std::max(digits.size(), static_cast<std::size_t>(exponent) + 1), '0');
    out.append(digits, 0, static_cast<std::size_t>(exponent) + 1);
    if (digits.size() > static_cast<std::size_t>(exponent) + 1) {
      out += '.';
      out.append(digits, static_cast<std::size_t>(exponent) + 1);
    }
  }
  return out;
}

TEST(NumberText, SamplesListWithFifteenDigitsOfTheirExactValue) {
  EXPECT_EQ(IntToStr(199), "199");
  EXPECT_EQ(IntToStr(std::numeric_limits<std::int32_t>::min()), "-2147483648");
  EXPECT_EQ(FloatToStr(Widened(static_cast<float>(std::sqrt(2 * std::log(2.0)))), "."),
            "1.17741000652313");
  EXPECT_EQ(FloatToStr(Widened(static_cast<float>(std::sqrt(2 * std::log(32767.0)))), "."),
            "4.56008291244507");
  // Exactly halfway at the 15th digit: away from zero, where "%.15g" gives ...812.
  EXPECT_EQ(FloatToStr(4.072296142578125L, "."), "4.07229614257813");
  EXPECT_EQ(FloatToStr(-4.072296142578125L, "."), "-4.07229614257813");
  // Whole numbers and zeros: no separator.
  EXPECT_EQ(FloatToStr(23.0L, "."), "23");
  EXPECT_EQ(FloatToStr(200.0L, "."), "200");
  EXPECT_EQ(FloatToStr(0.0L, "."), "0");
  EXPECT_EQ(FloatToStr(-0.0L, "."), "0");
  EXPECT_EQ(FloatToStr(0.5L, "."), "0.5");
  // Rounding that carries into a new leading digit.
  EXPECT_EQ(FloatToStr(9.9999999999999999L, "."), "10");
}

TEST(NumberText, FixedNotationRangeAndExponentForm) {
  EXPECT_EQ(FloatToStr(0.00001L, "."), "0.00001");
  EXPECT_EQ(FloatToStr(0.000123L, "."), "0.000123");
  EXPECT_EQ(FloatToStr(123456789012345.0L, "."), "123456789012345");
  EXPECT_EQ(FloatToStr(-999999999999999.0L, "."), "-999999999999999");
  EXPECT_EQ(FloatToStr(1e15L, "."), "1E+15");
  EXPECT_EQ(FloatToStr(1234567890123456789.0L, "."), "1.23456789012346E+18");
  EXPECT_EQ(FloatToStr(0.0000099L, ","), "9,9E-6");
  EXPECT_EQ(FloatToStr(-1e-300L, "."), "-1E-300");
  // The extremes of the extended type go through the exact expansion.
  using Limits = std::numeric_limits<long double>;
  EXPECT_EQ(FloatToStr(Limits::max(), "."), "1.18973149535723E+4932");
  EXPECT_EQ(FloatToStr(Limits::denorm_min(), "."), "3.64519953188247E-4951");
  EXPECT_EQ(FloatToStr(Widened(std::numeric_limits<float>::denorm_min()), "."),
            "1.40129846432482E-45");
  EXPECT_EQ(FloatToStr(Limits::quiet_NaN(), "."), "NAN");
  EXPECT_EQ(FloatToStr(Limits::infinity(), "."), "INF");
  EXPECT_EQ(FloatToStr(-Limits::infinity(), "."), "-INF");
}

TEST(NumberText, AgreesWithTheExactExpansionOnManyValues) {
  // Every value the generator can produce, then random singles and random
  // extended values across the fixed-notation range.
  for (int k = 2; k <= 32767; ++k) {
    const auto y = static_cast<float>(std::sqrt(std::log(static_cast<double>(k)) * 2.0));
    ASSERT_EQ(FloatToStr(Widened(y), "."), Oracle(Widened(y))) << "k " << k;
  }
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> exponent(-5.0, 15.0);
  for (int i = 0; i < 20000; ++i) {
    const long double magnitude = std::pow(10.0L, static_cast<long double>(exponent(random)));
    const long double wide = (i % 2 == 0 ? 1 : -1) * magnitude;
    const auto narrow = static_cast<float>(magnitude);
    if (std::fabs(wide) >= 1e-5L && std::fabs(wide) < 9.99999999999999e14L) {
      ASSERT_EQ(FloatToStr(wide, "."), Oracle(wide));
    }
    if (narrow >= 1e-5F && narrow < 9.9e14F) {
      ASSERT_EQ(FloatToStr(Widened(narrow), "."), Oracle(Widened(narrow)));
    }
  }
}

TEST(NumberText, SeparatorIsTheGivenOne) {
  EXPECT_EQ(FloatToStr(1.5L, ","), "1,5");
  EXPECT_EQ(FloatToStr(-0.25L, ","), "-0,25");
  EXPECT_EQ(FloatToStr(7.0L, ","), "7");
  EXPECT_EQ(FloatToStr(1.5L, "."), "1.5");
}

TEST(NumberText, SeparatorFollowsTheNumericLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(LocaleDecimalSeparator(), ".");
  EXPECT_EQ(FloatToStr(1.17741000652313L), "1.17741000652313");
  const std::string folder = ::testing::TempDir() + "sig-locales-" + std::to_string(::getpid());
  const bool comma = UseCommaLocale(folder);
  std::system(("rm -rf '" + folder + "'").c_str());  // the loaded locale stays mapped
  if (comma) {
    EXPECT_EQ(LocaleDecimalSeparator(), ",");
    EXPECT_EQ(FloatToStr(1.17741000652313L), "1,17741000652313");
    EXPECT_EQ(FloatToStr(23.0L), "23");
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (!comma) GTEST_SKIP() << "no locale with a decimal comma could be set";
}

}  // namespace
