#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <fstream>
#include <sstream>

#include "ui/CClientWnd.h"
#include "ui/FirstFramePictures.h"
#include "ui/ProgramPictures.h"

// The pictures drawn ahead on the worker thread must be the very pictures the main thread
// would have drawn, and each is handed over once.
namespace {

constexpr int kPixels = ProgramPictures::kButtonIconPixels;

QImage Normalized(const QImage& image) { return image.convertToFormat(QImage::Format_ARGB32_Premultiplied); }

QImage DrawnBySvgEngine(const QString& name, int pixels) {
  return Normalized(QIcon(ProgramPictures::ButtonPicturePath(name)).pixmap(pixels, pixels).toImage());
}

TEST(FirstFramePicturesTest, IconsDrawnAheadMatchTheSvgEnginesAndStayScalable) {
  const QStringList names = ProgramPictures::ButtonPictureNames();
  ASSERT_EQ(names.size(), 10);
  FirstFramePictures ahead(kPixels, 1.0, {QString::fromUtf8("网址导航")}, QApplication::font());
  for (const QString& name : names) {
    const QIcon icon = ProgramPictures::ButtonIcon(name);
    const QImage drawn = Normalized(icon.pixmap(kPixels, kPixels).toImage());
    ASSERT_FALSE(drawn.isNull()) << name.toStdString();
    EXPECT_EQ(drawn, DrawnBySvgEngine(name, kPixels)) << name.toStdString();
    // A larger size is rendered from the drawing, not enlarged from the small picture.
    EXPECT_EQ(Normalized(icon.pixmap(3 * kPixels, 3 * kPixels).toImage()), DrawnBySvgEngine(name, 3 * kPixels))
        << name.toStdString();
  }
  // Every picture was taken by the icons above: none is handed out twice.
  for (const QString& name : names) EXPECT_TRUE(ahead.takeIcon(name, kPixels).isNull()) << name.toStdString();
}

TEST(FirstFramePicturesTest, EachPictureIsHandedOverOnceAndOnlyAtTheSizeDrawn) {
  FirstFramePictures ahead(kPixels, 2.0, {}, QApplication::font());
  EXPECT_EQ(FirstFramePictures::Current(), &ahead);
  EXPECT_TRUE(ahead.takeIcon(QStringLiteral("back"), kPixels).isNull());  // drawn for twice the pixels
  const QImage back = ahead.takeIcon(QStringLiteral("back"), 2 * kPixels);
  EXPECT_EQ(back.size(), QSize(2 * kPixels, 2 * kPixels));
  EXPECT_TRUE(ahead.takeIcon(QStringLiteral("back"), 2 * kPixels).isNull());
  EXPECT_TRUE(ahead.takeIcon(QStringLiteral("no-such-picture"), 2 * kPixels).isNull());
  const QImage background = ahead.takeBackground();
  EXPECT_EQ(Normalized(background), Normalized(QImage(ProgramPictures::BackgroundPath())));
  EXPECT_TRUE(ahead.takeBackground().isNull());
}

TEST(FirstFramePicturesTest, APreparationNeverTakenFromEndsCleanlyAndTheWindowsDrawWithout) {
  {
    FirstFramePictures untouched(kPixels, 1.0, {QString::fromUtf8("其他功能")}, QApplication::font());
  }
  EXPECT_EQ(FirstFramePictures::Current(), nullptr);
  EXPECT_EQ(Normalized(ProgramPictures::ButtonIcon(QStringLiteral("home")).pixmap(kPixels, kPixels).toImage()),
            DrawnBySvgEngine(QStringLiteral("home"), kPixels));
  EXPECT_EQ(Normalized(CClientWnd::BackgroundPicture().toImage()),
            Normalized(QImage(ProgramPictures::BackgroundPath())));
}

// Whether any image format plugin of the system has been loaded into this process.
bool ImagePluginLoaded() {
  std::ifstream maps("/proc/self/maps");
  std::stringstream text;
  text << maps.rdbuf();
  return text.str().find("/imageformats/") != std::string::npos;
}

// Read the plain way, a PNG of ours made Qt load every image plugin of the system to ask
// each whether it knew the file, on the main thread while the window was first drawn.
TEST(FirstFramePicturesTest, TheProgramsOwnPicturesAreReadWithoutLoadingImagePlugins) {
  // ctest runs each test in a process of its own; run with others, one before may have.
  if (ImagePluginLoaded()) GTEST_SKIP() << "an earlier test in this process loaded image plugins";
  EXPECT_FALSE(ProgramPictures::ProgramIcon().pixmap(32, 32).isNull());
  EXPECT_FALSE(CClientWnd::BackgroundPicture().isNull());
  EXPECT_FALSE(ImagePluginLoaded());
}

}  // namespace
