// What arrived against what was sent: the set of samples a transmitter
// sends, a saved run's samples read back, and two runs compared bit by bit.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "Generator.h"
#include "NumberText.h"
#include "RunComparison.h"
#include "RunCsv.h"
#include "SendableSamples.h"

namespace {

const std::string kUniformTitle = "Рівномірний розподіл (РР)";
const std::string kNormalTitle = "Нормальний Розподіл (НР)";

float FromBits(std::uint32_t bits) { return std::bit_cast<float>(bits); }
float Beside(float y, int ulps) { return FromBits(std::bit_cast<std::uint32_t>(y) + static_cast<std::uint32_t>(ulps)); }

// A samples file as "Save run" writes it.
std::string SavedText(const UniformSamples& u, const NormalSamples& n, const std::string& decimal) {
  const char field = decimal == "," ? ';' : ',';
  std::string text = std::string(CSV_BYTE_ORDER_MARK) + "index" + field + kUniformTitle + field + kNormalTitle + "\n";
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i)
    text += std::to_string(i) + field + IntToStr(u[i]) + field + FloatToStr(static_cast<long double>(n[i]), decimal) + "\n";
  return text;
}

struct Signals {
  UniformSamples Uniform{};
  NormalSamples Normal{};
};

Signals Generated(std::uint32_t seconds) {
  Signals run;
  GenerateSignals(run.Uniform, run.Normal, seconds);
  return run;
}

}  // namespace

TEST(SendableSamples, EveryBoundaryIsExact) {
  for (const std::int32_t v : {0, 1, 105, 199}) EXPECT_TRUE(IsSendableUniform(v)) << v;
  for (const std::int32_t v : {-1, 200, 233, 256, 65535, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max()})
    EXPECT_FALSE(IsSendableUniform(v)) << v;

  const float largest = NormalSample(32767, 0);
  EXPECT_EQ(largest, 4.56008291244507F);
  const float two = NormalSample(2, 0);
  for (const float y : {0.0F, two, NormalSample(16384, 0), largest}) {
    EXPECT_TRUE(IsSendableNormal(y)) << y;
    EXPECT_FALSE(IsSendableNormal(Beside(y, 1))) << y;
    if (y != 0.0F) {
      EXPECT_FALSE(IsSendableNormal(Beside(y, -1))) << y;
    }
  }
  const float inf = std::numeric_limits<float>::infinity();
  for (const float y : {-0.0F, -two, inf, -inf, std::numeric_limits<float>::quiet_NaN(),
                        std::numeric_limits<float>::signaling_NaN(), FromBits(0xFFC00000U), FromBits(0x7FC00001U),
                        std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max(), 4.6F, 1.0F})
    EXPECT_FALSE(IsSendableNormal(y)) << y;
}

TEST(SendableSamples, TheSetIsWhatTheGeneratorMakes) {
  // Every magnitude draw, each with some angle draw (the generator's own
  // test shows they are 32,767 distinct floats, rising with the draw).
  for (std::int32_t k1 = 0; k1 <= 32767; ++k1)
    ASSERT_TRUE(IsSendableNormal(NormalSample(k1, (k1 * 7919) % 32768))) << k1;
  // Generated runs never hold a sample outside the set.
  for (std::uint32_t seconds = 0; seconds < 300; ++seconds) {
    const Signals run = Generated(seconds * 104729U);
    ASSERT_TRUE(FindUnsendableSamples(run.Uniform, run.Normal).Empty()) << seconds;
  }
}

TEST(SendableSamples, ARunsDamagedSamplesAreFoundInOrder) {
  Signals run = Generated(1700000000U);
  run.Uniform[7] |= 0x100;  // a high byte hit on the line
  run.Uniform[3] = 200;
  run.Normal[150] = Beside(run.Normal[150], 1);
  run.Normal[0] = -run.Normal[0];  // the sign bit
  if (run.Normal[0] == 0.0F) run.Normal[0] = -0.0F;
  const TUnsendableSamples found = FindUnsendableSamples(run.Uniform, run.Normal);
  EXPECT_EQ(found.Uniform, (std::vector<int>{3, 7}));
  EXPECT_EQ(found.Normal, (std::vector<int>{0, 150}));
}

