// Statistics.h - the analysis of the two signals: ranges, histograms,
// autocorrelations and cross sums.
//
// Interface summary
//   ComputeStatistics(state)            the whole record, as a run uses it
//   ComputeStatistics(u, n, m, a)       the same on plain arrays
//   ComputeHistograms(u, n, a)          clear + ranges, widths, edges, counts
//   ComputeLagSums(u, n, m, k, a)       the four sums of one lag k
//
// Every operation runs in the 80-bit extended type and is rounded only when
// stored into a field, so both stations (and every build) produce the same
// bits for the same samples; the whole record at once and the lag-by-lag
// route give the same bits too. Normal samples that are NaN, infinite or huge
// are carried through (a NaN widens no range and lands in bin 9); the counts
// always add up to 200. Pure computation: no Qt, no I/O, never throws.
#pragma once

#include "StationTypes.h"

struct StationState;

// Fills every field of state.Analysis from state.Uniform, state.Normal and
// state.ReferenceLevel, widening the carried-over normal range. Returns nothing.
void ComputeStatistics(StationState& state);

// As above on plain arrays: `m` is the reference level, `analysis` holds the
// previous NormalMax/NormalMin on entry. Returns nothing.
void ComputeStatistics(const UniformSamples& uniform, const NormalSamples& normal,
                       double m, SignalAnalysis& analysis);

// Clears the four lag arrays and the counts, then computes the ranges, bin
// widths, edges and counts (the histogram part, complete before any bar is
// drawn). Returns nothing.
void ComputeHistograms(const UniformSamples& uniform, const NormalSamples& normal,
                       SignalAnalysis& analysis);

// Accumulates the four lag sums of lag `lag` (0..LAG_COUNT-1) into entries
// [lag] of the four arrays, which must hold 0 on entry (ComputeHistograms
// clears them). Returns nothing.
void ComputeLagSums(const UniformSamples& uniform, const NormalSamples& normal,
                    double m, int lag, SignalAnalysis& analysis);
