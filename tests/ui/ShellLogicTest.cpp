#include <gtest/gtest.h>

#include <numeric>

#include "ui/AddressTrim.h"
#include "ui/CBrowserDialogbar.h"
#include "ui/GbkBoundary.h"
#include "ui/WindowPlacement.h"

namespace {

// 网址导航 in GBK.
const std::string kNavigationGbk = "\xcd\xf8\xd6\xb7\xb5\xbc\xba\xbd";

TEST(WindowPlacementTest, RestoredFrameIsCentredOrTakesTheWholeSmallArea) {
  EXPECT_EQ(RestoredFrameGeometry(WorkArea{0, 0, 1024, 768}), QRect(112, 84, 800, 600));
  // One pixel more than the area's span, from the edge.
  const QRect small = RestoredFrameGeometry(WorkArea{0, 0, 640, 480});
  EXPECT_EQ(small, QRect(0, 0, 641, 481));
  // An area that does not start at 0 still centres on its span alone.
  EXPECT_EQ(RestoredFrameGeometry(WorkArea{100, 30, 1124, 798}).topLeft(), QPoint(112, 84));
}

int CoveredArea(const std::vector<QRect>& cells) {
  return std::accumulate(cells.begin(), cells.end(), 0, [](int sum, const QRect& r) { return sum + r.width() * r.height(); });
}

bool Overlap(const std::vector<QRect>& cells) {
  for (size_t i = 0; i < cells.size(); ++i)
    for (size_t j = i + 1; j < cells.size(); ++j)
      if (cells[i].intersects(cells[j])) return true;
  return false;
}

TEST(WindowPlacementTest, TilingStacksFullWidthRowsThenBuildsAGridThatCoversTheArea) {
  const QRect area(0, 0, 1001, 601);
  EXPECT_TRUE(TileHorizontally(0, area).empty());
  const std::vector<QRect> three = TileHorizontally(3, area);
  ASSERT_EQ(three.size(), 3u);
  for (const QRect& row : three) EXPECT_EQ(row.width(), area.width());
  EXPECT_LT(three[0].top(), three[1].top());
  EXPECT_EQ(three[2].bottom(), area.bottom());
  for (int count : {1, 3, 4, 5, 7, 10}) {
    const std::vector<QRect> cells = TileHorizontally(count, area);
    ASSERT_EQ(cells.size(), static_cast<size_t>(count));
    EXPECT_EQ(CoveredArea(cells), area.width() * area.height()) << count;
    EXPECT_FALSE(Overlap(cells)) << count;
  }
  // Five windows: two columns, the second one taking the extra row.
  const std::vector<QRect> five = TileHorizontally(5, area);
  EXPECT_EQ(five[0].height(), area.height() / 2);
  EXPECT_EQ(five[4].left(), five[2].left());
}

TEST(AddressTrimTest, RemovesSingleByteBlanksAndKeepsDoubleByteCharactersWhole) {
  EXPECT_EQ(TrimGbkBlanks(" \t http://a/b \r\n\v\f"), "http://a/b");
  EXPECT_EQ(TrimGbkBlanks("   \t  "), "");
  EXPECT_EQ(TrimGbkBlanks(""), "");
  // Inner blanks stay; a double-byte character at either end is text, not space.
  EXPECT_EQ(TrimGbkBlanks("  " + kNavigationGbk + " x " + kNavigationGbk + "\t"), kNavigationGbk + " x " + kNavigationGbk);
  // A character whose second byte lies in the ASCII range ('@') is not split.
  EXPECT_EQ(TrimGbkBlanks(" \x81\x40 "), "\x81\x40");
}

TEST(GbkBoundaryTest, AddressesKeepTheirGbkBytesThroughTheEngine) {
  const std::string portal = "http://portal.example/MenuTypeAction.do?type=" + kNavigationGbk;
  const QUrl url = gbk_boundary::UrlFromGbk(portal);
  EXPECT_EQ(url.toEncoded().toStdString(), "http://portal.example/MenuTypeAction.do?type=%CD%F8%D6%B7%B5%BC%BA%BD");
  EXPECT_EQ(gbk_boundary::GbkFromUrl(url), portal);
  // ASCII escapes keep their meaning; an empty URL is an empty address.
  EXPECT_EQ(gbk_boundary::GbkFromUrl(QUrl("http://h/a%26b")), "http://h/a%26b");
  EXPECT_EQ(gbk_boundary::GbkFromUrl(QUrl()), "");
  // Without a scheme the text is taken as a host name.
  EXPECT_EQ(gbk_boundary::UrlFromGbk("www.example.com").scheme(), "http");
  EXPECT_EQ(gbk_boundary::FromGbk(kNavigationGbk), QString::fromUtf8("网址导航"));
  EXPECT_EQ(gbk_boundary::ToGbk(QString::fromUtf8("网址导航")), kNavigationGbk);
}

TEST(AddressBarLayoutTest, TileCloseAndBusySlotStayFlushRight) {
  const CBrowserDialogbar::RightEdge edge = CBrowserDialogbar::FlushRight(1000, QRect(756, 3, 25, 22), QRect(724, 3, 25, 22));
  EXPECT_EQ(edge.closePage, QRect(970, 3, 25, 22));
  EXPECT_EQ(edge.tile, QRect(940, 3, 25, 22));
  EXPECT_EQ(edge.busy, QRect(1000 - 50 - 12 - 14, 3, 11, 21));
  // The busy slot ends 5 pixels left of tile, which ends 5 pixels left of close.
  EXPECT_EQ(edge.tile.left() - (edge.busy.left() + edge.busy.width()), 5);
  EXPECT_EQ(edge.closePage.left() - (edge.tile.left() + edge.tile.width()), 5);
}

}  // namespace
