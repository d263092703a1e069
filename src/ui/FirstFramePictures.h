#pragma once
#include <QFont>
#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>
#include <future>

// The drawing the main window's first frame needs, done on a worker thread while the main
// thread waits for the web engine to start: the page area's background decoded, the bar
// buttons' icons rendered at the size they are drawn, and the fonts for the bars' Chinese
// captions looked up (fallback fonts included). The main thread takes the results as it
// builds and paints the bars, waiting only for what is not finished yet.
//
// One preparation at a time is current; the windows take their pictures from it while it
// lives. It waits for its worker when it goes, so it must go before the application object.
class FirstFramePictures {
 public:
  struct Prepared {
    QImage background;
    QHash<QString, QImage> icons;  // by picture name, at iconPixels × iconPixels device pixels
  };

  // Starts the worker at once. `captions` are laid out in `font` to warm the font lookup.
  FirstFramePictures(int iconPixels, qreal devicePixelRatio, QStringList captions, QFont font);
  ~FirstFramePictures();
  FirstFramePictures(const FirstFramePictures&) = delete;
  FirstFramePictures& operator=(const FirstFramePictures&) = delete;

  // The preparation being taken from, or null.
  static FirstFramePictures* Current();

  // The picture of a button icon drawn at `pixels` device pixels, once: a later call for the
  // same name (or another size) gives a null image, and the caller draws it itself.
  QImage takeIcon(const QString& name, int pixels);
  // The decoded background, once; null afterwards.
  QImage takeBackground();

  // The work of the worker, callable on any thread.
  static Prepared Prepare(int iconDevicePixels, const QStringList& captions, const QFont& font);
  // An SVG icon rendered the way Qt's icon engine renders it for a square of `pixels`.
  static QImage RenderIcon(const QString& path, int pixels);

 private:
  Prepared& results();

  int iconPixels_;
  std::future<Prepared> work_;
  Prepared prepared_;
  bool taken_ = false;
};
