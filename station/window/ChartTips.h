// ChartTips.h - what hovering over the six charts tells: a bar's bin, its
// range and count; a line's lag and value; numbers in the lists' text.
//
//   InstallChartTips(charts, shown)   sets the tips of Chart1..Chart6
//
// The ranges are those of the run the charts show: bins 0..8 hold lower
// edge <= x < upper edge, bin 9 the rest up to the largest value.
#pragma once

#include <array>
#include <functional>

class TChart;
struct TChartedRun;

// `charts` are Chart1..Chart6; `shown` gives the run they show, or null
// before the first.
void InstallChartTips(const std::array<TChart*, 6>& charts, std::function<const TChartedRun*()> shown);
