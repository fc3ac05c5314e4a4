// ChartTips.h - what hovering over the six charts tells: a bar's bin, its
// range and count; a line's lag and value; numbers in the lists' text.
//
//   InstallChartTips(form)   sets the tips of Chart1..Chart6
//
// The ranges are those of the run the charts show (TForm1::ChartedRun):
// bins 0..8 hold lower edge <= x < upper edge, bin 9 the rest up to the
// largest value.
#pragma once

class TForm1;

void InstallChartTips(TForm1& form);
