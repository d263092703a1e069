#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QTest>

#include "FrameTestSupport.h"
#include "ui/CBrowserDialogbar.h"
#include "ui/DownloadFileName.h"
#include "ui/PermissionPrompt.h"
#include "ui/SiteHost.h"
#include "ui/TransferRate.h"

namespace {

class ExternalAddressesTest : public ::testing::Test, public FrameFixture {
 protected:
  void SetUp() override { ASSERT_TRUE(WaitLoaded(frame->activeView(), FileUrl("a.htm"))); }
};

TEST_F(ExternalAddressesTest, OpenEachInANewWindowButNeverAnythingThatWouldRunScript) {
  // Texts that look harmless until the address box's rules read them: an ideographic
  // blank (GBK A1 A1) before a script address is trimmed away by those rules.
  frame->openExternalAddresses({FileUrl("b.htm"), "\xa1\xa1javascript:document.title='ran'",
                                "\xa1\xa1JAVASCRIPT:document.title='ran'", "data:text/html,<title>ran</title>"});
  ASSERT_TRUE(WaitForPageWindows(2));
  QTest::qWait(500);
  EXPECT_EQ(PageWindowCount(), 2);
  ASSERT_TRUE(WaitLoaded(frame->activeView(), FileUrl("b.htm")));
  for (CChildFrame* window : frame->pageWindows()) EXPECT_NE(window->view()->title(), QStringLiteral("ran"));
  // Recorded like a typed address.
  EXPECT_EQ(state->History().front(), FileUrl("b.htm"));
  EXPECT_EQ(frame->addressBar()->addressAt(0), FileUrl("b.htm"));
}

TEST(TransferRateTest, SpeedFollowsTheLastSecondsAndFallsToZeroWhenStalled) {
  TransferRate rate;
  EXPECT_EQ(rate.bytesPerSecond(0), 0);
  rate.addSample(0, 0);
  EXPECT_EQ(rate.bytesPerSecond(500), 0);
  for (int ms = 500; ms <= 5000; ms += 500) rate.addSample(ms, ms * 100);  // 100 000 bytes a second
  EXPECT_NEAR(rate.bytesPerSecond(5000), 100000, 100000 * 0.2);
  // It speeds up: the figure follows the new speed, not the average since the start.
  for (int ms = 5500; ms <= 9000; ms += 500) rate.addSample(ms, 500000 + (ms - 5000) * 1000);
  EXPECT_NEAR(rate.bytesPerSecond(9000), 1000000, 1000000 * 0.2);
  // Then nothing comes for a while.
  EXPECT_LT(rate.bytesPerSecond(10500), rate.bytesPerSecond(9000));
  EXPECT_EQ(rate.bytesPerSecond(12500), 0);
}

TEST(TransferRateTest, SizesReadAsPeopleReadThem) {
  EXPECT_EQ(ByteSizeText(0), "0 B");
  EXPECT_EQ(ByteSizeText(1023), "1023 B");
  EXPECT_EQ(ByteSizeText(1024), "1.0 KB");
  EXPECT_EQ(ByteSizeText(1536), "1.5 KB");
  EXPECT_EQ(ByteSizeText(5LL * 1024 * 1024 + 1024 * 1024 / 2), "5.5 MB");
  EXPECT_EQ(ByteSizeText(3LL * 1024 * 1024 * 1024), "3.0 GB");
  EXPECT_EQ(ByteSizeText(-5), "0 B");
}

// A long host losing its left end is shown by the permission prompt test on the desktop.
TEST(SiteHostTest, TheHostShowsInItsAsciiFormAndEveryPromptedFeatureHasItsWords) {
  const QFontMetrics metrics(QApplication::font());
  const std::pair<QString, QString> cases[] = {
      {QStringLiteral("https://user:pw@example.org:8443"), QStringLiteral("example.org:8443")},
      {QStringLiteral("http://127.0.0.1:10101"), QStringLiteral("127.0.0.1:10101")},
      // Letters that only look Latin show as what they are.
      {QStringLiteral("https://\u0430pple.com"), QStringLiteral("xn--pple-43d.com")},
  };
  for (const auto& [origin, shown] : cases) EXPECT_EQ(SiteHostText(QUrl(origin), metrics, 1000), shown);
  QSet<QString> texts;
  for (auto feature : {QWebEnginePage::Notifications, QWebEnginePage::Geolocation, QWebEnginePage::MediaAudioCapture,
                       QWebEnginePage::MediaVideoCapture, QWebEnginePage::MediaAudioVideoCapture, QWebEnginePage::MouseLock,
                       QWebEnginePage::DesktopVideoCapture, QWebEnginePage::DesktopAudioVideoCapture})
    texts.insert(PermissionPrompt::FeatureText(feature));
  EXPECT_EQ(texts.size(), 8);
}

TEST(DownloadFileNameTest, NothingHiddenNoLeadingDotAndAtMost255BytesWithTheExtensionKept) {
  using download_file_name::Clean;
  const std::pair<QString, QString> cases[] = {
      {QStringLiteral("a\u2066b\u200Fc\u061C\u202Ed.txt"), QStringLiteral("abcd.txt")},
      {QStringLiteral("bell\x07tab\tline\nnul.bin"), QStringLiteral("belltablinenul.bin")},
      {QStringLiteral(" . .hidden"), QStringLiteral("hidden")},
      {QStringLiteral("\u202E"), QStringLiteral("download")},
      {QStringLiteral("\u4F60\u597D.txt"), QStringLiteral("\u4F60\u597D.txt")},
  };
  for (const auto& [offered, cleaned] : cases) EXPECT_EQ(Clean(offered), cleaned) << offered.toStdString();
  // Characters three bytes long are cut whole, short of 255 bytes with ".crdownload".
  const QString cut = Clean(QString(100, QChar(0x4F60)) + QStringLiteral(".tar.gz"));
  EXPECT_EQ(cut, QString(80, QChar(0x4F60)) + QStringLiteral(".gz"));
}

}  // namespace
