// AnalysisDisplay.h - what a run shows: the listing of both signals in the
// memos and their analysis in the six chart series.
//
// Interface summary
//   ListSamples(form, state)    200 lines appended to each memo
//   ShowAnalysis(form, state)   the statistics, charted in Series1..Series6
//
// Both stations show their results through these two functions, so equal
// samples give equal lines and equal points on both sides.
#pragma once

struct StationState;
class TForm1;

// Appends the text of UniformSamples[0..199] to Memo1 and of
// NormalSamples[0..199] to Memo2, one sample per line, after whatever the
// memos hold (they are never cleared). One append per memo; the appended
// lines cannot be undone. Then marks the samples no transmitter sends
// (form.Marks().Listed).
void ListSamples(TForm1& form, const StationState& state);

// Clears the six series, computes the analysis of the state's samples into
// state.Analysis and charts it: Series1 the uniform counts in bin order (blue),
// Series2 the normal counts in NormalBarOrder, 0,2,4,6,8,9,7,5,3,1 (green), each
// bar labelled with the text of its height; Series3..Series6 the 100 lag
// values of the uniform autocorrelation (red), normal autocorrelation
// (yellow), centred cross sum (sky blue) and cross sum (lime) at x = 0..99
// with the empty label. Then hands the run to form.RunCharted (what a save
// saves).
void ShowAnalysis(TForm1& form, StationState& state);
