#include "AnalysisDisplay.h"

#include <string>

#include <QPlainTextEdit>
#include <QTextDocument>

#include "Chart.h"
#include "ChartSeries.h"
#include "ListMarks.h"
#include "NumberText.h"
#include "StationState.h"
#include "Statistics.h"
#include "Unit1.h"

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Blue = 0xFF0000;
constexpr TColor Green = 0x008000;
constexpr TColor Yellow = 0x00FFFF;
constexpr TColor SkyBlue = 0xF0CAA6;
constexpr TColor Lime = 0x00FF00;

void AppendLines(QPlainTextEdit& memo, const std::string& lines) {
  // A listing is not an edit the operator can take back: with undo on, Ctrl+Z
  // would remove a run's lines, and the history would keep about 80 bytes a
  // line for as long as the station runs. Turning undo off for the append
  // also forgets earlier typing in the memo.
  QTextDocument& document = *memo.document();
  document.setUndoRedoEnabled(false);
  // One append of all lines: the same text as line by line, several times faster.
  memo.appendPlainText(QString::fromStdString(lines));
  document.setUndoRedoEnabled(true);
}

void AddBar(TBarSeries& series, float count, TColor color) {
  series.Add(static_cast<double>(count), FloatToStr(static_cast<long double>(count)), color);
}

// Draws each chart once when the run's points are all in place.
class BatchedDrawing {
public:
  explicit BatchedDrawing(TForm1& form)
      : charts_{form.Chart1, form.Chart2, form.Chart3, form.Chart4, form.Chart5, form.Chart6} {
    for (TChart* chart : charts_) chart->BeginUpdate();
  }
  ~BatchedDrawing() {
    for (TChart* chart : charts_) chart->EndUpdate();
  }
  BatchedDrawing(const BatchedDrawing&) = delete;
  BatchedDrawing& operator=(const BatchedDrawing&) = delete;

private:
  TChart* charts_[6];
};

}  // namespace

void ListSamples(TForm1& form, const StationState& state) {
  std::string uniform;
  std::string normal;
  uniform.reserve(SAMPLE_COUNT * 5);
  normal.reserve(SAMPLE_COUNT * 18);
  const std::string separator = LocaleDecimalSeparator();
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    if (i > 0) {
      uniform += '\n';
      normal += '\n';
    }
    uniform += IntToStr(state.Uniform[i]);
    normal += FloatToStr(static_cast<long double>(state.Normal[i]), separator);
  }
  AppendLines(*form.Memo1, uniform);
  AppendLines(*form.Memo2, normal);
  form.Marks().Listed(state.Uniform, state.Normal);
}

void ShowAnalysis(TForm1& form, StationState& state) {
  const BatchedDrawing drawing(form);
  form.Series1->Clear();
  form.Series2->Clear();
  form.Series3->Clear();
  form.Series4->Clear();
  form.Series5->Clear();
  form.Series6->Clear();

  // Ranges, histograms and lag sums of the run in one call.
  ComputeStatistics(state);
  const SignalAnalysis& analysis = state.Analysis;
  for (std::size_t b = 0; b < BIN_COUNT; ++b) AddBar(*form.Series1, analysis.UniformCounts[b], Blue);
  for (int b : NormalBarOrder)
    AddBar(*form.Series2, analysis.NormalCounts[static_cast<std::size_t>(b)], Green);

  for (int k = 0; k < LAG_COUNT; ++k) {
    const auto i = static_cast<std::size_t>(k);
    const auto x = static_cast<double>(k);
    form.Series3->AddXY(x, static_cast<double>(analysis.UniformAutocorr[i]), "", Red);
    form.Series4->AddXY(x, static_cast<double>(analysis.NormalAutocorr[i]), "", Yellow);
    form.Series5->AddXY(x, static_cast<double>(analysis.CentredCrossSum[i]), "", SkyBlue);
    form.Series6->AddXY(x, static_cast<double>(analysis.CrossSum[i]), "", Lime);
  }
  form.RunCharted(state);
}
