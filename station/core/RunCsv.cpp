#include "RunCsv.h"

#include <cstddef>
#include <utility>

#include "NumberText.h"

namespace {

class CsvText {
public:
  explicit CsvText(std::string_view decimalSeparator)
      : decimal_(decimalSeparator), field_(CsvFieldSeparator(decimalSeparator)) {}

  CsvText& Text(std::string_view text) { return Field(text); }
  CsvText& Int(int value) { return Field(IntToStr(value)); }
  CsvText& Float(float value) { return Field(FloatToStr(static_cast<long double>(value), decimal_)); }
  CsvText& EndRow() {
    text_ += '\n';
    rowStarted_ = false;
    return *this;
  }
  std::string Take() { return std::move(text_); }

private:
  CsvText& Field(std::string_view field) {
    if (rowStarted_) text_ += field_;
    text_ += field;
    rowStarted_ = true;
    return *this;
  }

  std::string decimal_;
  char field_;
  std::string text_{CSV_BYTE_ORDER_MARK};
  bool rowStarted_ = false;
};

}  // namespace

char CsvFieldSeparator(std::string_view decimalSeparator) { return decimalSeparator == "," ? ';' : ','; }

std::string SamplesCsv(const UniformSamples& uniform, const NormalSamples& normal, const ChartTitles& titles,
                       std::string_view decimalSeparator) {
  CsvText csv(decimalSeparator);
  csv.Text(CSV_INDEX).Text(titles[0]).Text(titles[1]).EndRow();
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i)
    csv.Int(static_cast<int>(i)).Int(uniform[i]).Float(normal[i]).EndRow();
  return csv.Take();
}

std::string AnalysisCsv(const SignalAnalysis& a, const ChartTitles& titles, std::string_view decimalSeparator) {
  CsvText csv(decimalSeparator);
  csv.Text(CSV_BAR);
  for (std::size_t chart = 0; chart < 2; ++chart) csv.Text(CSV_BIN).Text(CSV_LOWER_EDGE).Text(titles[chart]);
  csv.EndRow();
  for (std::size_t bar = 0; bar < BIN_COUNT; ++bar) {
    const auto normal = static_cast<std::size_t>(NormalBarOrder[bar]);
    csv.Int(static_cast<int>(bar));
    csv.Int(static_cast<int>(bar)).Float(a.UniformEdges[bar]).Float(a.UniformCounts[bar]);
    csv.Int(NormalBarOrder[bar]).Float(a.NormalEdges[normal]).Float(a.NormalCounts[normal]);
    csv.EndRow();
  }
  csv.EndRow();
  csv.Text(CSV_LAG);
  for (std::size_t chart = 2; chart < titles.size(); ++chart) csv.Text(titles[chart]);
  csv.EndRow();
  for (std::size_t k = 0; k < LAG_COUNT; ++k) {
    csv.Int(static_cast<int>(k)).Float(a.UniformAutocorr[k]).Float(a.NormalAutocorr[k]);
    csv.Float(a.CentredCrossSum[k]).Float(a.CrossSum[k]).EndRow();
  }
  return csv.Take();
}
