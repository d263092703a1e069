#pragma once
#include <QRect>
#include <vector>

// The desktop work area as the classic platform reports it: right and bottom are the
// first column and row outside the area.
struct WorkArea {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// The main window's restored size and position: 800 × 600 centred in the work area, or
// the whole extent from the edge where the area is smaller. The extent is counted one
// pixel larger than right − left (a 640-wide area gives a 641-wide window); kept as the
// classic frame computed it.
QRect RestoredFrameGeometry(const WorkArea& area);

// Where `count` page windows go when tiled horizontally inside `area`: full-width rows,
// one above the other; from four windows on, a grid of floor(sqrt(count)) columns whose
// last columns take one row more when the windows do not divide evenly. Together the
// rectangles cover the area exactly.
std::vector<QRect> TileHorizontally(int count, const QRect& area);