// Every float the lists print reads back as the same bits, with either
// separator, whatever the file's line ends and mark.
TEST(RunCsv, NumbersReadBackExactly) {
  std::mt19937 random(5);
  std::vector<float> values;
  for (std::int32_t k = 1; k <= 32767; ++k) values.push_back(NormalSample(k, 0));
  for (int i = 0; i < 20000; ++i) {
    const float y = FromBits(static_cast<std::uint32_t>(random()));
    if (!std::isnan(y)) values.push_back(y);
  }
  for (const float y : {std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max(),
                        std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(), 1e-5F, 9.9e-6F})
    values.push_back(y);
  for (const std::string decimal : {".", ","}) {
    for (std::size_t start = 0; start < values.size(); start += SAMPLE_COUNT) {
      Signals run;
      for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
        run.Uniform[i] = static_cast<std::int32_t>((start + i) % 65536);
        run.Normal[i] = values[(start + i) % values.size()];
      }
      const TSamplesCsvRead read = ReadSamplesCsv(SavedText(run.Uniform, run.Normal, decimal), kUniformTitle, kNormalTitle);
      ASSERT_TRUE(read.Ok) << read.Line << ": " << read.Problem;
      ASSERT_EQ(read.Uniform, run.Uniform);
      for (std::size_t i = 0; i < SAMPLE_COUNT; ++i)
        ASSERT_EQ(std::bit_cast<std::uint32_t>(read.Normal[i]), std::bit_cast<std::uint32_t>(run.Normal[i]))
            << FloatToStr(run.Normal[i], decimal);
    }
  }
  // Without the mark, with "\r\n", a NaN: read all the same.
  Signals run = Generated(7);
  run.Normal[9] = std::numeric_limits<float>::quiet_NaN();
  std::string text;
  for (const char c : SavedText(run.Uniform, run.Normal, ",").substr(CSV_BYTE_ORDER_MARK.size())) {
    if (c == '\n') text += '\r';
    text += c;
  }
  const TSamplesCsvRead read = ReadSamplesCsv(text, kUniformTitle, kNormalTitle);
  ASSERT_TRUE(read.Ok) << read.Line << ": " << read.Problem;
  EXPECT_TRUE(std::isnan(read.Normal[9]));
  EXPECT_EQ(read.Normal[10], run.Normal[10]);
}

// A file that is not a saved run names the first line that is wrong.
TEST(RunCsv, WhatIsNoSavedRunNamesItsLine) {
  const Signals run = Generated(11);
  const std::string good = SavedText(run.Uniform, run.Normal, ".");
  const auto lineStart = [&good](int line) {
    std::size_t at = 0;
    for (int l = 1; l < line; ++l) at = good.find('\n', at) + 1;
    return at;
  };
  const auto replaced = [&](int line, const std::string& row) {
    const std::size_t at = lineStart(line);
    return good.substr(0, at) + row + good.substr(good.find('\n', at));
  };
  const struct {
    std::string text;
    int line;
    const char* says;
  } cases[] = {
      {"", 1, "not the header"},
      {"bar,bin,lower edge\n", 1, "not the header"},
      {replaced(1, "index,РР,НР"), 1, "not the header"},
      {good.substr(0, lineStart(201)), 201, "ends after 199 samples"},
      {good + "200,5,1\n", 202, "one more"},
      {replaced(5, "3,17"), 5, "three fields"},
      {replaced(5, "4,17,1.5,"), 5, "three fields"},
      {replaced(5, "2,17,1.5"), 5, "not the index 3"},
      {replaced(7, "5,65536,1.5"), 7, "not an integer sample"},
      {replaced(7, "5,-1,1.5"), 7, "not an integer sample"},
      {replaced(7, "5,1x,1.5"), 7, "not an integer sample"},
      {replaced(9, "7,1,4.5x"), 9, "\"4.5x\" is not a float sample"},
      {replaced(9, "7,1,"), 9, "not a float sample"},
      {replaced(9, "7,1,1E+39"), 9, "not a float sample"},
      {replaced(9, "7,1, 4.5"), 9, "not a float sample"},
      {replaced(200, "198,1,+4.5"), 200, "not a float sample"},
  };
  for (const auto& c : cases) {
    const TSamplesCsvRead read = ReadSamplesCsv(c.text, kUniformTitle, kNormalTitle);
    EXPECT_FALSE(read.Ok) << c.says;
    EXPECT_EQ(read.Line, c.line) << c.says << ": " << read.Problem;
    EXPECT_NE(read.Problem.find(c.says), std::string::npos) << read.Problem;
  }
}

