#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QWebEnginePage>

#include "support/RawHttp.h"
#include "support/TempDir.h"
#include "ui/CBrowserDialogbar.h"
#include "ui/ChineseInterface.h"
#include "ui/CvarnokView.h"
#include "ui/ProgramPictures.h"

// What the program shows a person is Chinese and its own: the bar's tooltips and
// pictures, Qt's texts, the engine's error page. (The test program selects the Chinese
// locale before its application object, as the program does.)
namespace {

bool HasChinese(const QString& text) {
  for (QChar c : text)
    if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) return true;
  return false;
}

TEST(ChineseLookTest, EveryBarButtonHasAChineseTooltipAndTheIconButtonsPicturesOfTheirOwn) {
  CBrowserDialogbar bar;
  std::vector<QImage> pictures;
  for (QPushButton* button : bar.findChildren<QPushButton*>()) {
    EXPECT_TRUE(HasChinese(button->toolTip())) << button->objectName().toStdString() << ": "
                                               << button->toolTip().toStdString();
    if (!button->text().isEmpty()) continue;  // the two text buttons
    const QImage picture = button->icon().pixmap(24, 24).toImage();
    ASSERT_FALSE(picture.isNull()) << button->objectName().toStdString();
    for (const QImage& other : pictures) EXPECT_NE(picture, other) << button->objectName().toStdString();
    pictures.push_back(picture);
  }
  EXPECT_EQ(pictures.size(), 10u);
  EXPECT_TRUE(ProgramPictures::ButtonIcon(QStringLiteral("no-such-picture")).isNull());
  EXPECT_FALSE(ProgramPictures::ProgramIcon().pixmap(32, 32).isNull());
}

TEST(ChineseLookTest, QtsOwnTextsAreTranslated) {
  // Both catalogues come from the system's Qt translations.
  EXPECT_EQ(chinese_interface::InstallTranslations(*QCoreApplication::instance()), 2);
  EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), QString::fromUtf8("打印"));
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Save As"), QString::fromUtf8("另存为"));
}

TEST(ChineseLookTest, TheEnginesErrorPageIsChinese) {
  const ClosedPort closed;
  QWebEngineView view;
  bool finished = false;
  QObject::connect(&view, &QWebEngineView::loadFinished, [&] { finished = true; });
  view.load(QUrl("http://127.0.0.1:" + QString::number(closed.port()) + "/"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 30000));
  QString text;
  bool done = false;
  // The error page is put in place after the failed load reports.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        done = false;
        view.page()->toPlainText([&](const QString& result) {
          text = result;
          done = true;
        });
        // A page that has not answered yet is asked again on the next round.
        if (!QTest::qWaitFor([&] { return done; }, 5000)) return false;
        return text.contains(QString::fromUtf8("无法访问此网站"));
      },
      30000))
      << text.toStdString();
}

TEST(ChineseLookTest, PagesAreSavedIntoTheDownloadDirectoryWhichIsMadeWhenMissing) {
  TempDir home;
  const QByteArray oldHome = qgetenv("HOME");
  qputenv("HOME", QByteArray::fromStdString(home.path()));
  const QString directory = CvarnokView::DownloadDirectory();
  qputenv("HOME", oldHome);
  EXPECT_EQ(directory, QDir(QString::fromStdString(home / "Downloads")).absolutePath());
  EXPECT_TRUE(QDir(directory).exists());
}

}  // namespace
