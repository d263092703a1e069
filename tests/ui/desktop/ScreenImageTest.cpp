#include <gtest/gtest.h>

#include "support/desktop/ScreenImage.h"

// The harness's own picture reading: what it gets wrong, every screen check gets wrong.
namespace {

std::string Ppm(int width, int height, const std::string& header, const std::vector<Rgb>& pixels) {
  std::string bytes = header;
  for (const Rgb& p : pixels) {
    bytes += static_cast<char>(p.red);
    bytes += static_cast<char>(p.green);
    bytes += static_cast<char>(p.blue);
  }
  (void)width, (void)height;
  return bytes;
}

TEST(ScreenImageTest, ReadsEightBitPicturesWithCommentsAndRefusesOthers) {
  const std::vector<Rgb> pixels{{1, 2, 3}, {255, 0, 10}, {0, 0, 238}, {9, 9, 9}, {4, 5, 6}, {7, 8, 9}};
  const auto image = ScreenImage::FromPpm(Ppm(3, 2, "P6\n# made by hand\n3 2\n255\n", pixels));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), 3);
  EXPECT_EQ(image->height(), 2);
  EXPECT_EQ(image->Pixel(1, 0).red, 255);
  EXPECT_EQ(image->Pixel(2, 0).blue, 238);
  EXPECT_EQ(image->Pixel(2, 1).green, 8);
  EXPECT_EQ(image->Pixel(5, 5).red, 0);  // outside: black, never a crash
  // Sixteen bits per channel, another format, or too few pixels: nothing.
  EXPECT_FALSE(ScreenImage::FromPpm(Ppm(3, 2, "P6\n3 2\n65535\n", pixels)));
  EXPECT_FALSE(ScreenImage::FromPpm(Ppm(3, 2, "P3\n3 2\n255\n", pixels)));
  EXPECT_FALSE(ScreenImage::FromPpm(Ppm(3, 2, "P6\n3 3\n255\n", pixels)));
}

TEST(ScreenImageTest, GroupsNearPixelsIntoWordsAndKeepsSeparateLinesApart) {
  // 40 x 30 white with blue marks: two words on one line (a gap of 10, one blank row
  // inside the first), one word two blank rows below the line before it.
  std::vector<Rgb> pixels(40 * 30, Rgb{255, 255, 255});
  auto mark = [&](int x, int y) { pixels[static_cast<size_t>(y * 40 + x)] = Rgb{0, 0, 238}; };
  for (int x : {2, 4, 7}) mark(x, 3), mark(x, 5);  // word one, with gaps inside it
  for (int x : {18, 20}) mark(x, 4);               // word two
  mark(3, 8), mark(5, 9);                          // the word on the next line
  const auto image = ScreenImage::FromPpm(Ppm(40, 30, "P6\n40 30\n255\n", pixels));
  ASSERT_TRUE(image);
  const std::vector<ScreenRect> groups = image->FindGroups(image->bounds(), IsLinkBlue);
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(groups[0], (ScreenRect{2, 3, 6, 3}));
  EXPECT_EQ(groups[1], (ScreenRect{18, 4, 3, 1}));
  EXPECT_EQ(groups[2], (ScreenRect{3, 8, 3, 2}));
  EXPECT_EQ(image->Count(image->bounds(), IsLinkBlue), 10);
  EXPECT_EQ(image->DistinctColours({0, 0, 2, 2}), 1);
}

}  // namespace
