#include "ui/WindowPlacement.h"

#include <cmath>

namespace {

// One axis of the restored placement: (offset, extent) from the work area's span.
std::pair<int, int> PlaceOnAxis(int low, int high, int wanted) {
  const int span = high - low + 1;
  if (span < wanted) return {0, span};
  return {(high - low - (wanted - 1)) / 2, wanted};
}

// Splits `total` pixels into `parts` bands; the last band absorbs the remainder.
int BandStart(int total, int parts, int index) { return total * index / parts; }

}  // namespace

QRect RestoredFrameGeometry(const WorkArea& area) {
  const auto [x, width] = PlaceOnAxis(area.left, area.right, 800);
  const auto [y, height] = PlaceOnAxis(area.top, area.bottom, 600);
  return QRect(x, y, width, height);
}

std::vector<QRect> TileHorizontally(int count, const QRect& area) {
  std::vector<QRect> cells;
  if (count <= 0) return cells;
  const int columns = count < 4 ? 1 : static_cast<int>(std::sqrt(static_cast<double>(count)));
  const int baseRows = count / columns;
  const int longColumns = count % columns;  // the last ones take one row more
  for (int column = 0; column < columns; ++column) {
    const int rows = baseRows + (column >= columns - longColumns ? 1 : 0);
    const int left = area.left() + BandStart(area.width(), columns, column);
    const int right = area.left() + BandStart(area.width(), columns, column + 1);
    for (int row = 0; row < rows; ++row) {
      const int top = area.top() + BandStart(area.height(), rows, row);
      const int bottom = area.top() + BandStart(area.height(), rows, row + 1);
      cells.emplace_back(left, top, right - left, bottom - top);
    }
  }
  return cells;
}
