// Statistics.h - the analysis of the two signals: ranges, histograms,
// autocorrelations and cross sums.
//
// Every operation runs in the 80-bit extended type and is rounded only when
// stored into a field, so both stations (and every build) produce the same
// bits for the same samples. Normal samples that are NaN, infinite or huge
// are carried through (a NaN widens no range and lands in bin 9); the counts
// always add up to 200. Pure computation: no Qt, no I/O, never throws.
#pragma once

struct StationState;

// Rewrites every field of state.Analysis from state.Uniform, state.Normal and
// state.ReferenceLevel. The normal range is widened from the one the record
// already holds, so it only grows from run to run; everything else is afresh.
void ComputeStatistics(StationState& state);
