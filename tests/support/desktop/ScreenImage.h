#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/desktop/ScreenGeometry.h"

struct Rgb {
  int red = 0, green = 0, blue = 0;
};

// A picture of the screen (or part of it), as taken by VirtualDesktop::Screenshot.
class ScreenImage {
 public:
  // Reads a binary PPM ("P6", 8 bits per channel); nothing for anything else.
  static std::optional<ScreenImage> FromPpm(const std::string& bytes);

  int width() const { return width_; }
  int height() const { return height_; }
  ScreenRect bounds() const { return {0, 0, width_, height_}; }
  Rgb Pixel(int x, int y) const;

  using ColourTest = std::function<bool(const Rgb&)>;
  // How many pixels inside `region` pass `test`.
  int Count(const ScreenRect& region, const ColourTest& test) const;
  // Number of different colours inside `region` (a blank area has one or two).
  int DistinctColours(const ScreenRect& region) const;

  // Groups of pixels passing `test` inside `region`: pixels fewer than `horizontalGap`
  // columns apart in a row, and rows fewer than `verticalGap` rows apart, join one group,
  // so an underlined link becomes one rectangle and the next line of links another.
  // Sorted top to bottom, then left to right.
  std::vector<ScreenRect> FindGroups(const ScreenRect& region, const ColourTest& test, int horizontalGap = 6,
                                     int verticalGap = 2) const;

 private:
  int width_ = 0, height_ = 0;
  std::vector<uint8_t> rgb_;
};

// The colours of a page's links as the engine draws them: unvisited blue, visited purple.
bool IsLinkBlue(const Rgb& c);
bool IsVisitedLinkPurple(const Rgb& c);
