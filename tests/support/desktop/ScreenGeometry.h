#pragma once
#include <string>

// Points and rectangles in root-window (screen) pixels.
struct ScreenPoint {
  int x = 0, y = 0;
};

struct ScreenRect {
  int x = 0, y = 0, width = 0, height = 0;

  int right() const { return x + width; }    // first column outside
  int bottom() const { return y + height; }  // first row outside
  bool empty() const { return width <= 0 || height <= 0; }
  ScreenPoint center() const { return {x + width / 2, y + height / 2}; }
  bool contains(ScreenPoint p) const { return p.x >= x && p.x < right() && p.y >= y && p.y < bottom(); }
  bool contains(const ScreenRect& r) const { return r.x >= x && r.y >= y && r.right() <= right() && r.bottom() <= bottom(); }
  bool operator==(const ScreenRect& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
  bool operator!=(const ScreenRect& o) const { return !(*this == o); }
  std::string ToString() const {
    return std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(x) + "+" + std::to_string(y);
  }
};
