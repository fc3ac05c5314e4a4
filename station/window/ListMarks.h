// ListMarks.h - marks on the lines of the two lists: the samples of the run
// just listed that no transmitter sends, and the samples of the charted run
// that differ from a saved run it was compared with.
//
// Interface summary
//   TListMarks marks(memo1, memo2)        badges made, nothing marked
//   marks.Listed(uniform, normal)         after a listing: its unsendable samples
//   marks.Charted()                       the last listing is the charted run
//   marks.MarkDifferences(u, n)           the charted run's differing samples
//
// A mark is a background colour across its line (an extra selection of the
// list): the text and the list's editability stay as they are. Marks belong
// to the lines of one run: each listing replaces the unsendable marks and
// drops the differences, which were those of an earlier run.
//
// The count of each kind stands in a badge in the mark's colour at the top
// right of its list ("3 errors": a sample no transmitter sends can only be
// a bit error on the line; "5 differ"), over the part of the list that a
// sample's text (16 characters) does not reach: seen at a glance, wherever
// the list is scrolled, without hovering, without a widget more in the
// window's layout or a word more in its caption. A click on a badge brings
// its first marked line into view.
#pragma once

#include <memory>
#include <vector>

#include <QColor>

#include "StationTypes.h"

class QPlainTextEdit;

// The two marks' colours: a light red for a sample no transmitter sends, a
// light blue for a sample that differs from the run compared with.
inline const QColor UnsendableMarkColor(255, 180, 180);
inline const QColor DifferenceMarkColor(166, 202, 240);

class TListMarks {
public:
  TListMarks(QPlainTextEdit& uniformList, QPlainTextEdit& normalList);
  ~TListMarks();
  TListMarks(const TListMarks&) = delete;
  TListMarks& operator=(const TListMarks&) = delete;

  // The last SAMPLE_COUNT lines of each list are the run just listed: marks
  // its samples that no transmitter sends, and drops every other mark.
  void Listed(const UniformSamples& uniform, const NormalSamples& normal);

  // The run just listed is the one the charts show.
  void Charted();

  // Marks the given samples (indices, ascending) on the charted run's lines.
  void MarkDifferences(const std::vector<int>& uniform, const std::vector<int>& normal);

private:
  struct List;
  std::unique_ptr<List> lists_[2];
};
