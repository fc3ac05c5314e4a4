#include "RunCsv.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

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


// A saved file is about 4 KiB; a row longer than this is no sample row and
// is not quoted back whole.
constexpr std::size_t kQuotedLength = 60;

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  quoted += text.substr(0, kQuotedLength);
  if (text.size() > kQuotedLength) quoted += "…";
  quoted += '"';
  return quoted;
}

std::vector<std::string_view> Split(std::string_view line, char separator) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t end = line.find(separator, start);
    fields.push_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return fields;
    start = end + 1;
  }
}

bool ReadInt(std::string_view field, std::int32_t& value) {
  const char* end = field.data() + field.size();
  const auto result = std::from_chars(field.data(), end, value);
  return result.ec == std::errc() && result.ptr == end;
}

// The lists write "NAN", "INF" and "-INF"; from_chars reads those, and the
// digits, with a decimal point only.
bool ReadFloat(std::string_view field, float& value) {
  std::string text(field);
  for (char& c : text)
    if (c == ',') c = '.';
  if (!text.empty() && text[0] == '+') return false;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  return result.ec == std::errc() && result.ptr == end;
}

TSamplesCsvRead Problem(int line, std::string what) {
  TSamplesCsvRead read;
  read.Line = line;
  read.Problem = std::move(what);
  return read;
}

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

TSamplesCsvRead ReadSamplesCsv(std::string_view text, std::string_view uniformTitle, std::string_view normalTitle) {
  if (text.starts_with(CSV_BYTE_ORDER_MARK)) text.remove_prefix(CSV_BYTE_ORDER_MARK.size());
  std::vector<std::string_view> lines = Split(text, '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();  // the last row's line end
  for (std::string_view& line : lines)
    if (line.ends_with('\r')) line.remove_suffix(1);

  const std::string_view header = lines.empty() ? std::string_view() : lines[0];
  // The header decides the field separator; beside ";" a decimal comma is
  // read as well as a point.
  const char field = header.find(';') != std::string_view::npos ? ';' : ',';
  const std::vector<std::string_view> titles = Split(header, field);
  if (titles.size() != 3 || titles[0] != CSV_INDEX || titles[1] != uniformTitle ||
      titles[2] != normalTitle) {
    return Problem(1, Quoted(header) + " is not the header of a saved run's samples (" +
                          std::string(CSV_INDEX) + field + std::string(uniformTitle) + field +
                          std::string(normalTitle) + ")");
  }

  TSamplesCsvRead read;
  for (int i = 0; i < SAMPLE_COUNT; ++i) {
    const int lineNumber = i + 2;
    if (static_cast<std::size_t>(i + 1) >= lines.size())
      return Problem(lineNumber, "the file ends after " + std::to_string(i) + " samples; a saved run has " +
                                     std::to_string(SAMPLE_COUNT));
    const std::string_view line = lines[static_cast<std::size_t>(i + 1)];
    const std::vector<std::string_view> fields = Split(line, field);
    if (fields.size() != 3)
      return Problem(lineNumber, Quoted(line) + " is not a row of three fields (index, integer, float)");
    std::int32_t index = -1;
    if (!ReadInt(fields[0], index) || index != i)
      return Problem(lineNumber, Quoted(fields[0]) + " is not the index " + std::to_string(i));
    const auto at = static_cast<std::size_t>(i);
    if (!ReadInt(fields[1], read.Uniform[at]) || read.Uniform[at] < 0 || read.Uniform[at] > 0xFFFF)
      return Problem(lineNumber, Quoted(fields[1]) + " is not an integer sample (0 to 65535)");
    if (!ReadFloat(fields[2], read.Normal[at]))
      return Problem(lineNumber, Quoted(fields[2]) + " is not a float sample");
  }
  if (lines.size() > static_cast<std::size_t>(SAMPLE_COUNT + 1))
    return Problem(SAMPLE_COUNT + 2, "a saved run has " + std::to_string(SAMPLE_COUNT) +
                                         " samples, and this line is one more");
  read.Ok = true;
  return read;
}
