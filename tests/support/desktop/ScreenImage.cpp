#include "support/desktop/ScreenImage.h"

#include <algorithm>
#include <set>
#include <sstream>

std::optional<ScreenImage> ScreenImage::FromPpm(const std::string& bytes) {
  std::istringstream in(bytes);
  std::string magic;
  int width = 0, height = 0, maxValue = 0;
  in >> magic;
  // Comments may follow the magic number.
  auto skipComments = [&in] {
    in >> std::ws;
    while (in.peek() == '#') {
      std::string line;
      std::getline(in, line);
      in >> std::ws;
    }
  };
  skipComments();
  in >> width;
  skipComments();
  in >> height;
  skipComments();
  in >> maxValue;
  if (magic != "P6" || width <= 0 || height <= 0 || maxValue != 255) return std::nullopt;
  in.get();  // the single white space before the pixels
  const size_t offset = static_cast<size_t>(in.tellg());
  const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
  if (bytes.size() < offset + size) return std::nullopt;
  ScreenImage image;
  image.width_ = width;
  image.height_ = height;
  image.rgb_.assign(bytes.begin() + static_cast<long>(offset), bytes.begin() + static_cast<long>(offset + size));
  return image;
}

Rgb ScreenImage::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return Rgb{};
  const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3;
  return Rgb{rgb_[at], rgb_[at + 1], rgb_[at + 2]};
}

namespace {

ScreenRect Clip(const ScreenRect& region, const ScreenRect& bounds) {
  const int left = std::max(region.x, bounds.x), top = std::max(region.y, bounds.y);
  const int right = std::min(region.right(), bounds.right()), bottom = std::min(region.bottom(), bounds.bottom());
  return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

ScreenRect Unite(const ScreenRect& a, const ScreenRect& b) {
  const int left = std::min(a.x, b.x), top = std::min(a.y, b.y);
  return {left, top, std::max(a.right(), b.right()) - left, std::max(a.bottom(), b.bottom()) - top};
}

// True when the two rectangles come within `gapX` columns and `gapY` rows of each other.
bool Near(const ScreenRect& a, const ScreenRect& b, int gapX, int gapY) {
  return a.x - gapX < b.right() && b.x - gapX < a.right() && a.y - gapY < b.bottom() && b.y - gapY < a.bottom();
}

}  // namespace

int ScreenImage::Count(const ScreenRect& region, const ColourTest& test) const {
  const ScreenRect area = Clip(region, bounds());
  int count = 0;
  for (int y = area.y; y < area.bottom(); ++y)
    for (int x = area.x; x < area.right(); ++x)
      if (test(Pixel(x, y))) ++count;
  return count;
}

int ScreenImage::DistinctColours(const ScreenRect& region) const {
  const ScreenRect area = Clip(region, bounds());
  std::set<int> colours;
  for (int y = area.y; y < area.bottom(); ++y)
    for (int x = area.x; x < area.right(); ++x) {
      const Rgb c = Pixel(x, y);
      colours.insert((c.red << 16) | (c.green << 8) | c.blue);
    }
  return static_cast<int>(colours.size());
}

std::vector<ScreenRect> ScreenImage::FindGroups(const ScreenRect& region, const ColourTest& test, int horizontalGap,
                                               int verticalGap) const {
  const ScreenRect area = Clip(region, bounds());
  // Runs of matching pixels per row first, then runs merged with every group they touch.
  std::vector<ScreenRect> groups;
  for (int y = area.y; y < area.bottom(); ++y) {
    for (int x = area.x; x < area.right();) {
      if (!test(Pixel(x, y))) {
        ++x;
        continue;
      }
      int end = x + 1, lastHit = x;
      while (end < area.right() && end - lastHit <= horizontalGap) {
        if (test(Pixel(end, y))) lastHit = end;
        ++end;
      }
      ScreenRect run{x, y, lastHit - x + 1, 1};
      // A grown run may reach groups it missed before: merge until nothing is near.
      for (bool merged = true; merged;) {
        merged = false;
        for (auto it = groups.begin(); it != groups.end();) {
          if (Near(*it, run, horizontalGap, verticalGap)) {
            run = Unite(run, *it);
            it = groups.erase(it);
            merged = true;
          } else {
            ++it;
          }
        }
      }
      groups.push_back(run);
      x = lastHit + 1;
    }
  }
  std::sort(groups.begin(), groups.end(), [](const ScreenRect& a, const ScreenRect& b) {
    // Same text line when they overlap vertically.
    const bool sameLine = a.y < b.bottom() && b.y < a.bottom();
    return sameLine ? a.x < b.x : a.y < b.y;
  });
  return groups;
}

bool IsLinkBlue(const Rgb& c) { return c.blue >= 170 && c.red <= 90 && c.green <= 90; }

bool IsVisitedLinkPurple(const Rgb& c) { return c.red >= 60 && c.red <= 130 && c.green <= 60 && c.blue >= 100 && c.blue <= 170; }
