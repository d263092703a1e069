#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QImage>

#include <memory>

#include "app/GbkText.h"
#include "platform/GbkCodec.h"
#include "ui/CBusyStatic.h"
#include "ui/CPathStatic.h"

namespace {

void EnsureQtApp() {
  static int argc = 1;
  static char name[] = "indicators-test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  new QApplication(argc, argv);
}

// Runs the event loop until `condition` holds; the limit only keeps a broken build from
// hanging the suite.
bool ProcessEventsUntil(const std::function<bool()>& condition, int limitMs = 20000) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > limitMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return true;
}

QImage Render(QWidget& widget) {
  QImage image(widget.size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  widget.render(&image);
  return image;
}

int StripeHeight(const QRect& r) { return r.height(); }

class IndicatorsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureQtApp(); }
};

TEST_F(IndicatorsTest, FourteenPixelControlMovesOnePixelStripesAndWrapsAtEight) {
  const QRect client(0, 0, 20, 14);
  int position = 0;
  std::vector<int> tops;
  for (int step = 0; step < 4; ++step) {
    const CBusyStatic::Frame frame = CBusyStatic::ComputeFrame(client, position);
    EXPECT_EQ(frame.background, client);
    tops.push_back(frame.stripes[0].top());
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(StripeHeight(frame.stripes[i]), 1);
      EXPECT_EQ(frame.stripes[i].top(), position + i);
      EXPECT_EQ(frame.stripes[i].width(), 20);
    }
    position = frame.nextPosition;
  }
  EXPECT_EQ(tops, (std::vector<int>{0, 3, 6, 0}));
}

TEST_F(IndicatorsTest, ShortControlDrawsOnlyTheWhiteBackground) {
  for (int height : {0, 1, 6, 8}) {
    const QRect client(0, 0, 20, height);
    const CBusyStatic::Frame frame = CBusyStatic::ComputeFrame(client, 0);
    for (const QRect& stripe : frame.stripes) EXPECT_TRUE(stripe.isEmpty()) << "height " << height;
    // The position still wraps at (H / 3) * 2, which is 0 for the lowest controls.
    const int wrap = (height / 3) * 2;
    EXPECT_EQ(frame.nextPosition, 3 >= wrap ? 0 : 3) << "height " << height;
  }
}

TEST_F(IndicatorsTest, TallControlStacksStripesBelowEachOther) {
  // H = 90: stripes of 10 pixels; the first at 30 puts the others at 40 and 50.
  const CBusyStatic::Frame frame = CBusyStatic::ComputeFrame(QRect(0, 0, 12, 90), 30);
  EXPECT_EQ(frame.stripes[0], QRect(0, 30, 12, 10));
  EXPECT_EQ(frame.stripes[1], QRect(0, 40, 12, 10));
  EXPECT_EQ(frame.stripes[2], QRect(0, 50, 12, 10));
  EXPECT_EQ(frame.nextPosition, 33);
  EXPECT_EQ(CBusyStatic::ComputeFrame(QRect(0, 0, 12, 90), 57).nextPosition, 0);
}

TEST_F(IndicatorsTest, PaintDrawsBlueGreenRedOnWhiteAndAdvances) {
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

TEST_F(IndicatorsTest, StopsAndHidesOnceTheActivePageIsIdle) {
  QWidget bar;
  bar.resize(200, 30);
  auto* busy = new CBusyStatic(&bar);
  busy->setGeometry(150, 2, 10, 20);
  bool loading = true;
  busy->setLoadingQuery([&loading] { return loading; });
  bar.show();
  busy->start();
  ASSERT_TRUE(busy->isVisible());

  // The timer alone keeps it moving while the page loads.
  EXPECT_TRUE(ProcessEventsUntil([&] { return busy->position() >= 6; }));
  EXPECT_TRUE(busy->isVisible());

  loading = false;
  EXPECT_TRUE(ProcessEventsUntil([&] { return busy->isHidden(); }));
  EXPECT_FALSE(busy->isAnimating());

  // A new load starts it again from the top.
  loading = true;
  busy->start();
  EXPECT_TRUE(busy->isVisible());
  EXPECT_EQ(busy->position(), 0);
}

TEST_F(IndicatorsTest, WithoutALoadingQueryTheFirstPaintHidesIt) {
  CBusyStatic busy;
  busy.resize(10, 14);
  busy.start();
  Render(busy);
  EXPECT_TRUE(busy.isHidden());
  EXPECT_FALSE(busy.isAnimating());
}

TEST_F(IndicatorsTest, PathTextJoinsLabelsWithSlashes) {
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

TEST_F(IndicatorsTest, PathFontCanShowChinese) {
  const QFont font = CPathStatic::PathFont();
  EXPECT_EQ(font.pixelSize(), 16);
  const QFontMetrics metrics(font);
  for (QChar c : QString::fromUtf8("根视图网页浏览")) EXPECT_TRUE(metrics.inFont(c)) << c.unicode();
}

TEST_F(IndicatorsTest, PathTextIsDrawnFromColumn76OnLightGrey) {
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
