#include "ChartTips.h"

#include "Chart.h"
#include "NumberText.h"
#include "RunSave.h"

namespace {

QString Number(double value) {
  return QString::fromStdString(FloatToStr(static_cast<long double>(value), LocaleDecimalSeparator()));
}

// "bin 3: 59.7000007629395 ≤ x < 79.5999984741211", then the count.
QString BinTip(int bin, const std::array<float, BIN_COUNT>& edges, double largest, const TChartPoint& bar) {
  const auto at = static_cast<std::size_t>(bin);
  const QString range = bin + 1 < BIN_COUNT
                            ? QStringLiteral("%1 ≤ x < %2").arg(Number(static_cast<double>(edges[at])),
                                                                 Number(static_cast<double>(edges[at + 1])))
                            : QStringLiteral("%1 ≤ x ≤ %2").arg(Number(static_cast<double>(edges[at])), Number(largest));
  return QStringLiteral("bin %1: %2\ncount: %3").arg(bin).arg(range, QString::fromStdString(bar.Label));
}

}  // namespace

void InstallChartTips(const std::array<TChart*, 6>& charts, std::function<const TChartedRun*()> shown) {
  charts[0]->SetTips([shown](const TChartSeries& series, int index) {
    const TChartedRun* run = shown();
    if (!run || index >= BIN_COUNT) return QString();
    const SignalAnalysis& a = run->Analysis;
    return BinTip(index, a.UniformEdges, a.UniformMax, series.Point(index));
  });
  charts[1]->SetTips([shown](const TChartSeries& series, int index) {
    const TChartedRun* run = shown();
    if (!run || index >= BIN_COUNT) return QString();
    const SignalAnalysis& a = run->Analysis;
    return BinTip(NormalBarOrder[static_cast<std::size_t>(index)], a.NormalEdges, a.NormalMax, series.Point(index));
  });
  const auto lagTip = [](const TChartSeries& series, int index) {
    const TChartPoint& point = series.Point(index);
    return QStringLiteral("lag %1: %2").arg(static_cast<int>(point.X)).arg(Number(point.Y));
  };
  for (std::size_t i = 2; i < charts.size(); ++i) charts[i]->SetTips(lagTip);
}
