#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QTest>

#include <functional>

#include "app/GbkText.h"
#include "platform/GbkCodec.h"
#include "ui/CBusyStatic.h"
#include "ui/CPathStatic.h"

namespace {

// Runs the event loop until `condition` holds; the limit only keeps a broken build from
// hanging the suite.
bool WaitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 30000); }

QImage Render(QWidget& widget) {
  QImage image(widget.size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  widget.render(&image);
  return image;
}

TEST(IndicatorsTest, FourteenPixelControlMovesOnePixelStripesAndWrapsAtEight) {
  const QRect client(0, 0, 20, 14);
  int position = 0;
  std::vector<int> tops;
  for (int step = 0; step < 4; ++step) {
    const CBusyStatic::Frame frame = CBusyStatic::ComputeFrame(client, position);
    EXPECT_EQ(frame.background, client);
    tops.push_back(frame.stripes[0].top());
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(frame.stripes[i].height(), 1);
      EXPECT_EQ(frame.stripes[i].top(), position + i);
      EXPECT_EQ(frame.stripes[i].width(), 20);
    }
    position = frame.nextPosition;
  }
  EXPECT_EQ(tops, (std::vector<int>{0, 3, 6, 0}));
}

TEST(IndicatorsTest, ShortControlDrawsOnlyTheWhiteBackground) {
  // Height, and the position after one step from 0: it wraps at (H / 3) * 2.
  for (const auto& [height, next] : std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {6, 3}, {8, 3}}) {
    const CBusyStatic::Frame frame = CBusyStatic::ComputeFrame(QRect(0, 0, 20, height), 0);
    for (const QRect& stripe : frame.stripes) EXPECT_TRUE(stripe.isEmpty()) << "height " << height;
    EXPECT_EQ(frame.nextPosition, next) << "height " << height;
  }
  EXPECT_EQ(CBusyStatic::ComputeFrame(QRect(0, 0, 20, 8), 3).nextPosition, 0);
}

TEST(IndicatorsTest, PaintDrawsBlueGreenRedOnWhiteAndAdvances) {
  CBusyStatic busy;
  busy.resize(20, 14);
  busy.setLoadingQuery([] { return true; });
  busy.start();

  QImage image = Render(busy);
  EXPECT_EQ(image.pixel(5, 0), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(5, 1), qRgb(0, 255, 0));
  EXPECT_EQ(image.pixel(5, 2), qRgb(255, 0, 0));
  for (int y = 3; y < 14; ++y) EXPECT_EQ(image.pixel(5, y), qRgb(255, 255, 255)) << "row " << y;
  EXPECT_EQ(busy.position(), 3);

  image = Render(busy);
  EXPECT_EQ(image.pixel(19, 2), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(19, 3), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(19, 5), qRgb(255, 0, 0));
  Render(busy);
  EXPECT_EQ(busy.position(), 0);

  Render(busy);
  busy.start();
  EXPECT_EQ(busy.position(), 0);
  EXPECT_TRUE(busy.isAnimating());
}

TEST(IndicatorsTest, StopsAndHidesOnceTheActivePageIsIdle) {
  QWidget bar;
  bar.resize(200, 30);
  auto* busy = new CBusyStatic(&bar);
  busy->setGeometry(150, 2, 10, 20);
  bool loading = true;
  busy->setLoadingQuery([&loading] { return loading; });
  bar.show();
  EXPECT_TRUE(busy->isHidden()) << "in sight before any load";
  busy->start();
  ASSERT_TRUE(WaitFor([&] { return busy->isVisible(); }));

  // The timer alone keeps it moving while the page loads.
  EXPECT_TRUE(WaitFor([&] { return busy->position() >= 6; }));
  EXPECT_TRUE(busy->isVisible());

  loading = false;
  EXPECT_TRUE(WaitFor([&] { return busy->isHidden(); }));
  EXPECT_FALSE(busy->isAnimating());

  // A new load starts it again from the top, in sight from its first step on.
  loading = true;
  busy->start();
  EXPECT_EQ(busy->position(), 0);
  EXPECT_TRUE(busy->isHidden());
  EXPECT_TRUE(WaitFor([&] { return busy->isVisible(); }));

  // A load over before the first step never brings it into sight.
  loading = false;
  EXPECT_TRUE(WaitFor([&] { return busy->isHidden(); }));
  loading = true;
  busy->start();
  loading = false;
  QTest::qWait(3 * CBusyStatic::kTimerPeriodMs);
  EXPECT_TRUE(busy->isHidden());
  EXPECT_FALSE(busy->isAnimating());

  loading = true;
  busy->start();
  EXPECT_TRUE(WaitFor([&] { return busy->isVisible(); }));

  // Without a way to ask, every page counts as idle.
  busy->setLoadingQuery(nullptr);
  EXPECT_TRUE(WaitFor([&] { return busy->isHidden(); }));
  EXPECT_FALSE(busy->isAnimating());
}

TEST(IndicatorsTest, PathTextJoinsLabelsWithSlashes) {
  const std::vector<std::string> defaults{gbk::kLabelRootView, gbk::kLabelBrowsing, gbk::kLabelOpenPage,
                                          gbk::kLabelSearchEngine};
  EXPECT_EQ(platform::GbkToUtf8(CPathStatic::JoinLabels(defaults)),
            "根视图 / 网页浏览 / 当前打开页面 / Dravo搜索引擎");
  EXPECT_EQ(CPathStatic::JoinLabels({gbk::kLabelBrowsing}), gbk::kLabelBrowsing);
  EXPECT_EQ(CPathStatic::JoinLabels({}), "");
  EXPECT_EQ(CPathStatic::JoinLabels({"", ""}), " / ");

  // The widget shows the GBK labels as the Chinese text, not as their bytes.
  CPathStatic path(defaults);
  EXPECT_EQ(path.text(), QString::fromUtf8("根视图 / 网页浏览 / 当前打开页面 / Dravo搜索引擎"));
  EXPECT_TRUE(CPathStatic(std::vector<std::string>{}).text().isEmpty());
}

TEST(IndicatorsTest, PathFontCanShowChinese) {
  const QFont font = CPathStatic::PathFont();
  EXPECT_EQ(font.pixelSize(), 16);
  const QFontMetrics metrics(font);
  for (QChar c : QString::fromUtf8("根视图网页浏览")) EXPECT_TRUE(metrics.inFont(c)) << c.unicode();
}

TEST(IndicatorsTest, PathTextIsDrawnFromColumn76OnLightGrey) {
  CPathStatic path({gbk::kLabelRootView, gbk::kLabelBrowsing});
  path.resize(400, 30);
  const QImage image = Render(path);
  EXPECT_EQ(image.pixel(2, 2), qRgb(0xF0, 0xF0, 0xF0));
  int inkLeft = image.width();
  int inkTop = image.height();
  int inkBottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qGray(image.pixel(x, y)) < 0x80) {
        inkLeft = std::min(inkLeft, x);
        inkTop = std::min(inkTop, y);
        inkBottom = std::max(inkBottom, y);
      }
    }
  }
  ASSERT_GE(inkBottom, 0) << "no text drawn";
  EXPECT_GE(inkLeft, CPathStatic::kTextLeft);
  EXPECT_LT(inkLeft, CPathStatic::kTextLeft + 8);
  // Centred in a 30-pixel rectangle starting at y = 5, i.e. around y = 20.
  EXPECT_LT(inkTop, 20);
  EXPECT_GT(inkBottom, 20);
}

}  // namespace