TEST(RunComparison, CountsEqualSamplesAndTheFramesDifferingBits) {
  const Signals sent = Generated(1700000000U);
  TRunComparison same = CompareRuns(sent.Uniform, sent.Normal, sent.Uniform, sent.Normal);
  EXPECT_EQ(same.UniformEqual, 200);
  EXPECT_EQ(same.NormalEqual, 200);
  EXPECT_EQ(same.Bits(), 0);
  EXPECT_TRUE(same.Differences.empty());

  Signals received = sent;
  received.Uniform[40] ^= 0x0101;  // two bits, one in each byte
  received.Normal[40] = std::bit_cast<float>(std::bit_cast<std::uint32_t>(sent.Normal[40]) ^ 0x80000004U);
  received.Normal[2] = sent.Normal[2] == 0.0F ? 1.0F : 0.0F;
  received.Uniform[199] ^= 0x8000;
  const TRunComparison c = CompareRuns(sent.Uniform, sent.Normal, received.Uniform, received.Normal);
  const int zeroToOther = std::popcount(std::bit_cast<std::uint32_t>(sent.Normal[2]) ^
                                        std::bit_cast<std::uint32_t>(received.Normal[2]));
  EXPECT_EQ(c.UniformEqual, 198);
  EXPECT_EQ(c.NormalEqual, 198);
  EXPECT_EQ(c.UniformBits, 3);
  EXPECT_EQ(c.NormalBits, 2 + zeroToOther);
  ASSERT_EQ(c.Differences.size(), 4U);
  EXPECT_EQ(c.Differences[0].Index, 2);
  EXPECT_TRUE(c.Differences[1].Index == 40 && !c.Differences[1].Normal && c.Differences[1].Bits == 2);
  EXPECT_TRUE(c.Differences[2].Index == 40 && c.Differences[2].Normal && c.Differences[2].Bits == 2);
  EXPECT_EQ(c.Differences[3].Index, 199);

  // -0 against 0: one bit, though both list as "0".
  Signals zeros = sent;
  zeros.Normal.fill(0.0F);
  Signals negative = zeros;
  negative.Normal[5] = -0.0F;
  EXPECT_EQ(CompareRuns(zeros.Uniform, zeros.Normal, negative.Uniform, negative.Normal).NormalBits, 1);

  const std::string text = ComparisonText(c, sent.Uniform, sent.Normal, received.Uniform, received.Normal, "run.csv",
                                          "this window", ",", 3);
  for (const std::string& part : std::vector<std::string>{"Sent: run.csv\nReceived: this window", "РР: 198 of 200 samples equal, 3 of 3200 bits differ",
        "Frame: " + std::to_string(c.Bits()) + " of 9600 sample bits differ, bit error rate 0,00",
        "РР 40: " + IntToStr(sent.Uniform[40]) + " → " + IntToStr(received.Uniform[40]) + " (2 bits)",
        "НР 40: " + FloatToStr(sent.Normal[40], ",") + " → " + FloatToStr(received.Normal[40], ","), "and 1 more"})
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  EXPECT_NE(ComparisonText(same, sent.Uniform, sent.Normal, sent.Uniform, sent.Normal, "a", "b", ".")
                .find("bit error rate 0\n\nThe two runs are the same"),
            std::string::npos);
}
