// RunCsv.h - a saved run's samples file (NAME.csv) read back.
//
// Interface summary
//   CSV_BYTE_ORDER_MARK, SAMPLES_CSV_INDEX_TITLE   what the file begins with
//   ReadSamplesCsv(text, uniformTitle, normalTitle)  the run, or the line that is wrong
//
// The file "Save run" writes: UTF-8 with a byte-order mark; a header row
// "index", the uniform and the normal chart's titles; then 200 rows of the
// index from 0, the integer and the float sample in the lists' number text.
// Fields are separated by "," with a decimal point, or by ";" with a decimal
// comma. The reader takes either, with or without the mark and with "\n"
// or "\r\n" line ends, and reads every number back exactly: 15 significant
// digits identify every float, so the nearest float to the text is the
// float that was listed. Only a NaN's payload and the sign of a zero are
// not in the text: "NAN" reads as the quiet NaN, "0" as +0.
#pragma once

#include <string>
#include <string_view>

#include "StationTypes.h"

inline constexpr std::string_view CSV_BYTE_ORDER_MARK = "\xEF\xBB\xBF";
inline constexpr std::string_view SAMPLES_CSV_INDEX_TITLE = "index";

// What ReadSamplesCsv found: the samples, or the first line (from 1, the
// header) that a saved run would not have, with what is wrong with it.
struct TSamplesCsvRead {
  bool Ok = false;
  UniformSamples Uniform{};
  NormalSamples Normal{};
  int Line = 0;         // when !Ok
  std::string Problem;  // when !Ok: a phrase such as "\"4,5x\" is not a number"
};

// Reads the whole text of a samples file whose header names the two titles.
// Integer samples must be 0..65535, as a frame carries them.
TSamplesCsvRead ReadSamplesCsv(std::string_view text, std::string_view uniformTitle, std::string_view normalTitle);
