#include "BarSeries.h"

int TBarSeries::Add(double value, const std::string& label, TColor color) {
  const auto position = static_cast<std::size_t>(Count());
  return Insert(position, {static_cast<double>(position), value, label, color});
}
