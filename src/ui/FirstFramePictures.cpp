#include "ui/FirstFramePictures.h"

#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextLayout>
#include <utility>

#include "ui/ProgramPictures.h"

namespace {
FirstFramePictures* current = nullptr;
}  // namespace

FirstFramePictures::FirstFramePictures(int iconPixels, qreal devicePixelRatio, QStringList captions, QFont font)
    : iconPixels_(qRound(iconPixels * devicePixelRatio)) {
  // The resources are registered here, on the main thread, before the worker reads them.
  ProgramPictures::Register();
  work_ = std::async(std::launch::async, [=, pixels = iconPixels_] { return Prepare(pixels, captions, font); });
  current = this;
}

FirstFramePictures::~FirstFramePictures() {
  if (current == this) current = nullptr;
  if (work_.valid()) work_.wait();
}

FirstFramePictures* FirstFramePictures::Current() { return current; }

FirstFramePictures::Prepared& FirstFramePictures::results() {
  if (!taken_) {
    prepared_ = work_.get();
    taken_ = true;
  }
  return prepared_;
}

QImage FirstFramePictures::takeIcon(const QString& name, int pixels) {
  if (pixels != iconPixels_) return QImage();
  return results().icons.take(name);
}

QImage FirstFramePictures::takeBackground() { return std::exchange(results().background, QImage()); }

QImage FirstFramePictures::RenderIcon(const QString& path, int pixels) {
  QSvgRenderer renderer(path);
  if (!renderer.isValid()) return QImage();
  // Kept in proportion within the square, from its top left corner, as the icon engine does.
  const QSize size = renderer.defaultSize().scaled(pixels, pixels, Qt::KeepAspectRatio);
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  renderer.render(&painter);
  painter.end();
  return image;
}

FirstFramePictures::Prepared FirstFramePictures::Prepare(int iconDevicePixels, const QStringList& captions,
                                                         const QFont& font) {
  Prepared prepared;
  // The Chinese captions first: their fallback font lookup is the longest part, and the
  // font database it fills is shared by every thread.
  for (const QString& caption : captions) {
    QTextLayout layout(caption, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
  }
  // The style reads its standard icons (a page window's title bar buttons) by asking every
  // image plugin of the system whether it knows the file: loaded here, the plugins are
  // ready when the main thread paints them.
  QImageReader::supportedImageFormats();
  prepared.background = ProgramPictures::Background();
  for (const QString& name : ProgramPictures::ButtonPictureNames()) {
    QImage icon = RenderIcon(ProgramPictures::ButtonPicturePath(name), iconDevicePixels);
    if (!icon.isNull()) prepared.icons.insert(name, icon);
  }
  return prepared;
}
