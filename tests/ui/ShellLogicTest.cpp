#include <gtest/gtest.h>

#include <numeric>

#include "platform/GbkCodec.h"
#include "ui/AddressTrim.h"
#include "ui/CBrowserDialogbar.h"
#include "ui/GbkBoundary.h"
#include "ui/PageZoom.h"
#include "ui/SearchWords.h"
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

// 你好 and 网址导航 in GBK; 你好 as the engine writes it (UTF-8 escapes).
const std::string kHelloGbk = "\xc4\xe3\xba\xc3";
const std::string kHelloEscaped = "%E4%BD%A0%E5%A5%BD";

// Every byte above 0x7F belongs to a GBK character.
bool IsCleanGbk(const std::string& text) { return platform::Utf8ToGbkExactly(platform::GbkToUtf8(text)) == text; }

TEST(GbkBoundaryTest, AddressesFromTheEngineBecomeGbkAndLeadBackToTheSamePlace) {
  // A query a UTF-8 site wrote reads back as the characters, which GBK holds.
  const QUrl page("http://h/echo?q=" + QString::fromLatin1(kHelloEscaped.c_str()));
  EXPECT_EQ(gbk_boundary::GbkFromUrl(page), "http://h/echo?q=" + kHelloGbk);
  // A path does too, and opened again it is the very same request.
  const QUrl folder("http://h/" + QString::fromLatin1(kHelloEscaped.c_str()) + "/x?a=1");
  const std::string stored = gbk_boundary::GbkFromUrl(folder);
  EXPECT_EQ(stored, "http://h/" + kHelloGbk + "/x?a=1");
  EXPECT_EQ(gbk_boundary::UrlFromGbk(stored).toEncoded(), folder.toEncoded());

  // A query travels in GBK, as the portal expects and as links in our GBK pages do.
  const std::string portal = "http://portal.example/MenuTypeAction.do?type=" + kNavigationGbk;
  const QUrl portalUrl = gbk_boundary::UrlFromGbk(portal);
  EXPECT_EQ(portalUrl.toEncoded().toStdString(), "http://portal.example/MenuTypeAction.do?type=%CD%F8%D6%B7%B5%BC%BA%BD");
  EXPECT_EQ(gbk_boundary::GbkFromUrl(portalUrl), portal);
  // A path travels in UTF-8, as in every page.
  const std::string path = "http://h/" + kHelloGbk + "/";
  EXPECT_EQ(gbk_boundary::UrlFromGbk(path).toEncoded().toStdString(), "http://h/" + kHelloEscaped + "/");
  EXPECT_EQ(gbk_boundary::GbkFromUrl(gbk_boundary::UrlFromGbk(path)), path);
  EXPECT_EQ(gbk_boundary::GbkFromUrl(QUrl()), "");
}

TEST(GbkBoundaryTest, WhatGbkCannotHoldKeepsItsEscapes) {
  struct Case {
    const char* engine;
    std::string stored;
    bool sameRequestAgain;  // false where a UTF-8 query comes back as GBK characters
  };
  const Case cases[] = {
      // A character beyond GBK between two it holds; lower-case escapes read alike.
      {"http://h/%e4%bd%a0%F0%9F%98%80%E5%A5%BD", "http://h/\xc4\xe3%F0%9F%98%80\xba\xc3", true},
      // In a path, bytes that are no UTF-8, cut sequences, overlong forms and surrogates
      // stay exactly as they were.
      {"http://h/%C4%E3%BA%C3/", "http://h/%C4%E3%BA%C3/", true},
      {"http://h/%E4%BD", "http://h/%E4%BD", true},
      {"http://h/%C0%AF%ED%A0%80", "http://h/%C0%AF%ED%A0%80", true},
      // In a query, GBK characters (a GBK site's own links, ours) read back as GBK, also
      // one whose second byte is ASCII; bytes that are neither stay.
      {"http://h/s?wd=%C4%E3%BA%C3&x=%81%40", "http://h/s?wd=\xc4\xe3\xba\xc3&x=\x81\x40", true},
      {"http://h/s?wd=%FF%FF", "http://h/s?wd=%FF%FF", true},
      // An escaped character after UTF-8 text is not taken for half of a GBK one.
      {"http://h/s?q=%E4%BD%A0%5B", "http://h/s?q=\xc4\xe3%5B", false},
      // Escapes of ASCII keep their meaning.
      {"http://h/a%26b%2F%20c?x=%26", "http://h/a%26b%2F%20c?x=%26", true},
  };
  for (const Case& c : cases) {
    const QUrl url = QUrl::fromEncoded(c.engine);
    const std::string stored = gbk_boundary::GbkFromUrl(url);
    EXPECT_EQ(stored, c.stored) << c.engine;
    EXPECT_TRUE(IsCleanGbk(stored)) << c.engine;
    if (c.sameRequestAgain) {
      EXPECT_EQ(gbk_boundary::UrlFromGbk(stored).toEncoded(), url.toEncoded()) << c.engine;
    }
  }
}

