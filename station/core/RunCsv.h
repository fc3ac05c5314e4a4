// RunCsv.h - the text of a saved run's two CSV files, for a lab report's
// spreadsheet: NAME.csv holds the samples, NAME-analysis.csv the charts'
// numbers.
//
// Interface summary
//   ChartTitles titles          Chart1..Chart6's titles, UTF-8
//   SamplesCsv(uniform, normal, titles, sep)   index, integer sample, float sample
//   AnalysisCsv(analysis, titles, sep)         the histograms by bar, the four curves by lag
//   CsvFieldSeparator(sep)      ';' beside a decimal comma, else ','
//   CSV_BYTE_ORDER_MARK, CSV_INDEX, CSV_BAR, CSV_BIN, CSV_LOWER_EDGE, CSV_LAG
//                               the files' fixed texts
//   ReadSamplesCsv(text, uniformTitle, normalTitle)   NAME.csv read back: the run, or the line that is wrong
//
// Numbers are the lists' number text (NumberText.h) with the decimal
// separator `sep`; the field separator is what a spreadsheet of that locale
// expects. Rows end in "\n". The files are UTF-8 with a byte-order mark,
// which spreadsheets need to read the Cyrillic titles as UTF-8. Fields never
// need quoting: the numbers use the other separator, and the titles hold
// neither separator nor quote.
//
// The reader takes either separator pair, with or without the mark and with
// "\n" or "\r\n" line ends, and reads every number back exactly: 15
// significant digits identify every float, so the nearest float to the text
// is the float that was listed. Only a NaN's payload and the sign of a zero
// are not in the text: "NAN" reads as the quiet NaN, "0" as +0.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "StationTypes.h"

inline constexpr std::string_view CSV_BYTE_ORDER_MARK = "\xEF\xBB\xBF";
// The header fields besides the charts' titles.
inline constexpr std::string_view CSV_INDEX = "index";
inline constexpr std::string_view CSV_BAR = "bar";
inline constexpr std::string_view CSV_BIN = "bin";
inline constexpr std::string_view CSV_LOWER_EDGE = "lower edge";
inline constexpr std::string_view CSV_LAG = "lag";

// The six charts' titles, Chart1 first.
using ChartTitles = std::array<std::string, 6>;

char CsvFieldSeparator(std::string_view decimalSeparator);

// A header row "index", Chart1's title, Chart2's title; then per sample its
// index from 0, the integer sample and the float sample.
std::string SamplesCsv(const UniformSamples& uniform, const NormalSamples& normal, const ChartTitles& titles,
                       std::string_view decimalSeparator);

// The ten bars of both histograms in chart order: "bar", then for Chart1
// and Chart2 the bin each bar stands for, its lower edge and its count
// (NormalBarOrder); a blank line; then "lag" and per lag the values of
// Chart3..Chart6's curves, each column headed by its chart's title.
std::string AnalysisCsv(const SignalAnalysis& analysis, const ChartTitles& titles,
                        std::string_view decimalSeparator);

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
