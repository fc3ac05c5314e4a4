#include "LineSeries.h"

int TLineSeries::AddXY(double x, double y, const std::string& label, TColor color) {
  // Search from the end: points nearly always arrive in ascending x.
  std::size_t index = Points().size();
  while (index > 0 && Points()[index - 1].X > x) --index;
  return Insert(index, {x, y, label, color});
}