TEST(GbkBoundaryTest, TypedAddressesBecomeGbkAndSchemelessOnesAreRecordedAsLoaded) {
  EXPECT_EQ(gbk_boundary::AddressToGbk(QString::fromUtf8("http://h/你好😀")), "http://h/" + kHelloGbk + "%F0%9F%98%80");
  EXPECT_EQ(gbk_boundary::AddressToGbk(QString::fromUtf8("网址导航")), kNavigationGbk);
  EXPECT_EQ(gbk_boundary::AddressAsNavigated("localhost:8000/a.html"), "http://localhost:8000/a.html");
  EXPECT_EQ(gbk_boundary::AddressAsNavigated("www.example.com"), "http://www.example.com");
  EXPECT_EQ(gbk_boundary::AddressAsNavigated("/tmp/a.htm"), "file:///tmp/a.htm");
  // An address that names its scheme is recorded as given.
  EXPECT_EQ(gbk_boundary::AddressAsNavigated("http://Example.COM"), "http://Example.COM");
  EXPECT_EQ(gbk_boundary::FromGbk(kNavigationGbk), QString::fromUtf8("网址导航"));
  EXPECT_EQ(gbk_boundary::ToGbk(QString::fromUtf8("网址导航")), kNavigationGbk);
}

TEST(SearchWordsTest, WordsAreSearchedAndAddressesAreNot) {
  const std::string chinese = "\xd6\xd0\xce\xc4";  // 中文 in GBK
  const struct {
    std::string typed;
    bool words;
  } cases[] = {{"hello world", true},           {"hello", true},          {chinese, true},
               {chinese + " news", true},       {"example.com", false},   {"localhost", false},
               {"localhost:8000/a", false},     {"http://a b/", false},   {"/tmp/a b.htm", false},
               {"about:blank", false},          {"~/page.htm", false},    {"192.168.1.1", false}};
  for (const auto& c : cases) EXPECT_EQ(search_words::AreWords(c.typed), c.words) << c.typed;
  EXPECT_EQ(search_words::SearchAddress("hello world", "https://s.test/?q=%s&x=1"),
            "https://s.test/?q=hello%20world&x=1");
  EXPECT_EQ(search_words::SearchAddress(chinese, "https://s.test/?q="), "https://s.test/?q=%E4%B8%AD%E6%96%87");
  EXPECT_EQ(search_words::SearchAddress("a&b=c", "https://s.test/?q=%s"), "https://s.test/?q=a%26b%3Dc");
}

TEST(PageZoomTest, StepsRunThroughTheUsualLevelsAndStopAtTheEnds) {
  EXPECT_DOUBLE_EQ(PageZoom::StepFrom(1.0, +1), 1.1);
  EXPECT_DOUBLE_EQ(PageZoom::StepFrom(1.0, -1), 0.9);
  // A level set elsewhere (the engine's own) goes to the next usual one.
  EXPECT_DOUBLE_EQ(PageZoom::StepFrom(1.17, +1), 1.25);
  EXPECT_DOUBLE_EQ(PageZoom::StepFrom(1.17, -1), 1.1);
  EXPECT_DOUBLE_EQ(PageZoom::StepFrom(5.0, +1), 5.0);
  EXPECT_DOUBLE_EQ(PageZoom::StepFrom(0.25, -1), 0.25);
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
