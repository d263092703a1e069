#pragma once
#include <QRect>

// Dialog templates give sizes in dialog units: a quarter of the dialog font's average
// character width across, an eighth of its height down. The templates use an 8-point
// dialog font, whose base units at 96 dpi are 6 × 13 pixels.
namespace dialog_units {

constexpr int kBaseX = 6;
constexpr int kBaseY = 13;

constexpr int ToPixelsX(int units) { return units * kBaseX / 4; }
constexpr int ToPixelsY(int units) { return units * kBaseY / 8; }

inline QRect ToPixels(int x, int y, int width, int height) {
  return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
}

}  // namespace dialog_units
